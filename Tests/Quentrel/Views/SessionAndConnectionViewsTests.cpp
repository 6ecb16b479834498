#include "QuickViewTestSupport.h"

#include <QLabel>
#include <QScrollArea>

#include "Quentrel/Views/Connection/ConnectionStabilityLink.h"
#include "Quentrel/Views/Connection/ConnectionStabilityView.h"
#include "Quentrel/Views/Controls/ObserverSymbolView.h"
#include "Quentrel/Views/Controls/PlainButton.h"
#include "Quentrel/Views/Controls/SymbolLabel.h"
#include "Quentrel/Views/Sessions/WorkSessionView.h"
#include "Support/JSONTree.h"

using namespace quentrel;
using namespace quentrel::testing;

namespace {
class SessionAndConnectionViewsTest : public ::testing::Test {
protected:
    void SetUp() override { applyTheme(); }
    void remember() { mirror.state.rememberedTarget = viewtest::targetOf(viewtest::device("driver:1", "Data")); }

    viewtest::Mirror mirror;
    PresenterCalls presenter;
};

testjson::Tree record(const char* state, long losses, long recoveries, testjson::Tree changes) {
    return {{"state", state}, {"lossCount", losses}, {"recoveryCount", recoveries}, {"identityChangeCount", 0},
            {"confirmedGapSeconds", 2.5}, {"changes", changes}};
}
}  // namespace

TEST_F(SessionAndConnectionViewsTest, TheSessionCardShowsTheSessionOrThatNoneRuns) {
    mirror.apply();
    WorkSessionView card(mirror.store, true, nullptr, testLocale());
    showWindow(card);
    EXPECT_EQ(card.header()->title(), "이번 작업 세션");
    EXPECT_EQ(symbolOf(card.header()), "rectangle.stack.badge.clock");
    EXPECT_FALSE(card.sessionContent()->isVisible());
    EXPECT_TRUE(card.noSessionLabel()->isVisible());
    EXPECT_EQ(card.noSessionLabel()->text(), "다음 유효한 I/O 구간부터 집계합니다");

    auto* open = card.openLogButton();
    EXPECT_EQ(open->accessibleName(), "작업 세션 기록 열기");
    EXPECT_EQ(symbolOf(open), "arrow.up.right");
    click(open);
    EXPECT_EQ(presenter.shown, std::vector<std::string>{"activity-log"});

    mirror.state.currentSession = viewtest::session(1'234'567, 0, 61, 3'600);
    mirror.state.sampling.enabled = false;
    deliver(mirror);
    EXPECT_TRUE(card.sessionContent()->isVisible());
    EXPECT_FALSE(card.noSessionLabel()->isVisible());
    EXPECT_EQ(card.readLabel()->title(), "1.2 MB");
    EXPECT_EQ(card.readLabel()->accessibleName(), "세션 읽기 1.2 MB");
    EXPECT_EQ(symbolOf(card.readLabel()), "arrow.down");
    EXPECT_EQ(card.writtenLabel()->title(), "0 B");
    EXPECT_EQ(card.writtenLabel()->accessibleName(), "세션 쓰기 0 B");
    EXPECT_EQ(symbolOf(card.writtenLabel()), "arrow.up");
    EXPECT_EQ(card.durationLabel()->text(), "관측 1분 1초 · 경과 1시간 0분");
    EXPECT_TRUE(card.pausedNote()->isVisible());
    EXPECT_EQ(card.pausedNote()->title(), "집계 쉬는 중 · 다음 관측에서 이어집니다");

    mirror.state.sampling.enabled = true;
    deliver(mirror);
    EXPECT_FALSE(card.pausedNote()->isVisible());
    click(open);
    EXPECT_EQ(presenter.shown.size(), 2u);
    EXPECT_TRUE(mirror.commands.empty());
}

TEST_F(SessionAndConnectionViewsTest, TheConnectionRowExistsOnlyForARememberedDriveAndOpensTheSummary) {
    mirror.apply();
    QWidget host;
    ConnectionStabilityLink link(mirror.store, &host);
    showWindow(host);
    EXPECT_FALSE(link.isVisible());

    remember();
    mirror.state.connectionStability = viewtest::stability(record("disconnected", 2, 1, testjson::Tree::array()));
    deliver(mirror);
    EXPECT_TRUE(link.isVisible());
    EXPECT_EQ(link.objectName(), "openConnectionSummary");
    EXPECT_EQ(link.toolTip(), "기억한 대상 · 이번 실행의 연결 변화");
    EXPECT_EQ(symbolOf(link.stateSymbol()), "bolt.slash");
    EXPECT_EQ(link.titleLabel()->text(), "연결 요약");
    EXPECT_EQ(link.summaryLabel()->text(), "해제 2 · 복귀 1");
    EXPECT_EQ(symbolOf(link.chevron()), "chevron.right");
    click(&link);
    EXPECT_EQ(presenter.shown, std::vector<std::string>{"connection-summary"});
}

TEST_F(SessionAndConnectionViewsTest, TheSummaryWindowShowsTheRecordOrThatNoDriveIsRemembered) {
    mirror.state.connectionStability = viewtest::stability(record("connected", 5, 5, testjson::Tree::array()));
    mirror.apply();
    ConnectionStabilityView window(mirror.store, nullptr, testLocale());
    window.resize(620, 540);
    showWindow(window);
    EXPECT_TRUE(window.unavailableBody()->isVisible());
    EXPECT_FALSE(window.recordBody()->isVisible());
    const auto texts = window.unavailableBody()->findChildren<QLabel*>();
    ASSERT_EQ(texts.size(), 2);
    EXPECT_EQ(texts[0]->text(), "기억한 대상이 없습니다");
    EXPECT_EQ(texts[1]->text(), "장치 정보에서 관측 대상을 기억하면 이번 실행의 연결 변화를 요약합니다.");

    remember();
    testjson::Tree changes = testjson::Tree::array();
    for (unsigned i = 0; i < 30; ++i)
        changes.push_back({{"id", viewtest::uuid(i).uuidString()}, {"date", viewtest::kNow - i}, {"outcome", "pending"}});
    mirror.state.connectionStability = viewtest::stability(record("connected", 5, 4, changes));
    deliver(mirror);
    EXPECT_FALSE(window.unavailableBody()->isVisible());
    EXPECT_TRUE(window.recordBody()->isVisible());
    EXPECT_EQ(window.stateLabel()->title(), "연결 확인됨");
    EXPECT_EQ(symbolOf(window.stateLabel()), "link");
    EXPECT_EQ(window.tiles()[0]->value()->text(), "5회");
    EXPECT_EQ(window.tiles()[1]->value()->text(), "4회");
    EXPECT_EQ(window.tiles()[2]->title()->title(), "확인된 공백");
    EXPECT_EQ(symbolOf(window.tiles()[2]->title()), "clock");
    EXPECT_EQ(window.tiles()[2]->value()->text(), "2초");
    EXPECT_EQ(window.visibleRows().front()->title()->text(), "연결 해제 · 복귀 확인 대기");
    EXPECT_EQ(symbolOf(window.visibleRows().front()->symbol()), "circle.dotted");
    EXPECT_EQ(window.sinceLabel()->text(), "기억한 대상 · 이번 실행");
    EXPECT_EQ(window.lastLossLabel()->text(), "관측 범위에서 확인된 해제 없음");
    EXPECT_FALSE(window.emptyNote()->isVisible());
    EXPECT_EQ(window.visibleRows().size(), 30u);

    // Fewer changes later: the extra rows hide, the note shows for none.
    mirror.state.connectionStability = viewtest::stability(record("connected", 0, 0, testjson::Tree::array()));
    deliver(mirror);
    EXPECT_TRUE(window.visibleRows().empty());
    EXPECT_TRUE(window.emptyNote()->isVisible());
    EXPECT_EQ(window.emptyNote()->text(), "아직 연결 변화 기록이 없습니다.");
    EXPECT_TRUE(window.footnote()->text().startsWith("복귀까지 연속 관측한 공백만 합산합니다."));
    EXPECT_TRUE(mirror.commands.empty());
}

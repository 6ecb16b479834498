// Pictures of the quick view and its parts in their main states, for people to look at (not
// compared), each with the text that tells its state checked.
#include "QuickViewTestSupport.h"

#include <QVBoxLayout>

#include "Quentrel/Views/Connection/ConnectionStabilityView.h"
#include "Quentrel/Views/Observation/DeviceObservationView.h"
#include "Quentrel/Views/Observation/DeviceSelectorView.h"
#include "Quentrel/Views/Observation/ObservationMenuView.h"
#include "Quentrel/Views/Sessions/WorkSessionView.h"
#include "Support/JSONTree.h"

using namespace quentrel;
using namespace quentrel::testing;
using viewtest::device;
using viewtest::kNow;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {
testjson::Tree changes() {
    testjson::Tree list = testjson::Tree::array();
    const char* outcomes[] = {"recovered", "pending", "interrupted", "identityChanged", "recovered"};
    for (unsigned i = 0; i < 5; ++i) {
        testjson::Tree change = {{"id", viewtest::uuid(i).uuidString()},
                                        {"date", kNow - 900.0 * i},
                                        {"outcome", outcomes[i]}};
        if (std::string(outcomes[i]) == "recovered") change["gapSeconds"] = 4.5 + 60 * i;
        list.push_back(change);
    }
    return list;
}

class QuickViewScreenshots : public ::testing::Test {
protected:
    void SetUp() override { applyTheme(); }

    // A selected drive with reads and writes, a graph window, a running session and a remembered
    // target with a few connection changes.
    void observing() {
        auto data = device("driver:1", "Data", 1, 48'200'000, 3'100'000);
        data.volumes.push_back(viewtest::volume("sdb2", "Photos", true, 2));
        mirror.withDevices({data, device("driver:2", "Backup", 3, 0)}, 0);
        for (unsigned i = 0; i < 300; ++i)
            mirror.state.intervals.push_back({i, platform::Date{kNow - 300.0 + i}, platform::Date{kNow - 299.0 + i},
                                              1e6 * (i % 50), 2e5 * (i % 7)});
        mirror.state.currentSession = viewtest::session(3'456'789'012, 987'654'321, 1'712.4, 1'845);
        mirror.state.rememberedTarget = viewtest::targetOf(data);
        mirror.state.targetStatus = "기억한 관측 대상 확인됨";
        testjson::Tree record = {{"state", "connected"},      {"startedAt", kNow - 7'200},
                                        {"lastLossAt", kNow - 900},   {"lossCount", 3},
                                        {"recoveryCount", 2},         {"identityChangeCount", 1},
                                        {"confirmedGapSeconds", 72.5}, {"changes", changes()}};
        mirror.state.connectionStability = viewtest::stability(record);
    }

    // What the quick view shows in the state.
    std::string captureQuickView(const QString& name) {
        mirror.apply();
        ObservationMenuView view(mirror.store, nullptr, testLocale());
        showWindow(view);
        for (int turn = 0; turn < 3; ++turn) QCoreApplication::processEvents();
        writeScreenshot(view, name);
        return shownTexts(view);
    }

    // What `content` shows at `width`, which it fits into.
    std::string capture(QWidget& content, const QString& name, int width) {
        QWidget root;
        ObserverTheme::applyToRoot(root);
        auto* layout = new QVBoxLayout(&root);
        layout->setContentsMargins(16, 16, 16, 16);
        content.setParent(&root);
        layout->addWidget(&content);
        root.setFixedWidth(width);
        showWindow(root);
        root.adjustSize();
        QCoreApplication::processEvents();
        writeScreenshot(root, name);
        EXPECT_LE(content.minimumSizeHint().width(), content.width()) << qPrintable(name);
        const std::string texts = shownTexts(content);
        content.setParent(nullptr);
        return texts;
    }

    viewtest::Mirror mirror;
};
}  // namespace

TEST_F(QuickViewScreenshots, QuickViewStates) {
    mirror.state.onboardingCompleted = false;
    EXPECT_THAT(captureQuickView(QStringLiteral("quick-view-empty")),
                HasSubstr("장치를 선택하면 활동이 표시됩니다\n처음이라면, 시작 안내 보기"));

    mirror.state.onboardingCompleted = true;
    observing();
    const std::string selected = captureQuickView(QStringLiteral("quick-view-selected"));
    EXPECT_THAT(selected, HasSubstr("I/O 활동"));
    EXPECT_THAT(selected, HasSubstr("연결 요약\n해제 3 · 복귀 2"));

    mirror.state.isPaused = true;
    mirror.state.sampling = {false, 30.0, "사용자가 통계 관측을 일시중지했습니다."};
    const std::string paused = captureQuickView(QStringLiteral("quick-view-paused"));
    EXPECT_THAT(paused, AllOf(HasSubstr("이전 표본"), Not(HasSubstr("I/O 활동"))));
    EXPECT_THAT(paused, HasSubstr("집계 쉬는 중 · 다음 관측에서 이어집니다"));

    mirror.state.isPaused = false;
    mirror.state.isSystemSleeping = true;
    mirror.state.errorMessage = "볼륨 연결과 경로를 다시 확인한 뒤 Finder를 열어주세요.";
    mirror.state.connectionStability = viewtest::stability({{"state", "sleeping"}, {"lossCount", 0},
                                                           {"recoveryCount", 0}, {"identityChangeCount", 0},
                                                           {"confirmedGapSeconds", 0}, {"changes", testjson::Tree::array()}});
    EXPECT_THAT(captureQuickView(QStringLiteral("quick-view-sleeping")),
                HasSubstr("잠자기 · 집계 쉬는 중\n볼륨 연결과 경로를 다시 확인한 뒤 Finder를 열어주세요."));
}

TEST_F(QuickViewScreenshots, Parts) {
    observing();
    mirror.apply();
    for (bool compact : {true, false}) {
        DeviceObservationView panel(compact);
        panel.apply(*DeviceObservationModel::fromStore(*mirror.store, compact, testLocale()));
        EXPECT_THAT(capture(panel, compact ? QStringLiteral("device-panel-compact") : QStringLiteral("device-panel"),
                            compact ? 360 : 620),
                    HasSubstr("I/O 활동"));

        DeviceSelectorView selector(mirror.store, compact, true, nullptr, testLocale());
        EXPECT_THAT(capture(selector,
                            compact ? QStringLiteral("device-selector-compact") : QStringLiteral("device-selector"),
                            compact ? 360 : 620),
                    HasSubstr("연결 상한 10 Gb/s"));

        WorkSessionView session(mirror.store, compact, nullptr, testLocale());
        EXPECT_THAT(capture(session, compact ? QStringLiteral("session-card-compact") : QStringLiteral("session-card"),
                            compact ? 360 : 620),
                    HasSubstr("3.5 GB\n987.7 MB\n관측 28분 32초 · 경과 30분 45초"));
    }

    ConnectionStabilityView summary(mirror.store, nullptr, testLocale());
    summary.resize(620, 540);
    showWindow(summary);
    writeScreenshot(summary, QStringLiteral("connection-summary"));
    EXPECT_THAT(shownTexts(summary), HasSubstr("연결 확인됨\n해제 관측\n3회\n복귀 확인\n2회"));

    mirror.state.rememberedTarget.reset();
    deliver(mirror);
    writeScreenshot(summary, QStringLiteral("connection-summary-no-target"));
    EXPECT_THAT(shownTexts(summary), HasSubstr("기억한 대상이 없습니다"));
}

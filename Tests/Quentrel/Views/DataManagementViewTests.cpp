// The data-management window: counts, undo buttons, the result line and the three confirmations.
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>

#include "Quentrel/Views/Controls/ObserverActionStyle.h"
#include "Quentrel/Views/DataManagementView.h"
#include "Quentrel/Views/Theme/ObserverSystemColors.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "Quentrel/Views/ViewText.h"
#include "SecondaryWindowsWidgets.h"

using namespace quentrel;
using namespace secondarywindows;

namespace {

class DataManagementWindow : public ::testing::Test {
protected:
    void SetUp() override {
        quentrel::testing::applyTheme();
        h.push();
        view = std::make_unique<DataManagementView>(h.store);
        view->resize(560, 550);
        present(*view);
    }
    void push() {
        h.push();
        settle();
    }
    ObserverActionButton* button(const char* identifier) { return named<ObserverActionButton>(*view, identifier); }
    QPushButton* answer(QMessageBox* box, const char* title) {
        for (QAbstractButton* b : box->buttons())
            if (b->text() == q(title)) return qobject_cast<QPushButton*>(b);
        ADD_FAILURE() << title;
        return nullptr;
    }
    void withEventsAndSessions() {
        h.state.recentEvents = {{platform::Date{kNow}, "외장 장치 등장 감지"}, {platform::Date{kNow - 5}, "앱 시작"}};
        h.state.sessions = {session(0, std::nullopt), session(1, wendmark::SessionEndReason::disconnected)};
        push();
    }

    MirrorHarness h;
    std::unique_ptr<DataManagementView> view;
};

}  // namespace

TEST_F(DataManagementWindow, anEmptyStoreDisablesBothClearsButNeverTheReset) {
    EXPECT_EQ(view->objectName(), "data-management");
    EXPECT_TRUE(shows(labelWithText(*view, "완료된 세션 0개를 지웁니다. 현재 세션은 계속 집계됩니다.")));
    EXPECT_FALSE(button("clearEventHistory")->isEnabled());
    EXPECT_FALSE(button("clearSessionHistory")->isEnabled());
    EXPECT_TRUE(button("resetObservationPreferences")->isEnabled());
    for (const char* undo : {"undoObservationReset", "undoHistoryClear", "undoSessionClear"})
        EXPECT_FALSE(shows(button(undo))) << undo;
    EXPECT_EQ(button("resetObservationPreferences")->symbol(), "arrow.counterclockwise");
    EXPECT_EQ(button("clearEventHistory")->symbol(), "trash");
    EXPECT_FALSE(button("clearEventHistory")->isProminent());
    EXPECT_FALSE(shows(view->findChild<ObserverSymbolLabel*>()));  // no result before the first action

    // A disabled clear offers no confirmation.
    click(button("clearEventHistory"));
    EXPECT_EQ(view->alert(DataConfirmation::clearEvents), nullptr);
    EXPECT_TRUE(h.take().empty());
    quentrel::testing::writeScreenshot(*view, QStringLiteral("data-management-empty"));
}

TEST_F(DataManagementWindow, eachConfirmationAsksInAWindowModalAlertAndOnlyItsConfirmButtonActs) {
    withEventsAndSessions();
    struct Row {
        const char* identifier;
        DataConfirmation which;
        const char* confirm;
        QMessageBox::ButtonRole role;
        Case kind;
    } rows[] = {
        {"resetObservationPreferences", DataConfirmation::reset, "초기화", QMessageBox::AcceptRole, Case::reset},
        {"clearEventHistory", DataConfirmation::clearEvents, "지우기", QMessageBox::DestructiveRole, Case::clearEvents},
        {"clearSessionHistory", DataConfirmation::clearSessions, "지우기", QMessageBox::DestructiveRole,
         Case::clearSessions},
    };
    for (const auto& r : rows) {
        click(button(r.identifier));
        QMessageBox* box = view->alert(r.which);
        ASSERT_NE(box, nullptr) << r.identifier;
        const auto texts = confirmationAlert(r.which);
        EXPECT_EQ(box->text(), quentrel::qtext(texts.title)) << r.identifier;
        EXPECT_EQ(box->informativeText(), quentrel::qtext(texts.message)) << r.identifier;
        EXPECT_EQ(box->windowModality(), Qt::WindowModal) << r.identifier;
        EXPECT_TRUE(box->isVisible()) << r.identifier;
        ASSERT_EQ(box->buttons().size(), 2) << r.identifier;
        EXPECT_EQ(box->buttonRole(answer(box, "취소")), QMessageBox::RejectRole) << r.identifier;
        EXPECT_EQ(box->buttonRole(answer(box, r.confirm)), r.role) << r.identifier;
        // The other two stay hidden.
        for (auto other : {DataConfirmation::reset, DataConfirmation::clearEvents, DataConfirmation::clearSessions}) {
            if (other == r.which) continue;
            EXPECT_EQ(view->alert(other), nullptr) << r.identifier;
        }

        click(answer(box, "취소"));
        EXPECT_EQ(view->alert(r.which), nullptr) << r.identifier;
        EXPECT_TRUE(h.take().empty()) << r.identifier;

        click(button(r.identifier));
        box = view->alert(r.which);
        ASSERT_NE(box, nullptr) << r.identifier;
        click(answer(box, r.confirm));
        EXPECT_EQ(view->alert(r.which), nullptr) << r.identifier;
        EXPECT_EQ(h.take(), std::vector{command(r.kind)}) << r.identifier;
    }
}

TEST_F(DataManagementWindow, undoButtonsComeWithTheirFlagsAndActAtOnceEveryPress) {
    h.state.canUndoObservationReset = true;
    h.state.canUndoHistoryClear = true;
    h.state.canUndoSessionClear = true;
    h.state.dataActionMessage = "최근 이벤트를 지웠습니다. 이번 실행 중에는 되돌릴 수 있습니다.";
    push();
    const struct {
        const char* identifier;
        const char* title;
        Case kind;
    } rows[] = {
        {"undoObservationReset", "초기화 되돌리기", Case::undoReset},
        {"undoHistoryClear", "삭제 되돌리기", Case::undoEvents},
        {"undoSessionClear", "세션 삭제 되돌리기", Case::undoSessions},
    };
    for (const auto& r : rows) {
        ObserverActionButton* undo = button(r.identifier);
        ASSERT_TRUE(shows(undo)) << r.identifier;
        EXPECT_EQ(undo->text(), q(r.title));
        EXPECT_TRUE(undo->symbol().isEmpty());
        click(undo);
        click(undo);  // before the next state: sent twice, the agent ignores the second
        EXPECT_EQ(h.take(), (std::vector{command(r.kind), command(r.kind)})) << r.identifier;
    }
    // After the clear the count is 0 and the clear button is disabled beside its undo button.
    EXPECT_FALSE(button("clearEventHistory")->isEnabled());
    EXPECT_TRUE(shows(labelWithText(*view, "앱에 저장된 최근 이벤트 0건을 지웁니다. 새 이벤트는 계속 기록됩니다. 5분 "
                                           "그래프와 따로 저장한 진단 파일은 유지됩니다.")));
    quentrel::testing::writeScreenshot(*view, QStringLiteral("data-management-undo"));

    h.state = {};
    push();
    for (const auto& r : rows) EXPECT_FALSE(shows(button(r.identifier))) << r.identifier;
}

TEST_F(DataManagementWindow, theResultLineShowsTheLastMessageWithItsSymbolAndColour) {
    withEventsAndSessions();
    EXPECT_TRUE(shows(labelWithText(*view, "완료된 세션 1개를 지웁니다. 현재 세션은 계속 집계됩니다.")));
    h.state.dataActionMessage = "저장된 기록을 지우지 못했습니다. 기록을 유지했으니 저장 상태를 확인한 뒤 다시 시도해주세요.";
    h.state.dataActionFailed = true;
    push();
    auto* result = view->findChild<ObserverSymbolLabel*>();
    ASSERT_TRUE(shows(result));
    EXPECT_EQ(result->text(), q("저장된 기록을 지우지 못했습니다. 기록을 유지했으니 저장 상태를 확인한 뒤 다시 시도해주세요."));
    EXPECT_EQ(result->symbol(), "exclamationmark.circle");
    EXPECT_EQ(result->colour(), ObserverSystemColors::orange);
    EXPECT_TRUE(button("clearEventHistory")->isEnabled());  // the events were kept
    quentrel::testing::writeScreenshot(*view, QStringLiteral("data-management-failed"));

    h.state.dataActionMessage = "관측 설정을 초기화했습니다. 이번 실행 중에는 되돌릴 수 있습니다.";
    h.state.dataActionFailed = false;
    push();
    EXPECT_EQ(result->symbol(), "checkmark.circle");
    EXPECT_EQ(result->colour(), ObserverTheme::muted);
}

TEST_F(DataManagementWindow, closingTheWindowDismissesItsAlertWithoutActing) {
    click(button("resetObservationPreferences"));
    ASSERT_NE(view->alert(DataConfirmation::reset), nullptr);
    view->hide();
    settle();
    EXPECT_EQ(view->alert(DataConfirmation::reset), nullptr);
    present(*view);
    EXPECT_EQ(view->alert(DataConfirmation::reset), nullptr);
    EXPECT_TRUE(h.take().empty());
}

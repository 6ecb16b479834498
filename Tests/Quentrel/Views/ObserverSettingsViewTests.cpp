// The settings window with its notification and update cards, on the UI app's mirror store.
#include <algorithm>

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include "Quentrel/Views/ConnectionNotificationSettingsView.h"
#include "Quentrel/Views/Controls/BoundToggle.h"
#include "Quentrel/Views/Controls/ObserverActionStyle.h"
#include "Quentrel/Views/Controls/ObserverPlainButton.h"
#include "Quentrel/Views/ObserverSettingsView.h"
#include "Quentrel/Views/Theme/ObserverSystemColors.h"
#include "Quentrel/Views/UpdateSettingsView.h"
#include "SecondaryWindowsWidgets.h"

using namespace quentrel;
using namespace secondarywindows;

namespace {

std::size_t count(const std::vector<ObserverUICommand>& sent, Case kind) {
    return static_cast<std::size_t>(std::count_if(sent.begin(), sent.end(), [&](auto& c) { return c.kind == kind; }));
}

class SettingsWindow : public ::testing::Test {
protected:
    void SetUp() override { quentrel::testing::applyTheme(); }

    ObserverSettingsView& open() {
        view = std::make_unique<ObserverSettingsView>(h.store, h.store->loginItem());
        present(*view);
        h.take();  // the refreshes of coming on screen
        return *view;
    }
    void push() {
        h.push();
        settle();
    }
    BoundToggle* toggle(const char* label) { return buttonTitled<BoundToggle>(*view, label); }

    MirrorHarness h;
    std::unique_ptr<ObserverSettingsView> view;
};

}  // namespace

TEST_F(SettingsWindow, comingOnScreenAsksForLoginAndPermissionOncePerAppearance) {
    view = std::make_unique<ObserverSettingsView>(h.store, h.store->loginItem());
    EXPECT_EQ(view->objectName(), "settings");
    EXPECT_TRUE(h.take().empty());  // building the window sends nothing
    present(*view);
    auto sent = h.take();
    EXPECT_EQ(sent.size(), 2u);
    EXPECT_EQ(count(sent, Case::refreshLogin), 1u);
    EXPECT_EQ(count(sent, Case::refreshNotifications), 1u);

    // States, repaints and minimising are no new appearance.
    h.state.loginEnabled = true;
    push();
    view->showMinimized();
    settle();
    view->showNormal();
    settle();
    EXPECT_EQ(count(h.take(), Case::refreshLogin), 0u);

    // Closed and opened again: one more of each.
    view->hide();
    settle();
    present(*view);
    sent = h.take();
    EXPECT_EQ(count(sent, Case::refreshLogin), 1u);
    EXPECT_EQ(count(sent, Case::refreshNotifications), 1u);
}

TEST_F(SettingsWindow, aClickedSwitchSendsItsCommandAndMovesOnlyWithTheNextState) {
    h.state.rememberedTarget = target();
    h.push();
    open();
    struct Row {
        const char* label;
        Case kind;
        bool quentrel::ObserverUIState::*field;
    } rows[] = {
        {"시작할 때 대시보드 열기", Case::showOnLaunch, &quentrel::ObserverUIState::showStatusOnLaunch},
        {"로그인 시 실행", Case::login, &quentrel::ObserverUIState::loginEnabled},
        {"백그라운드 I/O 관측", Case::background, &quentrel::ObserverUIState::backgroundPolling},
        {"기억한 SSD의 연결 변화 알림", Case::notifications, &quentrel::ObserverUIState::noticesEnabled},
    };
    for (const auto& r : rows) {
        BoundToggle* t = toggle(r.label);
        ASSERT_NE(t, nullptr) << r.label;
        EXPECT_TRUE(t->isSwitch()) << r.label;
        click(t);
        EXPECT_EQ(h.take(), std::vector{command(r.kind, true)}) << r.label;
        EXPECT_FALSE(t->isChecked()) << r.label;  // still the agent's value

        h.state.*(r.field) = true;
        push();
        EXPECT_TRUE(t->isChecked()) << r.label;
        click(t);
        EXPECT_EQ(h.take(), std::vector{command(r.kind, false)}) << r.label;
        EXPECT_TRUE(t->isChecked()) << r.label;
    }
}

TEST_F(SettingsWindow, launchSectionShowsStatusApprovalAndErrorOnlyWhenTheServiceSays) {
    h.push();
    open();
    auto* approval = buttonTitled<ObserverActionButton>(*view, "로그인 항목 설정 열기");
    ASSERT_NE(approval, nullptr);
    EXPECT_TRUE(shows(labelWithText(*view, "로그인 시 실행 꺼짐")));
    EXPECT_FALSE(shows(approval));
    quentrel::testing::writeScreenshot(*view, QStringLiteral("settings-default"));

    h.state.loginRequiresApproval = true;
    h.state.loginStatus = "시스템 설정에서 승인 필요";
    h.state.loginError = "작업을 완료할 수 없습니다.";
    push();
    EXPECT_TRUE(shows(approval));
    EXPECT_TRUE(shows(labelWithText(*view, "시스템 설정에서 승인 필요")));
    QLabel* error = labelWithText(*view, "작업을 완료할 수 없습니다.");
    ASSERT_TRUE(shows(error));
    EXPECT_EQ(error->palette().color(QPalette::WindowText), ObserverSystemColors::orange);

    // The login item's own sink, not the store's.
    click(approval);
    EXPECT_EQ(h.take(), std::vector{command(Case::approvalSettings)});

    h.state.loginError.reset();
    push();
    EXPECT_FALSE(shows(error));
}

TEST_F(SettingsWindow, theRememberedDriveRowComesWithTheTargetAndForgets) {
    open();
    auto* forget = buttonTitled<ObserverPlainButton>(*view, "기억 지우기");
    ASSERT_NE(forget, nullptr);
    EXPECT_FALSE(shows(forget));
    EXPECT_TRUE(shows(labelWithText(*view, "켜면 창을 닫아도 30초마다 확인합니다.")));

    h.state.rememberedTarget = target("사진 백업 SSD");
    push();
    EXPECT_TRUE(shows(forget));
    ObserverSymbolLabel* name = nullptr;
    for (auto* label : view->findChildren<ObserverSymbolLabel*>())
        if (label->text() == "사진 백업 SSD") name = label;
    ASSERT_TRUE(shows(name));
    EXPECT_EQ(name->symbol(), "pin.fill");
    EXPECT_TRUE(name->isSingleLine());
    quentrel::testing::writeScreenshot(*view, QStringLiteral("settings-remembered-drive"));

    click(forget);
    EXPECT_EQ(h.take(), std::vector{command(Case::forget)});
    EXPECT_TRUE(shows(forget));  // until the agent's state says otherwise
}

TEST_F(SettingsWindow, versionCaptionAndLinksToTheOtherWindows) {
    PresenterRecorder presenter;
    open();
    const auto caption = versionCaption(ProductIdentity::running());
    EXPECT_TRUE(shows(labelWithText(*view, caption))) << caption;

    auto* data = named<ObserverPlainButton>(*view, "openDataManagement");
    auto* help = named<ObserverPlainButton>(*view, "openProductHelp");
    ASSERT_TRUE(data && help);
    EXPECT_EQ(data->text(), "설정과 기록 관리");
    EXPECT_EQ(data->property("symbol").toString(), "slider.horizontal.3");
    EXPECT_EQ(help->text(), "도움말 · 앱 정보");
    EXPECT_EQ(help->property("symbol").toString(), "questionmark.circle");
    click(buttonTitled(*view, "활동 기록 열기"));
    click(data);
    click(help);
    EXPECT_EQ(presenter.shown, (std::vector<std::string>{"activity-log", "data-management", "help"}));
    EXPECT_TRUE(h.take().empty());
}

TEST_F(SettingsWindow, notificationCardByState) {
    open();
    ConnectionNotificationSettingsView* card = view->notificationSection();
    auto* toggle = named<BoundToggle>(*card, "connectionNotifications");
    auto* test = named<ObserverPlainButton>(*card, "testConnectionNotification");
    ASSERT_TRUE(toggle && test);
    const auto hint = [&] { return card->findChild<ObserverSymbolLabel*>(); };

    // No drive, off: cannot be turned on, says why, no status row.
    EXPECT_FALSE(toggle->isEnabled());
    EXPECT_TRUE(shows(labelWithText(*card, "장치 정보에서 관측 대상을 먼저 기억해 주세요.")));
    EXPECT_FALSE(shows(test));
    EXPECT_FALSE(shows(hint()));
    click(toggle);
    EXPECT_TRUE(h.take().empty());

    // Denied: the orange hint even while off.
    h.state.rememberedTarget = target();
    h.state.noticePermission = NoticePermission::denied;
    push();
    EXPECT_TRUE(toggle->isEnabled());
    EXPECT_TRUE(shows(labelWithText(
        *card, "3초 이상 연결이 보이지 않거나, 10분 내 3회 끊기면 알립니다. 정상 연결은 조용히 기록합니다.")));
    ASSERT_TRUE(shows(hint()));
    EXPECT_EQ(hint()->text(), "macOS 시스템 설정 → 알림 → Kavrinet에서 허용해 주세요.");
    EXPECT_EQ(hint()->symbol(), "bell.slash");
    EXPECT_EQ(hint()->colour(), ObserverSystemColors::orange);
    quentrel::testing::writeScreenshot(*view, QStringLiteral("settings-notifications-denied"));

    // On and allowed: the status row; the test asks the agent.
    h.state.noticesEnabled = true;
    h.state.noticePermission = NoticePermission::allowed;
    h.state.noticeStatus = "테스트 알림을 보냈습니다";
    push();
    EXPECT_TRUE(shows(labelWithText(*card, "테스트 알림을 보냈습니다")));
    EXPECT_FALSE(shows(hint()));
    click(test);
    EXPECT_EQ(h.take(), std::vector{command(Case::testNotification)});
    quentrel::testing::writeScreenshot(*view, QStringLiteral("settings-notifications-on"));

    // Forgotten while on: still possible to turn off.
    h.state.rememberedTarget.reset();
    push();
    EXPECT_TRUE(toggle->isEnabled());
    click(toggle);
    EXPECT_EQ(h.take(), std::vector{command(Case::notifications, false)});
}

TEST_F(SettingsWindow, theUpdateCardIsAbsentInThisBuildAndShowsItsStatesWhenConfigured) {
    open();
    UpdateSettingsView* updates = view->updateSection();
    EXPECT_FALSE(shows(updates));
    const int height = view->sizeHint().height();

    using Content = UpdateSettingsModel::Content;
    updates->apply({Content::controls, true, false, false, std::nullopt});
    settle();
    ASSERT_TRUE(shows(updates));
    EXPECT_GT(view->sizeHint().height(), height);
    auto* automatic = named<BoundToggle>(*updates, "automaticUpdateChecks");
    auto* check = named<ObserverActionButton>(*updates, "checkForUpdates");
    ASSERT_TRUE(automatic && check);
    EXPECT_TRUE(automatic->isChecked());
    EXPECT_FALSE(automatic->isEnabled());  // waiting
    EXPECT_FALSE(check->isEnabled());
    EXPECT_EQ(check->text(), "업데이트 확인…");
    EXPECT_TRUE(shows(labelWithText(*updates, "새 버전만 알립니다. 다운로드·설치와 앱 재실행은 직접 선택합니다.")));

    updates->apply({Content::controls, false, true, true, "2023. 3. 9. 오후 3:04"});
    settle();
    EXPECT_TRUE(automatic->isEnabled());
    EXPECT_TRUE(shows(labelWithText(*updates, "2023. 3. 9. 오후 3:04")));
    click(check);  // starts nothing
    EXPECT_TRUE(h.take().empty());
    quentrel::testing::writeScreenshot(*view, QStringLiteral("settings-updates-ready"));

    updates->apply({Content::failure, false, false, false, std::nullopt});
    settle();
    EXPECT_TRUE(shows(labelWithText(*updates, "업데이트 확인을 시작하지 못했습니다. 앱을 다시 열어주세요.")));
    EXPECT_FALSE(shows(automatic));
    EXPECT_FALSE(shows(check));
}

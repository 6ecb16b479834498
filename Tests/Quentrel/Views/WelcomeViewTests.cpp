#include "QuickViewTestSupport.h"

#include <QLabel>

#include "Quentrel/Views/Controls/BoundToggle.h"
#include "Quentrel/Views/Controls/ObserverActionStyle.h"
#include "Quentrel/Views/Controls/ObserverIconButton.h"
#include "Quentrel/Views/Controls/ObserverSymbolView.h"
#include "Quentrel/Views/Controls/PlainButton.h"
#include "Quentrel/Views/Observation/DeviceSelectorView.h"
#include "Quentrel/Views/WelcomeView.h"

using namespace quentrel;
using namespace quentrel::testing;
using Case = ObserverUICommand::Case;

namespace {
std::vector<Case> kinds(const std::vector<ObserverUICommand>& commands) {
    std::vector<Case> result;
    for (const auto& c : commands) result.push_back(c.kind);
    return result;
}

class WelcomeViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        applyTheme();
        mirror.state.onboardingCompleted = false;
    }

    // Built and shown as the presenter shows it: at its fitting size.
    WelcomeView& view(bool show = true) {
        if (!view_) {
            mirror.apply();
            view_ = std::make_unique<WelcomeView>(mirror.store, mirror.store->loginItem(), nullptr, testLocale());
            if (show) {
                view_->resize(view_->sizeHint());
                showWindow(*view_);
            }
        }
        return *view_;
    }
    // Only the commands sent after the window came on screen.
    std::vector<Case> actions() {
        auto all = kinds(mirror.commands);
        std::erase(all, Case::refreshLogin);
        return all;
    }

    viewtest::Mirror mirror;
    PresenterCalls presenter;
    std::unique_ptr<WelcomeView> view_;
};
}  // namespace

TEST_F(WelcomeViewTest, TheFixedContentAndTheSelectorWithoutARememberButton) {
    mirror.withDevices({viewtest::device("disk-a", "Travel")});
    auto& v = view();
    EXPECT_EQ(v.objectName(), "welcome");
    EXPECT_EQ(v.width(), 500);
    EXPECT_EQ(v.titleLabel()->text(), "Kavrinet");
    // The symbols are decoration: assistive technologies skip them.
    EXPECT_EQ(symbolOf(v.headerBadge()), "externaldrive.fill");
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(v.headerBadge())->state().invisible);
    const char* symbols[] = {"menubar.rectangle", "chart.xyaxis.line", "moon"};
    for (std::size_t i = 0; i < 3; ++i) {
        auto* symbol = v.featureRows()[i]->findChild<ObserverSymbolView*>();
        EXPECT_EQ(symbolOf(symbol), symbols[i]);
        EXPECT_TRUE(QAccessible::queryAccessibleInterface(symbol)->state().invisible);
        EXPECT_EQ(v.featureRows()[i]->findChildren<QLabel*>().size(), 2);
    }
    ASSERT_TRUE(v.deviceSelector());
    EXPECT_TRUE(v.deviceSelector()->isVisible());
    EXPECT_FALSE(v.deviceSelector()->rememberButton()->isVisible());
    auto* start = control<ObserverActionButton>(v, "completeOnboarding");
    ASSERT_TRUE(start);
    EXPECT_TRUE(start->isProminent());
    EXPECT_EQ(start->text(), "관측 시작");
    writeScreenshot(v, "welcome-device");
}

TEST_F(WelcomeViewTest, EachTimeItComesOnScreenItAsksForTheLoginStatus) {
    auto& v = view(false);
    EXPECT_TRUE(mirror.commands.empty());
    showWindow(v);
    EXPECT_EQ(kinds(mirror.commands), std::vector<Case>{Case::refreshLogin});
    // A state changes nothing by itself.
    deliver(mirror);
    EXPECT_EQ(mirror.commands.size(), 1u);
    v.close();
    showWindow(v);
    EXPECT_EQ(kinds(mirror.commands), (std::vector<Case>{Case::refreshLogin, Case::refreshLogin}));
}

TEST_F(WelcomeViewTest, TheLoginToggleAsksAndShowsTheAgentsValue) {
    auto& v = view();
    auto* toggle = control<BoundToggle>(v, "welcomeLoginToggle");
    ASSERT_TRUE(toggle);
    EXPECT_EQ(toggle->text(), "로그인할 때 Kavrinet 실행");
    EXPECT_TRUE(toggle->isSwitch());
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_TRUE(toggle->isEnabled());
    click(toggle);
    ASSERT_EQ(mirror.commands.size(), 2u);
    EXPECT_EQ(mirror.commands[1], ObserverUICommand::withFlag(Case::login, true));
    // No flip until the agent answers.
    EXPECT_FALSE(toggle->isChecked());
    mirror.state.loginEnabled = true;
    mirror.state.loginBusy = true;
    deliver(mirror);
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_FALSE(toggle->isEnabled());
    mirror.state.loginBusy = false;
    deliver(mirror);
    click(toggle);
    EXPECT_EQ(mirror.commands.back(), ObserverUICommand::withFlag(Case::login, false));
    EXPECT_TRUE(toggle->isChecked());
}

TEST_F(WelcomeViewTest, ApprovalAndErrorShowOnlyWhenTheLoginItemReportsThem) {
    auto& v = view();
    EXPECT_FALSE(v.approvalButton()->isVisible());
    EXPECT_FALSE(v.loginError()->isVisible());
    writeScreenshot(v, "welcome-no-device");

    mirror.state.loginRequiresApproval = true;
    mirror.state.loginError = "자동 실행 항목을 쓰지 못했습니다.";
    deliver(mirror);
    ASSERT_TRUE(v.approvalButton()->isVisible());
    EXPECT_EQ(v.approvalButton()->text(), "시스템 설정에서 승인하기");
    EXPECT_TRUE(v.loginError()->isVisible());
    EXPECT_EQ(v.loginError()->text(), "자동 실행 항목을 쓰지 못했습니다.");
    EXPECT_EQ(v.loginError()->palette().color(QPalette::WindowText), WelcomeView::errorColour);
    v.resize(v.sizeHint());
    QCoreApplication::processEvents();
    writeScreenshot(v, "welcome-approval-error");
    click(v.approvalButton());
    EXPECT_EQ(actions(), std::vector<Case>{Case::approvalSettings});
}

TEST_F(WelcomeViewTest, StartingRemembersTheDriveThenCompletesAndOpensTheDashboard) {
    mirror.withDevices({viewtest::device("disk-a", "Travel")});
    auto& v = view();
    click(control<ObserverActionButton>(v, "completeOnboarding"));
    EXPECT_EQ(actions(), (std::vector<Case>{Case::remember, Case::completeOnboarding}));
    EXPECT_EQ(presenter.closed, std::vector<std::string>{"welcome"});
    EXPECT_EQ(presenter.shown, std::vector<std::string>{"status"});
}

TEST_F(WelcomeViewTest, ReturnStartsWithoutADevice) {
    auto& v = view();
    EXPECT_EQ(control<ObserverActionButton>(v, "completeOnboarding")->text(), "장치 없이 시작");
    v.activateWindow();
    QTest::keyClick(&v, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(actions(), std::vector<Case>{Case::completeOnboarding});
    EXPECT_EQ(presenter.closed, std::vector<std::string>{"welcome"});
    EXPECT_EQ(presenter.shown, std::vector<std::string>{"status"});
}

TEST_F(WelcomeViewTest, ClosingTheWindowDoesNotCompleteOnboarding) {
    mirror.withDevices({viewtest::device("disk-a", "Travel")});
    auto& v = view();
    v.close();
    QCoreApplication::processEvents();
    EXPECT_TRUE(actions().empty());
    EXPECT_TRUE(presenter.shown.empty());
}

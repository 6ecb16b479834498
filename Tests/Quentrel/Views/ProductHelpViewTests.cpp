// The help and about windows: the section by window id, the picker, the topics and the welcome button.
#include <QAbstractButton>
#include <QLabel>
#include <gtest/gtest.h>

#include "Platform/Foundation/BundleInfo.h"
#include "Quentrel/Views/Controls/ObserverActionStyle.h"
#include "Quentrel/Views/ProductHelpView.h"
#include "SecondaryWindowsWidgets.h"

using namespace quentrel;
using namespace secondarywindows;

namespace {

class HelpWindow : public ::testing::Test {
protected:
    void SetUp() override { quentrel::testing::applyTheme(); }

    ProductHelpView& open(const char* windowID) {
        view = std::make_unique<ProductHelpView>(*helpSectionForWindow(windowID));
        view->resize(600, 620);
        present(*view);
        return *view;
    }
    QAbstractButton* segment(const char* title) {
        QWidget* picker = named<QWidget>(*view, "helpSectionPicker");
        return picker ? buttonTitled(*picker, title) : nullptr;
    }
    // The topic titles in display order: headline labels that cannot be selected.
    std::vector<std::string> topicTitles() {
        std::vector<std::string> titles;
        for (const auto& topic : view->model().topics) {
            QLabel* title = labelWithText(*view, topic.title);
            QLabel* text = labelWithText(*view, topic.text);
            EXPECT_TRUE(shows(title) && shows(text)) << topic.title;
            if (!title || !text) continue;
            EXPECT_EQ(title->textInteractionFlags() & Qt::TextSelectableByMouse, 0) << topic.title;
            EXPECT_TRUE(text->textInteractionFlags() & Qt::TextSelectableByMouse) << topic.title;
            EXPECT_TRUE(text->wordWrap()) << topic.title;
            titles.push_back(topic.title);
        }
        return titles;
    }

    std::unique_ptr<ProductHelpView> view;
};

}  // namespace

TEST_F(HelpWindow, helpOpensOnTheUsageSection) {
    open("help");
    EXPECT_EQ(view->objectName(), "help");
    EXPECT_EQ(view->section(), HelpSection::usage);
    QWidget* picker = named<QWidget>(*view, "helpSectionPicker");
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->accessibleName(), "도움말 주제");
    std::vector<std::string> segments;
    for (auto* b : picker->findChildren<QAbstractButton*>()) segments.push_back(b->text().toStdString());
    EXPECT_EQ(segments, (std::vector<std::string>{"사용법", "개인정보", "앱 제거", "앱 정보"}));
    EXPECT_TRUE(segment("사용법")->isChecked());
    EXPECT_EQ(topicTitles().size(), 7u);
    EXPECT_TRUE(shows(labelWithText(*view, "외장 드라이브의 연결과 활동을 빠르게 확인하세요.")));
    EXPECT_EQ(buttonTitled(*view, "시작 안내 다시 보기"), nullptr);
    quentrel::testing::writeScreenshot(*view, QStringLiteral("help-usage"));
}

TEST_F(HelpWindow, aboutOpensOnTheAboutSectionAndItsButtonAsksForTheWelcomeWindow) {
    PresenterRecorder presenter;
    open("about");
    EXPECT_EQ(view->objectName(), "about");
    EXPECT_TRUE(segment("앱 정보")->isChecked());
    const auto titles = topicTitles();
    ASSERT_EQ(titles.size(), 3u);
    EXPECT_EQ(titles[0], ProductIdentity::running().displayName);
    auto* welcome = buttonTitled<ObserverActionButton>(*view, "시작 안내 다시 보기");
    ASSERT_TRUE(shows(welcome));
    EXPECT_EQ(welcome->symbol(), "sparkles");
    EXPECT_FALSE(welcome->isProminent());
    click(welcome);
    EXPECT_EQ(presenter.shown, std::vector<std::string>{"welcome"});
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(view->section(), HelpSection::about);
    quentrel::testing::writeScreenshot(*view, QStringLiteral("help-about"));
}

TEST_F(HelpWindow, thePickerChangesTheSectionAndThePrivacyTopicIsAskedForAtEachShowing) {
    open("help");
    click(segment("앱 제거"));
    EXPECT_EQ(view->section(), HelpSection::removal);
    EXPECT_EQ(topicTitles().size(), 4u);
    EXPECT_FALSE(shows(labelWithText(*view, "메뉴 막대에서 한눈에")));

    click(segment("개인정보"));
    EXPECT_EQ(topicTitles().back(), "네트워크");
    quentrel::testing::writeScreenshot(*view, QStringLiteral("help-privacy"));

    platform::BundleInfo bundle;
    bundle.infoDictionary = {
        {"KavrinetUpdatesConfigured", true},      {"SUEnableAutomaticChecks", false},
        {"SUAutomaticallyUpdate", false},         {"SUAllowsAutomaticUpdates", false},
        {"SUEnableSystemProfiling", false},       {"SUVerifyUpdateBeforeExtraction", true},
        {"SURequireSignedFeed", true},            {"SUSignedFeedFailureExpirationInterval", 0},
        {"KavrinetUpdateChannel", "stable"},      {"SUFeedURL", "https://updates.example.com/appcast.xml"},
        {"SUPublicEDKey", "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8="},
    };
    platform::ScopedMainBundle scoped(bundle);
    click(segment("사용법"));
    click(segment("개인정보"));
    const auto titles = topicTitles();
    ASSERT_EQ(titles.size(), 4u);
    EXPECT_EQ(titles.back(), "업데이트 확인");
    EXPECT_EQ(titles.front(), "파일 내용은 수집하지 않습니다");
}

// The keyboard reaches the picker at the chosen segment, and an arrow chooses the one beside it.
TEST_F(HelpWindow, theKeyboardIsOnTheChosenSegment) {
    open("about").activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    EXPECT_EQ(QApplication::focusWidget(), segment("앱 정보"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), segment("앱 제거"));
    EXPECT_EQ(view->section(), HelpSection::removal);
}

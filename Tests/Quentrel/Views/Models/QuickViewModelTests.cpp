#include "Quentrel/Views/Models/QuickViewModel.h"

#include <gtest/gtest.h>

#include "MirrorFixture.h"

using namespace quentrel;
using viewtest::device;

namespace {
const auto& locale = FixedLocaleFormatter::shared();
using IconButton = QuickViewModel::IconButton;
using MenuItem = QuickViewModel::MenuItem;

class QuickViewModelTest : public ::testing::Test {
protected:
    QuickViewModel model() { return QuickViewModel::make(mirror.apply(), locale); }
    bool deviceInfoEnabled() { return model().menu[1].enabled; }
    viewtest::Mirror mirror;
};

wendmark::DeviceSnapshot unmounted(std::string id) {
    auto d = device(std::move(id), "Data");
    d.volumes = {viewtest::volume("sdb1", "Data", false, 1)};
    return d;
}
}  // namespace

TEST_F(QuickViewModelTest, TheHeaderMenuAndFooterCarryTheirTexts) {
    const auto m = model();
    EXPECT_EQ(m.title, "Kavrinet");
    EXPECT_EQ(m.close, (QuickViewModel::SymbolButton{"xmark", "빠른 보기 닫기"}));
    EXPECT_EQ(m.settings, (QuickViewModel::SymbolButton{"gearshape", "설정"}));
    EXPECT_EQ(m.settingsWindow, "settings");
    EXPECT_EQ(m.more, (QuickViewModel::SymbolButton{"ellipsis", "더 보기"}));
    const std::vector<MenuItem> menu = {
        {"활동 기록", "clock.arrow.circlepath", "Ctrl+L", true, "activity-log"},
        {"장치 정보", "info.circle", "", false, "device-details"},
        {"시작 안내", "sparkle", "", true, "welcome"},
        {"", "", "", true, ""},
        {"Kavrinet 종료", "", "Ctrl+Q", true, ""},
    };
    EXPECT_EQ(m.menu, menu);
    EXPECT_TRUE(m.menu[3].isDivider());
    EXPECT_EQ(m.dashboard, (QuickViewModel::TextButton{"대시보드", "macwindow", "Ctrl+O", "status"}));
    EXPECT_EQ(m.empty, (QuickViewModel::EmptyState{"waveform.path", "장치를 선택하면 활동이 표시됩니다"}));
}

TEST_F(QuickViewModelTest, WithoutASelectedDeviceTheEmptyStateShows) {
    for (int round = 0; round < 3; ++round) {
        if (round == 1) mirror.withDevices({device("driver:1", "Data")}, std::nullopt);
        if (round == 2) mirror.state.selectedID = "driver:gone";
        const auto m = model();
        EXPECT_FALSE(m.device) << round;
        EXPECT_FALSE(m.menu[1].enabled);
        EXPECT_EQ(m.finder, (IconButton{"Finder 열기", "folder", false, false}));
        EXPECT_EQ(m.pause, (IconButton{"I/O 관측 일시중지", "pause.fill", false, true}));
    }
}

TEST_F(QuickViewModelTest, ASelectedDeviceShowsItsPanelAndGraph) {
    mirror.withDevices({device("driver:1", "Data"), device("driver:2", "Backup", 2)}, 1);
    mirror.state.intervals = {{7, platform::Date{viewtest::kNow - 1}, platform::Date{viewtest::kNow}, 2e6, 0}};
    mirror.state.sampling = {true, 1.0, "창"};
    const auto m = model();
    ASSERT_TRUE(m.device);
    EXPECT_TRUE(m.device->panel.compact);
    EXPECT_EQ(m.device->panel.read.peakLine, "최근 5분 최고 2.0 MB/s");
    EXPECT_EQ(m.device->graph.identity, "driver:2");
    EXPECT_EQ(m.device->graph.intervals, mirror.state.intervals);
    EXPECT_EQ(m.device->graph.referenceDate, platform::Date{viewtest::kNow});
    EXPECT_TRUE(m.device->graph.collecting);
    EXPECT_EQ(m.device->graph.samplingInterval, 1.0);
    EXPECT_TRUE(m.device->graph.compact);
    EXPECT_TRUE(m.menu[1].enabled);
    EXPECT_TRUE(m.finder.enabled);

    mirror.state.sampling = {false, 30.0, "꺼짐"};
    const auto off = model();
    EXPECT_FALSE(off.device->graph.collecting);
    EXPECT_EQ(off.device->graph.samplingInterval, 30.0);
    EXPECT_EQ(off.device->panel.badgeTitle, "이전 표본");
}

TEST_F(QuickViewModelTest, TheFinderNeedsAMountedVolume) {
    mirror.withDevices({unmounted("driver:1")});
    const auto m = model();
    EXPECT_TRUE(m.device);
    EXPECT_TRUE(m.menu[1].enabled);
    EXPECT_FALSE(m.finder.enabled);
}

TEST_F(QuickViewModelTest, SleepDisablesOnlyTheFinderAndPauseButtons) {
    mirror.withDevices({device("driver:1", "Data")});
    mirror.state.isSystemSleeping = true;
    const auto m = model();
    EXPECT_FALSE(m.finder.enabled);
    EXPECT_FALSE(m.pause.enabled);
    for (const auto& item : m.menu) EXPECT_TRUE(item.enabled) << item.title;
    mirror.state.isPaused = true;
    EXPECT_FALSE(model().pause.enabled);
}

TEST_F(QuickViewModelTest, PausingTurnsThePauseButtonIntoResume) {
    mirror.state.isPaused = true;
    EXPECT_EQ(model().pause, (IconButton{"I/O 관측 재개", "play.fill", true, true}));
    mirror.state.isPaused = false;
    EXPECT_EQ(model().pause, (IconButton{"I/O 관측 일시중지", "pause.fill", false, true}));
}

TEST_F(QuickViewModelTest, ThePromptShowsUntilOnboardingIsCompleted) {
    mirror.state.onboardingCompleted = false;
    EXPECT_EQ(model().onboarding, (QuickViewModel::Prompt{"처음이라면, 시작 안내 보기", "sparkle", "welcome"}));
    mirror.state.onboardingCompleted = true;
    EXPECT_FALSE(model().onboarding);
}

TEST_F(QuickViewModelTest, TheErrorLineIsTheMessageVerbatimEvenWhenEmpty) {
    EXPECT_FALSE(model().errorLine);
    mirror.state.errorMessage = "볼륨 연결과 경로를 다시 확인한 뒤 Finder를 열어주세요.";
    EXPECT_EQ(model().errorLine, "볼륨 연결과 경로를 다시 확인한 뒤 Finder를 열어주세요.");
    mirror.state.errorMessage = "";
    EXPECT_EQ(model().errorLine, "");
}

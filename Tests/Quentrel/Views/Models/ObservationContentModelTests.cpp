#include <gtest/gtest.h>

#include "MirrorFixture.h"
#include "Quentrel/Views/Models/ObservationContentModel.h"

using quentrel::ObservationContentModel;
using quentrel::ObserverUICommand;

namespace {
ObservationContentModel dashboard(viewtest::Mirror& mirror) { return ObservationContentModel::make(mirror.apply()); }
}  // namespace

TEST(ObservationContentModel, theEmptyStateTellsWhetherAnyDriveIsAttached) {
    viewtest::Mirror mirror;
    auto m = dashboard(mirror);
    EXPECT_FALSE(m.device);
    EXPECT_EQ(m.emptyText, "연결을 기다리고 있어요");
    mirror.withDevices({viewtest::device("driver:1", "A")}, std::nullopt);
    EXPECT_EQ(dashboard(mirror).emptyText, "위에서 관측할 장치를 선택하세요");
    mirror.state.selectedID = "driver:gone";
    EXPECT_FALSE(dashboard(mirror).device);
}

TEST(ObservationContentModel, theActionBarFollowsSleepPauseSamplingAndMountedVolumes) {
    struct Case {
        bool asleep, paused, sampling, mounted;
        bool finder, pause, refresh;
        std::string_view pauseTitle, pauseSymbol, mode, modeSymbol;
    } cases[] = {
        {false, false, true, true, true, true, true, "I/O 관측 일시중지", "pause.fill", "관측 중", "circle.dotted"},
        {false, false, false, true, true, true, false, "I/O 관측 일시중지", "pause.fill", "이벤트 대기", "circle.dotted"},
        {false, true, false, true, true, true, false, "I/O 관측 재개", "play.fill", "관측 일시중지", "pause.circle"},
        {true, true, false, true, false, false, false, "I/O 관측 재개", "play.fill", "잠자기 중", "moon.zzz"},
        {false, false, true, false, false, true, true, "I/O 관측 일시중지", "pause.fill", "관측 중", "circle.dotted"},
    };
    for (const auto& c : cases) {
        viewtest::Mirror mirror;
        auto d = viewtest::device("driver:1", "A");
        if (!c.mounted) d.volumes = {viewtest::volume("sdb1", "A", false, 1)};
        mirror.withDevices({d});
        mirror.state.isSystemSleeping = c.asleep;
        mirror.state.isPaused = c.paused;
        mirror.state.sampling.enabled = c.sampling;
        const auto m = dashboard(mirror);
        ASSERT_TRUE(m.device);
        SCOPED_TRACE(std::string(c.mode));
        EXPECT_EQ(m.device->finderEnabled, c.finder);
        EXPECT_EQ(m.device->pauseEnabled, c.pause);
        EXPECT_EQ(m.device->refreshEnabled, c.refresh);
        EXPECT_EQ(m.device->pauseButton.title, c.pauseTitle);
        EXPECT_EQ(m.device->pauseButton.symbol, c.pauseSymbol);
        EXPECT_EQ(m.device->pauseHighlighted, c.paused);
        EXPECT_EQ(m.device->pauseRequest, !c.paused);
        EXPECT_EQ(m.modeText, c.mode);
        EXPECT_EQ(m.modeSymbol, c.modeSymbol);
    }
}

TEST(ObservationContentModel, theGraphGetsTheSelectedDevicesHistory) {
    viewtest::Mirror mirror;
    mirror.withDevices({viewtest::device("driver:1", "A"), viewtest::device("driver:2", "B")}, 1);
    mirror.state.intervals = {{3, platform::Date{viewtest::kNow - 2}, platform::Date{viewtest::kNow - 1}, 5, 6}};
    mirror.state.sampling = {true, 1.5, ""};
    const auto graph = dashboard(mirror).device->graph;
    EXPECT_EQ(graph.identity, "driver:2");
    EXPECT_EQ(graph.intervals, mirror.state.intervals);
    EXPECT_EQ(graph.referenceDate, platform::Date{viewtest::kNow});
    EXPECT_TRUE(graph.collecting);
    EXPECT_EQ(graph.samplingInterval, 1.5);
}

TEST(ObservationContentModel, anErrorMessageIsShownAsItIs) {
    viewtest::Mirror mirror;
    EXPECT_FALSE(dashboard(mirror).errorMessage);
    mirror.state.errorMessage = "";
    EXPECT_EQ(dashboard(mirror).errorMessage, "");
}

TEST(ObservationContentModel, aMirrorRefreshesThroughItsSinkAndNothingElse) {
    viewtest::Mirror mirror;
    std::vector<ObserverUICommand> sent;
    mirror.state.isPaused = true;  // the agent decides; the mirror sends regardless
    ObservationContentModel::refreshObservation(mirror.apply(), [&](const ObserverUICommand& c) { sent.push_back(c); });
    EXPECT_EQ(sent, std::vector{ObserverUICommand::make(ObserverUICommand::Case::refresh)});
    EXPECT_TRUE(mirror.commands.empty());
    ObservationContentModel::refreshObservation(*mirror.store, {});
    EXPECT_EQ(sent.size(), 1u);
}

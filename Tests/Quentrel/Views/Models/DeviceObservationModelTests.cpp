#include "Quentrel/Views/Models/DeviceObservationModel.h"

#include <limits>

#include <gtest/gtest.h>

#include "MirrorFixture.h"

using namespace quentrel;
using wendmark::ActivityKind;
using wendmark::ActivitySample;
using wendmark::ObservedPeakRates;

namespace {
constexpr double endless = std::numeric_limits<double>::infinity();
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
const auto& locale = FixedLocaleFormatter::shared();

ObservedPeakRates peaks(std::optional<double> read, std::optional<double> write) {
    ObservedPeakRates p({});
    p.read = read;
    p.write = write;
    return p;
}
const ObservedPeakRates noPeaks = peaks(std::nullopt, std::nullopt);

wendmark::DeviceSnapshot withSample(ActivitySample sample) {
    auto d = viewtest::device("driver:1", "Data");
    d.activity = sample;
    return d;
}
ActivitySample measured(double seconds, std::uint64_t read, std::uint64_t written) {
    return ActivitySample::measured(seconds, read, written, platform::Date{viewtest::kNow});
}
ActivitySample unmeasured(ActivityKind kind) {
    return ActivitySample::unmeasured(kind, "이유", platform::Date{viewtest::kNow});
}
DeviceObservationModel panel(ActivitySample sample, bool historical = false, bool awaiting = false,
                             const ObservedPeakRates& p = noPeaks) {
    return DeviceObservationModel::make(withSample(sample), historical, awaiting, false, p, locale);
}
}  // namespace

TEST(DeviceObservationModel, TheFirstBadgeRuleThatHoldsWins) {
    struct Case {
        ActivitySample sample;
        bool historical, awaiting;
        const char* title;
        const char* symbol;
    } cases[] = {
        {measured(1, 5, 0), true, true, "이전 표본", "pause.circle"},
        {unmeasured(ActivityKind::unavailable), true, false, "이전 표본", "pause.circle"},
        {measured(1, 5, 0), false, true, "측정 준비", "ellipsis.circle"},
        {unmeasured(ActivityKind::preparing), false, false, "측정 준비", "ellipsis.circle"},
        {measured(1, 0, 0), false, false, "관측 구간 활동 없음", "circle.dotted"},
        {measured(1, 5, 0), false, false, "I/O 활동", "waveform"},
        {unmeasured(ActivityKind::unavailable), false, false, "통계 확인 불가", "questionmark.circle"},
        {unmeasured(ActivityKind::interrupted), false, false, "다시 측정 중", "arrow.triangle.2.circlepath"},
    };
    for (const auto& c : cases) {
        const auto m = panel(c.sample, c.historical, c.awaiting);
        EXPECT_EQ(m.badgeTitle, c.title);
        EXPECT_EQ(m.badgeSymbol, c.symbol);
        EXPECT_EQ(m.badgeMuted, c.historical) << c.title;
    }
}

TEST(DeviceObservationModel, AwaitingAFreshSampleHidesTheRatesButNotThePeaks) {
    const auto m = panel(measured(1, 12'300'000, 5'000), false, true, peaks(45.6e6, 2e3));
    for (const auto* column : {&m.read, &m.write}) {
        EXPECT_EQ(column->value, "—");
        EXPECT_EQ(column->unit, "B/s");
    }
    EXPECT_EQ(m.read.peakLine, "최근 5분 최고 45.6 MB/s");
    EXPECT_EQ(m.write.peakLine, "최근 5분 최고 2.0 KB/s");
    EXPECT_EQ(m.footerSymbol, "clock");
    EXPECT_FALSE(m.intervalText);
    EXPECT_EQ(m.separator, "");
    EXPECT_EQ(m.timeText, "다음 표본을 기다립니다");
}

TEST(DeviceObservationModel, AHistoricalSampleKeepsItsRatesAndSaysSo) {
    const auto m = panel(measured(1, 12'300'000, 0), true, false, peaks(45.6e6, std::nullopt));
    EXPECT_EQ(m.read.value, "12.3");
    EXPECT_EQ(m.read.unit, "MB/s");
    EXPECT_EQ(m.footerSymbol, "clock.arrow.circlepath");
    EXPECT_EQ(m.read.accessibilityLabel, "읽기 속도 12.3 MB/s, 이전 표본, 최근 5분 관측 최고 45.6 MB/s");
    EXPECT_EQ(m.write.accessibilityLabel, "쓰기 속도 0 B/s, 이전 표본, 최근 5분 관측 최고 관측 대기");
}

TEST(DeviceObservationModel, ColumnsReadTheirOwnCountsAndLabelThemselves) {
    const auto m = panel(measured(2, 24'600'000, 3'000'000'000), false, false, peaks(45.6e6, endless));
    EXPECT_EQ(m.read.title, "읽기");
    EXPECT_EQ(m.read.symbol, "arrow.down.left");
    EXPECT_EQ(m.write.title, "쓰기");
    EXPECT_EQ(m.write.symbol, "arrow.up.right");
    EXPECT_EQ(m.read.accessibilityLabel, "읽기 속도 12.3 MB/s, 최근 5분 관측 최고 45.6 MB/s");
    EXPECT_EQ(m.write.value, "1.5");
    EXPECT_EQ(m.write.unit, "GB/s");
    // A peak that is not a usable rate reads as no rate.
    EXPECT_EQ(m.write.peakLine, "최근 5분 최고 — B/s");
    EXPECT_EQ(m.read.peakHelp,
              "관측한 구간 평균 중 최고값입니다. SSD·HDD의 최대 성능 시험이나 제조사 표기 사양이 아닙니다.");
    EXPECT_EQ(m.write.peakHelp, m.read.peakHelp);
    EXPECT_EQ(m.headerTitle, "읽기 · 쓰기");
    EXPECT_EQ(panel(measured(1, 0, 0), false, false, peaks(-1, notANumber)).read.peakLine, "최근 5분 최고 — B/s");
}

TEST(DeviceObservationModel, TheUnitIsChosenOnTheUnroundedRate) {
    struct Case {
        std::uint64_t bytes;
        double seconds;
        const char* value;
        const char* unit;
    } cases[] = {
        {9'996, 10, "1000", "B/s"},
        {1'000, 1, "1.0", "KB/s"},
        {1'500'000'000, 1, "1.5", "GB/s"},
        {0, 1, "0", "B/s"},
    };
    for (const auto& c : cases) {
        const auto m = panel(measured(c.seconds, c.bytes, 0));
        EXPECT_EQ(m.read.value, c.value) << c.bytes;
        EXPECT_EQ(m.read.unit, c.unit) << c.bytes;
    }
}

TEST(DeviceObservationModel, SamplesWithoutAMeasurementShowNoRateAndNoInterval) {
    for (auto kind : {ActivityKind::unavailable, ActivityKind::interrupted, ActivityKind::preparing}) {
        const auto m = panel(unmeasured(kind));
        EXPECT_EQ(m.read.value, "—");
        EXPECT_EQ(m.write.unit, "B/s");
        EXPECT_FALSE(m.intervalText);
        EXPECT_EQ(m.timeText, "20:26:40");
    }
}

TEST(DeviceObservationModel, AnIdleSampleShowsZeroAndItsInterval) {
    const auto m = panel(measured(1.0, 0, 0));
    EXPECT_EQ(m.read.value, "0");
    EXPECT_EQ(m.read.unit, "B/s");
    EXPECT_EQ(m.badgeTitle, "관측 구간 활동 없음");
    EXPECT_EQ(m.intervalText, "1.0초 구간");
    EXPECT_EQ(m.separator, "·");
    EXPECT_EQ(m.timeText, "20:26:40");
}

TEST(DeviceObservationModel, OnlyAFiniteIntervalLengthIsShown) {
    for (double seconds : {endless, notANumber}) {
        ActivitySample s = measured(1, 0, 0);
        s.intervalSeconds = seconds;
        const auto m = panel(s);
        EXPECT_FALSE(m.intervalText) << seconds;
        EXPECT_EQ(m.separator, "");
        EXPECT_EQ(m.read.value, "—");
    }
    EXPECT_EQ(panel(measured(0.25, 0, 0)).intervalText, "0.2초 구간");
}

TEST(DeviceObservationModel, BothPeaksAbsentReadAsAwaitingInLineAndLabel) {
    const auto m = panel(measured(1, 5, 5));
    EXPECT_EQ(m.read.peakLine, "최근 5분 최고 관측 대기");
    EXPECT_EQ(m.write.peakLine, "최근 5분 최고 관측 대기");
    EXPECT_TRUE(m.read.accessibilityLabel.ends_with(", 최근 5분 관측 최고 관측 대기"));
    EXPECT_TRUE(m.write.accessibilityLabel.ends_with(", 최근 5분 관측 최고 관측 대기"));
}

TEST(DeviceObservationModel, CompactChangesNoText) {
    const auto d = withSample(measured(1, 5, 5));
    auto full = DeviceObservationModel::make(d, false, false, false, noPeaks, locale);
    const auto compact = DeviceObservationModel::make(d, false, false, true, noPeaks, locale);
    EXPECT_TRUE(compact.compact);
    full.compact = true;
    EXPECT_EQ(full, compact);
}

TEST(DeviceObservationModel, TheStoreGivesTheSelectedDeviceWithItsFlagsAndPeaks) {
    viewtest::Mirror mirror;
    mirror.withDevices({viewtest::device("driver:1", "Data"), viewtest::device("driver:2", "Backup", 2, 0)}, 1);
    mirror.state.intervals = {{1, platform::Date{viewtest::kNow - 2}, platform::Date{viewtest::kNow - 1}, 4e6, 7e3},
                              {2, platform::Date{viewtest::kNow - 1}, platform::Date{viewtest::kNow}, 3e6, 9e3}};
    mirror.state.sampling.enabled = false;
    auto m = DeviceObservationModel::fromStore(mirror.apply(), true, locale);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->badgeTitle, "이전 표본");
    EXPECT_EQ(m->read.value, "0");
    EXPECT_EQ(m->read.peakLine, "최근 5분 최고 4.0 MB/s");
    EXPECT_EQ(m->write.peakLine, "최근 5분 최고 9.0 KB/s");
    EXPECT_TRUE(m->compact);

    mirror.state.sampling.enabled = true;
    mirror.state.awaitingFreshSample = true;
    m = DeviceObservationModel::fromStore(mirror.apply(), false, locale);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->badgeTitle, "측정 준비");

    mirror.state.selectedID = "driver:gone";
    EXPECT_FALSE(DeviceObservationModel::fromStore(mirror.apply(), false, locale));
    mirror.state.selectedID.reset();
    EXPECT_FALSE(DeviceObservationModel::fromStore(mirror.apply(), false, locale));
}

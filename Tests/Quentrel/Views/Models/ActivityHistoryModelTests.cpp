#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FixedLocaleTexts.h"
#include "Quentrel/Views/Models/ActivityHistoryModel.h"

using quentrel::ActivityHistoryInput;
using quentrel::ActivityHistoryLayout;
using quentrel::ActivityHistoryModel;
using quentrel::GraphInspection;
using wendmark::ActivityInterval;

namespace {
// 00:10:00 UTC of some day: the window runs from 00:05:00.
constexpr double ref = 700'000'000 - 700'000'000 % 86400 + 600;
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

ActivityInterval interval(std::uint64_t id, double startAgo, double endAgo, double read = 0, double write = 0) {
    return {id, platform::Date{ref - startAgo}, platform::Date{ref - endAgo}, read, write};
}

platform::Date ago(double seconds) { return platform::Date{ref - seconds}; }

ActivityHistoryInput input(std::vector<ActivityInterval> intervals, bool collecting = true, double interval = 1) {
    return {std::move(intervals), platform::Date{ref}, collecting, interval, std::string("driver:1")};
}

ActivityHistoryModel model(const ActivityHistoryInput& in, std::optional<platform::Date> inspected = {}) {
    return ActivityHistoryModel::make(in, GraphInspection{inspected}, quentrel::testing::FixedLocaleTexts{});
}

// Three intervals with a gap between the second and the third.
std::vector<ActivityInterval> three() {
    return {interval(1, 100, 90, 10, 1), interval(2, 90, 80, 20, 2), interval(3, 40, 30, 30, 3)};
}
}  // namespace

TEST(GraphInspection, aPointerInsideThePlotInspectsTheInstantUnderIt) {
    GraphInspection inspection;
    inspection.select(100, 10, 200, 70, platform::Date{ref});
    EXPECT_EQ(inspection.date, ago(150));
    inspection.select(0, 0, 200, 70, platform::Date{ref});
    EXPECT_EQ(inspection.date, ago(300));
}

TEST(GraphInspection, aPointerOnTheFarEdgesOrOutsideOrAPlotWithoutWidthChangesNothing) {
    struct Case {
        double x, y, width, height;
    } cases[] = {{200, 10, 200, 70}, {100, 70, 200, 70}, {-1, 10, 200, 70}, {10, -1, 200, 70},
                 {0, 0, 0, 70},      {0, 0, -5, 70},     {0, 0, notANumber, 70},   {notANumber, 10, 200, 70}, {5, 0, 200, 0}};
    for (const auto& c : cases) {
        GraphInspection inspection{ago(7)};
        inspection.select(c.x, c.y, c.width, c.height, platform::Date{ref});
        EXPECT_EQ(inspection.date, ago(7)) << c.x << "," << c.y << " in " << c.width << "×" << c.height;
    }
}

TEST(GraphInspection, stepsFromNothingGoToTheLastOrTheFirstInterval) {
    GraphInspection back, forward;
    back.step(-1, three(), platform::Date{ref});
    forward.step(+1, three(), platform::Date{ref});
    EXPECT_EQ(back.date, ago(35));
    EXPECT_EQ(forward.date, ago(95));
}

TEST(GraphInspection, stepsMoveAlongTheListAndStayAtItsEnds) {
    GraphInspection inspection{ago(85)};  // in the second interval
    inspection.step(+1, three(), platform::Date{ref});
    EXPECT_EQ(inspection.date, ago(35));
    inspection.step(+1, three(), platform::Date{ref});
    EXPECT_EQ(inspection.date, ago(35));
    inspection.step(-1, three(), platform::Date{ref});
    inspection.step(-1, three(), platform::Date{ref});
    inspection.step(-1, three(), platform::Date{ref});
    EXPECT_EQ(inspection.date, ago(95));
}

TEST(GraphInspection, fromAGapTheRightArrowGoesToTheFirstIntervalOfTheList) {
    GraphInspection forward{ago(60)}, back{ago(60)};
    forward.step(+1, three(), platform::Date{ref});
    back.step(-1, three(), platform::Date{ref});
    EXPECT_EQ(forward.date, ago(95));
    EXPECT_EQ(back.date, ago(35));
}

TEST(GraphInspection, aSharedBoundaryBelongsToTheFirstIntervalAndTheFirstOfAnIdCounts) {
    // At the boundary of 1 and 2 the current interval is 1, so +1 goes to 2.
    GraphInspection inspection{ago(90)};
    inspection.step(+1, three(), platform::Date{ref});
    EXPECT_EQ(inspection.date, ago(85));
    // An id met twice: the position is that of its first interval.
    std::vector<ActivityInterval> repeated{interval(7, 100, 90), interval(8, 90, 80), interval(7, 20, 10)};
    GraphInspection onRepeat{ago(15)};
    onRepeat.step(+1, repeated, platform::Date{ref});
    EXPECT_EQ(onRepeat.date, ago(85));
}

TEST(GraphInspection, anInstantThatLeftTheWindowCountsAsNothingButIsKept) {
    GraphInspection inspection{ago(301)};
    EXPECT_FALSE(inspection.selectedDate(platform::Date{ref}));
    EXPECT_EQ(inspection.selectedDate(platform::Date{ref - 1}), ago(301));
    inspection.step(-1, three(), platform::Date{ref});
    EXPECT_EQ(inspection.date, ago(35));
}

TEST(GraphInspection, withoutIntervalsStepsChangeNothing) {
    GraphInspection inspection{ago(20)}, none;
    inspection.step(+1, {}, platform::Date{ref});
    none.step(-1, {}, platform::Date{ref});
    EXPECT_EQ(inspection.date, ago(20));
    EXPECT_FALSE(none.date);
}

TEST(ActivityHistoryModel, anEmptyHistoryWaitsWhateverTheSamplingState) {
    for (bool collecting : {true, false}) {
        auto m = model(input({}, collecting), ago(10));
        EXPECT_TRUE(m.isEmpty);
        EXPECT_EQ(m.header, "표본 대기");
        EXPECT_EQ(m.emptyStateText, collecting ? "관측이 쌓이면 여기에 표시됩니다" : "관측을 시작하면 그래프가 나타납니다");
        EXPECT_EQ(m.coverageCaption, "관측 0초 / 5분 · 빈 구간은 미관측");
        EXPECT_EQ(m.summary, "유효한 관측 표본을 기다립니다. 빈 구간은 측정하지 않은 시간입니다.");
        EXPECT_EQ(m.accessibilityValue,
                  "유효한 관측 표본을 기다립니다. 빈 구간은 측정하지 않은 시간입니다. 관측한 시간 0초. "
                  "00:09:50 · 관측하지 않은 구간");
    }
}

TEST(ActivityHistoryModel, theHeaderShowsTheLargerPeakOfAllIntervals) {
    // A 200-second interval counts for the header (unlike the panel's peaks).
    auto m = model(input({interval(1, 250, 50, 1'500'000, 20), interval(2, 10, 9, 100, 2'500'000)}));
    EXPECT_EQ(m.header, "최대 2.5 MB/s");
    EXPECT_EQ(m.peakRead, 1'500'000);
    EXPECT_EQ(m.peakWrite, 2'500'000);
    EXPECT_EQ(model(input({interval(1, 2, 1, 0.01, 0)})).header, "최대 0.0 B/s");
    EXPECT_EQ(model(input({interval(1, 2, 1, 0, 0)})).header, "최대 0 B/s");
    // A first rate that is not a number stays the peak, which prints as the dash.
    EXPECT_EQ(model(input({interval(1, 2, 1, notANumber, notANumber), interval(2, 1, 0, 5, 5)})).header, "최대 — B/s");
}

TEST(ActivityHistoryModel, theTimeLabelsFrameTheWindow) {
    auto m = model(input({}));
    EXPECT_EQ(m.startTimeText, "00:05");
    EXPECT_EQ(m.endTimeText, "00:10:00");
}

TEST(ActivityHistoryModel, theSamplingTextPrintsWholeSeconds) {
    EXPECT_EQ(model(input({}, true, 1.5)).samplingText, "1초 간격");
    EXPECT_EQ(model(input({}, true, 30)).samplingText, "30초 간격");
    EXPECT_EQ(model(input({}, false, 1)).samplingText, "수집 중단");
    EXPECT_EQ(ActivityHistoryModel::samplingIntervalText(true, notANumber), "0초 간격");
    EXPECT_EQ(ActivityHistoryModel::samplingIntervalText(true, -2.7), "-2초 간격");
    EXPECT_EQ(ActivityHistoryModel::samplingIntervalText(true, 1e300), "9223372036854775807초 간격");
    EXPECT_EQ(ActivityHistoryModel::samplingIntervalText(true, -inf), "-9223372036854775808초 간격");
}

TEST(ActivityHistoryModel, coverageCountsWholeSecondsAndMinutes) {
    const std::pair<double, std::string> cases[] = {
        {59.9, "59초"}, {60, "1분 0초"}, {65, "1분 5초"}, {300, "5분 0초"}, {0, "0초"},
        {notANumber, "0초"},   {-5, "0초"},     {inf, "153722867280912930분 7초"},
    };
    for (const auto& [seconds, text] : cases) EXPECT_EQ(ActivityHistoryModel::coverageText(seconds), text) << seconds;
    // Overlaps count once.
    EXPECT_EQ(model(input({interval(1, 100, 40), interval(2, 70, 35)})).coverage, "1분 5초");
}

TEST(ActivityHistoryModel, theInspectionLineNamesTheIntervalByItsEnd) {
    EXPECT_EQ(model(input(three())).inspectionText, "포인터 또는 ← →로 구간 평균 확인");
    EXPECT_FALSE(model(input(three())).hasSelection);
    auto inside = model(input({interval(1, 100, 90, 1'234'567, 999)}), ago(95));
    EXPECT_EQ(inside.inspectionText, "00:08:30 · 읽기 1.2 MB/s · 쓰기 999 B/s");
    EXPECT_TRUE(inside.hasSelection);
    EXPECT_EQ(inside.selectedDate, ago(95));
    EXPECT_EQ(model(input(three()), ago(60)).inspectionText, "00:09:00 · 관측하지 않은 구간");
    EXPECT_EQ(model(input({interval(1, 2, 1, -3, notANumber)}), ago(1.5)).inspectionText, "00:09:59 · 읽기 — B/s · 쓰기 — B/s");
}

TEST(ActivityHistoryModel, anInstantOutsideTheWindowShowsThePrompt) {
    auto m = model(input(three()), ago(400));
    EXPECT_FALSE(m.hasSelection);
    EXPECT_FALSE(m.selectedDate);
    EXPECT_EQ(m.inspectionText, "포인터 또는 ← →로 구간 평균 확인");
}

TEST(ActivityHistoryModel, theAccessibilityValueJoinsSummaryCoverageAndInspection) {
    auto m = model(input(three()), ago(95));
    EXPECT_EQ(m.summary, "00:10:00까지 5분, 3개 관측 구간. 읽기 최대 30.0 B/s, 쓰기 최대 3.0 B/s. 빈 구간은 미관측 시간입니다.");
    EXPECT_EQ(m.accessibilityValue, m.summary + " 관측한 시간 30초. 00:08:30 · 읽기 10.0 B/s · 쓰기 1.0 B/s");
}

TEST(ActivityHistoryModel, theLayoutDiffersOnlyInItsSizes) {
    const auto compact = ActivityHistoryLayout::forCompact(true);
    const auto full = ActivityHistoryLayout::forCompact(false);
    EXPECT_EQ((std::vector{compact.spacing, compact.padding, compact.graphHeight, compact.inspectionMinimumHeight}),
              (std::vector{8, 16, 70, 27}));
    EXPECT_EQ((std::vector{full.spacing, full.padding, full.graphHeight, full.inspectionMinimumHeight}),
              (std::vector{10, 20, 105, 14}));
}

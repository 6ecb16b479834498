#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "LocaleTexts.h"
#include "Platform/Foundation/Date.h"
#include "Wendmark/ActivityInterval.h"

namespace quentrel {

class ObserverStore;

// What the five-minute graph card is given by the view that embeds it.
struct ActivityHistoryInput {
    // The selected device's intervals, in the order supplied; never sorted or filtered here.
    std::vector<wendmark::ActivityInterval> intervals;
    // The end of the window; the window is [referenceDate − 300 s, referenceDate].
    platform::Date referenceDate;
    // Statistics sampling is on.
    bool collecting = false;
    // Seconds between samples.
    double samplingInterval = 0;
    // The card's identity: the selected device's id. A new identity starts a fresh inspection.
    std::optional<std::string> identity;

    // The dashboard's and the quick view's inputs: the store's selected intervals, history
    // reference date, sampling state and selected id.
    static ActivityHistoryInput from(const ObserverStore& store);

    friend bool operator==(const ActivityHistoryInput&, const ActivityHistoryInput&) = default;
};

// The card's only state: the inspected instant, kept as an absolute date across redraws and new
// data, cleared only by a new identity.
struct GraphInspection {
    std::optional<platform::Date> date;

    // The inspected instant while it lies in the window (both ends included), else absent.
    std::optional<platform::Date> selectedDate(platform::Date referenceDate) const;

    // A pointer location in the plot's own coordinates inspects the instant under it; a location
    // outside [0, width) × [0, height), or a plot without width, changes nothing.
    void select(double x, double y, double width, double height, platform::Date referenceDate);

    // −1 or +1: the midpoint of the previous or next interval of the list, clamped at both ends.
    // From nothing selected, or from a gap, −1 goes to the last interval and +1 to the first.
    // Nothing happens without intervals.
    void step(int offset, std::span<const wendmark::ActivityInterval> intervals, platform::Date referenceDate);

    friend bool operator==(const GraphInspection&, const GraphInspection&) = default;
};

// Sizes of the card, which differ between the quick view (compact) and the dashboard.
struct ActivityHistoryLayout {
    int spacing;
    int padding;
    int graphHeight;
    int inspectionMinimumHeight;

    static ActivityHistoryLayout forCompact(bool compact);

    // Fixed in both.
    static constexpr double titleFontSize = 13;
    static constexpr double smallFontSize = 10;
    static constexpr double emptyCaptionFontSize = 11;
    static constexpr double emptySymbolFontSize = 20;
    static constexpr int emptyStateSpacing = 5;
    static constexpr int legendSpacing = 12;
    static constexpr int legendItemSpacing = 5;
    static constexpr int legendMinimumGap = 2;
    static constexpr int legendLineWidth = 16;
    static constexpr int legendLineHeight = 2;
    static constexpr double legendStrokeWidth = 2;
    static constexpr double legendDashOn = 3, legendDashOff = 2;
    static constexpr double legendMiterLimit = 10;
    // The grid's three rules are the border colour at this opacity.
    static constexpr double gridOpacity = 0.6;
    static constexpr int gridRuleCount = 3;
};

// Everything the card shows, as texts and flags; built from scratch at every redraw.
struct ActivityHistoryModel {
    static constexpr std::string_view title = "최근 5분";
    static constexpr std::string_view waitingHeader = "표본 대기";
    static constexpr std::string_view peakHeaderPrefix = "최대 ";
    static constexpr std::string_view emptySymbol = "chart.xyaxis.line";
    static constexpr std::string_view emptyWhileCollecting = "관측이 쌓이면 여기에 표시됩니다";
    static constexpr std::string_view emptyWhileStopped = "관측을 시작하면 그래프가 나타납니다";
    static constexpr std::string_view readLegend = "읽기";
    static constexpr std::string_view writeLegend = "쓰기";
    static constexpr std::string_view samplingSuffix = "초 간격";
    static constexpr std::string_view notCollecting = "수집 중단";
    static constexpr std::string_view coveragePrefix = "관측 ";
    static constexpr std::string_view coverageSuffix = " / 5분 · 빈 구간은 미관측";
    static constexpr std::string_view inspectionPrompt = "포인터 또는 ← →로 구간 평균 확인";
    static constexpr std::string_view inspectionReadPrefix = " · 읽기 ";
    static constexpr std::string_view inspectionWritePrefix = " · 쓰기 ";
    static constexpr std::string_view inspectionGapSuffix = " · 관측하지 않은 구간";
    static constexpr std::string_view waitingSummary = "유효한 관측 표본을 기다립니다. 빈 구간은 측정하지 않은 시간입니다.";
    static constexpr std::string_view accessibilityLabel = "최근 5분 활동 그래프";
    static constexpr std::string_view accessibilityHint = "왼쪽과 오른쪽 화살표로 관측 구간을 확인합니다.";
    static constexpr std::string_view graphIdentifier = "activityHistoryGraph";
    static constexpr std::string_view inspectionIdentifier = "graphInspection";

    bool isEmpty = true;
    // "표본 대기" or "최대 " and the larger peak with its unit.
    std::string header;
    std::string emptyStateText;
    // The window's start (hours and minutes) and end (with seconds).
    std::string startTimeText;
    std::string endTimeText;
    // "<n>초 간격" or "수집 중단".
    std::string samplingText;
    // The covered time: "<m>분 <s>초" from 60 s on, else "<s>초".
    std::string coverage;
    std::string coverageCaption;
    std::string inspectionText;
    // An instant of the window is inspected (the inspection line is in the text colour).
    bool hasSelection = false;
    std::string summary;
    std::string accessibilityValue;
    // Passed to the plot with the intervals and the reference date.
    std::optional<platform::Date> selectedDate;
    // The largest rates over all intervals, 0 without intervals.
    double peakRead = 0;
    double peakWrite = 0;

    static ActivityHistoryModel make(const ActivityHistoryInput& input, const GraphInspection& inspection,
                                     const LocaleTexts& texts);

    // The covered seconds as whole seconds: truncated, NaN as 0, clamped to [0, 2^63 − 1].
    static std::string coverageText(double coveredSeconds);
    // "<n>초 간격" with the whole seconds of `interval` (truncated, NaN as 0, clamped to the
    // 64-bit range), or "수집 중단" when not collecting.
    static std::string samplingIntervalText(bool collecting, double interval);
    // The largest value in list order, as a comparison-based maximum: the first element, then
    // every later one that is greater; 0 for an empty list.
    static double peak(std::span<const wendmark::ActivityInterval> intervals, double wendmark::ActivityInterval::*rate);
};

}  // namespace quentrel

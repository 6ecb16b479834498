#include "ActivityHistoryModel.h"

#include <algorithm>

#include "ActivityPlotGeometry.h"
#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Support/ClampedInteger.h"
#include "Quentrel/Support/TransferRate.h"
#include "Wendmark/SamplingConfiguration.h"

namespace quentrel {

namespace {
constexpr double windowSeconds = ActivityPlotGeometry::windowSeconds;
constexpr std::int64_t secondsPerMinute = 60;
}  // namespace

ActivityHistoryInput ActivityHistoryInput::from(const ObserverStore& store) {
    return {store.selectedIntervals(), store.historyReferenceDate(), store.sampling().enabled,
            store.sampling().interval, store.selectedID()};
}

std::optional<platform::Date> GraphInspection::selectedDate(platform::Date referenceDate) const {
    if (!date) return std::nullopt;
    if (referenceDate.addingSeconds(-windowSeconds) <= *date && *date <= referenceDate) return date;
    return std::nullopt;
}

void GraphInspection::select(double x, double y, double width, double height, platform::Date referenceDate) {
    if (!(width > 0)) return;
    // The right and bottom edges lie outside the plot.
    if (!(x >= 0 && x < width && y >= 0 && y < height)) return;
    date = referenceDate.addingSeconds(-windowSeconds + (x / width) * windowSeconds);
}

void GraphInspection::step(int offset, std::span<const wendmark::ActivityInterval> intervals,
                           platform::Date referenceDate) {
    if (intervals.empty()) return;
    const auto last = static_cast<std::ptrdiff_t>(intervals.size()) - 1;
    std::optional<std::ptrdiff_t> target;
    if (const auto selected = selectedDate(referenceDate))
        if (const auto current = wendmark::ActivityInterval::containing(*selected, intervals)) {
            const auto it = std::find_if(intervals.begin(), intervals.end(),
                                         [&](const auto& interval) { return interval.id == current->id; });
            if (it != intervals.end()) target = std::clamp<std::ptrdiff_t>((it - intervals.begin()) + offset, 0, last);
        }
    // From nothing or from a gap: the last interval going back, the first going forward.
    if (!target) target = offset < 0 ? last : 0;
    const auto& interval = intervals[static_cast<std::size_t>(*target)];
    date = interval.start.addingSeconds(interval.end.secondsSince(interval.start) * 0.5);
}

ActivityHistoryLayout ActivityHistoryLayout::forCompact(bool compact) {
    if (compact) return {8, 16, 70, 27};
    return {10, 20, 105, 14};
}

double ActivityHistoryModel::peak(std::span<const wendmark::ActivityInterval> intervals,
                                  double wendmark::ActivityInterval::*rate) {
    if (intervals.empty()) return 0;
    double result = intervals.front().*rate;
    for (const auto& interval : intervals.subspan(1))
        if (result < interval.*rate) result = interval.*rate;
    return result;
}

std::string ActivityHistoryModel::coverageText(double coveredSeconds) {
    const std::int64_t s = std::max<std::int64_t>(0, clampedInteger<std::int64_t>(coveredSeconds));
    if (s > secondsPerMinute - 1)
        return std::to_string(s / secondsPerMinute) + "분 " + std::to_string(s % secondsPerMinute) + "초";
    return std::to_string(s) + "초";
}

std::string ActivityHistoryModel::samplingIntervalText(bool collecting, double interval) {
    if (!collecting) return std::string(notCollecting);
    return std::to_string(clampedInteger<std::int64_t>(interval)) + std::string(samplingSuffix);
}

ActivityHistoryModel ActivityHistoryModel::make(const ActivityHistoryInput& input, const GraphInspection& inspection,
                                                const LocaleTexts& texts) {
    const auto& intervals = input.intervals;
    ActivityHistoryModel m;
    m.isEmpty = intervals.empty();
    m.peakRead = peak(intervals, &wendmark::ActivityInterval::readBytesPerSecond);
    m.peakWrite = peak(intervals, &wendmark::ActivityInterval::writeBytesPerSecond);
    const double larger = m.peakWrite >= m.peakRead ? m.peakWrite : m.peakRead;
    m.header = m.isEmpty ? std::string(waitingHeader) : std::string(peakHeaderPrefix) + TransferRate::withUnit(larger);
    m.emptyStateText = std::string(input.collecting ? emptyWhileCollecting : emptyWhileStopped);
    m.startTimeText = texts.shortTime(input.referenceDate.addingSeconds(-windowSeconds));
    m.endTimeText = texts.standardTime(input.referenceDate);
    m.samplingText = samplingIntervalText(input.collecting, input.samplingInterval);
    m.coverage = coverageText(wendmark::ActivityInterval::coveredSeconds(intervals));
    m.coverageCaption = std::string(coveragePrefix) + m.coverage + std::string(coverageSuffix);

    m.selectedDate = inspection.selectedDate(input.referenceDate);
    m.hasSelection = m.selectedDate.has_value();
    if (!m.selectedDate) {
        m.inspectionText = inspectionPrompt;
    } else if (const auto interval = wendmark::ActivityInterval::containing(*m.selectedDate, intervals)) {
        // The interval's averages, stamped with its end.
        m.inspectionText = texts.standardTime(interval->end) + std::string(inspectionReadPrefix) +
                           TransferRate::withUnit(interval->readBytesPerSecond) + std::string(inspectionWritePrefix) +
                           TransferRate::withUnit(interval->writeBytesPerSecond);
    } else {
        m.inspectionText = texts.standardTime(*m.selectedDate) + std::string(inspectionGapSuffix);
    }

    if (m.isEmpty) {
        m.summary = waitingSummary;
    } else {
        m.summary = texts.standardTime(input.referenceDate) + "까지 5분, " + std::to_string(intervals.size()) +
                    "개 관측 구간. 읽기 최대 " + TransferRate::withUnit(m.peakRead) + ", 쓰기 최대 " +
                    TransferRate::withUnit(m.peakWrite) + ". 빈 구간은 미관측 시간입니다.";
    }
    m.accessibilityValue = m.summary + " 관측한 시간 " + m.coverage + ". " + m.inspectionText;
    return m;
}

}  // namespace quentrel

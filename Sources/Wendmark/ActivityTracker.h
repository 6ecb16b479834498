#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "ActivitySample.h"
#include "IOCounters.h"

namespace wendmark {

// Turns successive cumulative counter readings of each device into activity samples. It keeps
// one baseline (the previous reading) per device and compares only readings that follow each
// other closely and only grow.
class ActivityTracker {
public:
    static constexpr const char* unreadableReason = "드라이버 통계를 읽지 못했습니다. 장치 미지원으로 확정하지 않습니다.";
    static constexpr const char* preparingReason = "같은 연결의 다음 표본을 기다립니다.";
    static constexpr const char* interruptedReason = "관측 공백 또는 카운터 초기화로 비교를 다시 시작합니다.";

    // One reading of one device; `counters` is absent when the reading failed. Two readings are
    // compared when 0 < dt <= maxGap and neither counter went down.
    ActivitySample sample(const std::string& id, const std::optional<IOCounters>& counters, double monotonic,
                          platform::Date date, double maxGap);

    void reset() { baselines_.clear(); }
    // Forgets the baselines of the devices whose id is not in `ids`.
    void retainDevices(const std::unordered_set<std::string>& ids);

private:
    struct Baseline {
        IOCounters counters;
        double monotonic;
    };
    std::unordered_map<std::string, Baseline> baselines_;
};

}  // namespace wendmark

#pragma once

#include <cstdint>
#include <span>

#include "ActivitySample.h"
#include "SamplingConfiguration.h"

namespace wendmark {

// Decides whether and how often the counters are sampled. While something is visible it backs
// off from 1 s to 5 s after 2 and to 10 s after 5 consecutive samples in which every device was
// idle.
class ObservationPolicy {
public:
    static constexpr std::int64_t idleSampleLimit = 6;

    // The kinds of the latest samples of the devices of one snapshot that brought a new sample.
    void observe(std::span<const ActivityKind> kinds);
    void reset() { idleSamples_ = 0; }

    SamplingConfiguration configuration(bool visible, bool paused, bool sleeping, bool backgroundPolling) const;

    std::int64_t idleSamples() const { return idleSamples_; }

private:
    std::int64_t idleSamples_ = 0;  // 0 ... idleSampleLimit
};

}  // namespace wendmark

#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ActivityInterval.h"
#include "ActivitySample.h"
#include "InventorySnapshot.h"

namespace wendmark {

// One stretch the history accepted for one device, handed to the caller of ingest.
struct ObservedInterval {
    std::uint64_t sequence = 0;  // 1 for the first interval the history ever accepted
    std::string deviceID;
    platform::Date start;  // end - seconds
    platform::Date end;    // the sample's measurement time
    double seconds = 0;    // the sample's interval, or what is left of it after the one before
    std::uint64_t bytesRead = 0;
    std::uint64_t bytesWritten = 0;

    friend bool operator==(const ObservedInterval&, const ObservedInterval&) = default;
};

// Per device, the intervals of the last 300 seconds in which its byte counters were actually
// observed. Only intervals that join up with what was seen before are accepted, so a gap in
// observation (sampling off, sleep, a missed sample, a clock jump) stays a gap. A repeated sample
// (equal in every field) adds nothing. A sample that follows its predecessor but seems to start
// before the last interval ended (its clocks were read a little apart) starts where that one ended
// and keeps its bytes, so no interval overlaps another; it may be early only by the continuity
// tolerance, max(0.01 × seconds, 0.05 s). Bounded: at most 8 devices of at most 300
// intervals each.
class ActivityHistory {
public:
    static constexpr double duration = 300.0;
    static constexpr std::size_t samplesPerDevice = 300;
    static constexpr std::size_t deviceLimit = 8;
    static constexpr double longestInterval = 45.0;
    static constexpr double startTolerance = 0.01;
    static constexpr double captureTolerance = 0.05;

    // Starts (or restarts) a collection period: nothing observed before `date` can join the next
    // interval of any device.
    void beginCollection(platform::Date date);
    // Ends it; the intervals held stay until they age out.
    void endCollection(platform::Date date);

    // Takes in one snapshot and returns the intervals accepted from it, in the snapshot's device
    // order. The preferred device is never evicted to make room.
    std::vector<ObservedInterval> ingest(const InventorySnapshot& snapshot,
                                         std::optional<std::string_view> preferredDeviceID);

    // The device's intervals inside the window ending at `end`, the first one clipped to the window.
    std::vector<ActivityInterval> intervals(std::string_view deviceID, platform::Date end) const;

    std::int64_t retainedSampleCount() const;
    std::int64_t retainedDeviceCount() const { return static_cast<std::int64_t>(streams_.size()); }

    const std::optional<platform::Date>& collectionStart() const { return collectionStart_; }
    std::uint64_t sequence() const { return sequence_; }

private:
    struct Stream {
        std::deque<ActivityInterval> points;  // oldest first
        std::optional<ActivitySample> lastSample;
        platform::Date boundary;  // the earliest start of the next accepted interval
        platform::Date lastSeen;
        // Ends normally never decrease, so pruning only trims both ends; the start tolerance can
        // let one end a little before its predecessor, and then pruning scans the whole list.
        bool endsInOrder = true;
    };

    void prune(platform::Date date);
    // Takes one device's sample into its stream; appends the interval to `accepted` when it joins up.
    void take(Stream& stream, const std::string& deviceID, const ActivitySample& sample, platform::Date capturedAt,
              std::vector<ObservedInterval>& accepted);
    void evict(std::optional<std::string_view> preferredDeviceID);

    std::map<std::string, Stream, std::less<>> streams_;
    std::optional<platform::Date> collectionStart_;
    std::uint64_t sequence_ = 0;
};

}  // namespace wendmark

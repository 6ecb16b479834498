#include "ActivityHistory.h"

#include <algorithm>
#include <cmath>

namespace wendmark {

namespace {

bool isFinite(platform::Date date) { return std::isfinite(date.sinceReferenceDate); }

bool endsAreOrdered(const std::deque<ActivityInterval>& points) {
    return std::is_sorted(points.begin(), points.end(),
                          [](const ActivityInterval& a, const ActivityInterval& b) { return a.end < b.end; });
}

}  // namespace

void ActivityHistory::beginCollection(platform::Date date) {
    if (!isFinite(date)) return;
    collectionStart_ = date;
    for (auto& [id, stream] : streams_) {
        stream.boundary = date;
        stream.lastSample.reset();
    }
    prune(date);
}

void ActivityHistory::endCollection(platform::Date date) {
    collectionStart_.reset();
    prune(date);
}

void ActivityHistory::prune(platform::Date date) {
    if (!isFinite(date)) return;
    const platform::Date cutoff = date.addingSeconds(-duration);
    for (auto it = streams_.begin(); it != streams_.end();) {
        Stream& stream = it->second;
        auto& points = stream.points;
        if (stream.endsInOrder) {
            while (!points.empty() && points.front().end <= cutoff) points.pop_front();
            while (!points.empty() && points.back().end > date) points.pop_back();
        } else {
            std::erase_if(points, [&](const ActivityInterval& p) { return p.end <= cutoff || p.end > date; });
            stream.endsInOrder = endsAreOrdered(points);
        }
        if (points.empty() && stream.lastSeen < cutoff)
            it = streams_.erase(it);
        else
            ++it;
    }
}

std::vector<ObservedInterval> ActivityHistory::ingest(const InventorySnapshot& snapshot,
                                                      std::optional<std::string_view> preferredDeviceID) {
    const platform::Date capturedAt = snapshot.capturedAt;
    // A capture time that is not a number can be compared with nothing; the snapshot is ignored.
    if (!isFinite(capturedAt)) return {};
    prune(capturedAt);
    if (!collectionStart_) return {};

    // A device missing from this snapshot must start over after it.
    for (auto& entry : streams_) {
        const auto& id = entry.first;
        auto& stream = entry.second;
        bool present = std::any_of(snapshot.devices.begin(), snapshot.devices.end(),
                                   [&](const DeviceSnapshot& device) { return device.id == id; });
        if (!present) {
            stream.lastSample.reset();
            stream.boundary = capturedAt;
        }
    }

    std::vector<ObservedInterval> accepted;
    for (const DeviceSnapshot& device : snapshot.devices) {
        auto [it, created] = streams_.try_emplace(device.id);
        Stream& stream = it->second;
        if (created) stream.boundary = *collectionStart_;
        stream.lastSeen = capturedAt;
        take(stream, device.id, device.activity, capturedAt, accepted);
    }

    evict(preferredDeviceID);
    return accepted;
}

void ActivityHistory::take(Stream& stream, const std::string& deviceID, const ActivitySample& sample,
                           platform::Date capturedAt, std::vector<ObservedInterval>& accepted) {
    // The snapshot repeats the last sample: nothing new was measured.
    if (stream.lastSample && *stream.lastSample == sample) return;

    std::optional<ActivitySample> previous = std::move(stream.lastSample);
    stream.lastSample = sample;
    const platform::Date measuredAt = sample.measuredAt;

    // The clock went back: what follows may start from the new time.
    if (previous && measuredAt < previous->measuredAt) {
        stream.boundary = measuredAt;
        return;
    }

    // Written so that a measurement time that is not a number leaves the boundary alone.
    auto reject = [&] {
        if (measuredAt > stream.boundary) stream.boundary = measuredAt;
    };

    const bool observed = sample.kind == ActivityKind::observedIdle || sample.kind == ActivityKind::observedIO;
    if (!observed || !sample.intervalSeconds || !sample.bytesRead || !sample.bytesWritten) return reject();
    const double s = *sample.intervalSeconds;
    if (!(std::isfinite(s) && s > 0 && s <= longestInterval)) return reject();

    if (!std::isfinite(static_cast<double>(*sample.bytesRead) / s) ||
        !std::isfinite(static_cast<double>(*sample.bytesWritten) / s))
        return reject();
    if (!(measuredAt.sinceReferenceDate <= capturedAt.sinceReferenceDate + captureTolerance)) return reject();
    // How far apart the clocks behind two measurement times can have been read.
    const double clockTolerance = std::max(0.01 * s, 0.05);
    if (previous) {
        // The sample must follow its predecessor without a gap or an overlap.
        double drift = std::abs(measuredAt.secondsSince(previous->measuredAt) - s);
        if (!(drift <= clockTolerance)) return reject();
    }

    // The earliest start allowed: the boundary, and the end of the last interval.
    platform::Date earliest = stream.boundary;
    if (!stream.points.empty() && stream.points.back().end > earliest) earliest = stream.points.back().end;
    platform::Date start = measuredAt.addingSeconds(-s);
    double seconds = s;
    if (!(start.sinceReferenceDate >= earliest.sinceReferenceDate - startTolerance)) {
        // A sample that follows its predecessor may be early by as much as the clocks behind its
        // two times can disagree; its bytes were observed all the same, over what is left. Earlier
        // than that, part of it lies before what may be counted, and it is dropped.
        if (!previous || !(earliest < measuredAt) ||
            !(start.sinceReferenceDate >= earliest.sinceReferenceDate - clockTolerance))
            return reject();
        start = earliest;
        seconds = measuredAt.secondsSince(earliest);
    }
    const double readRate = static_cast<double>(*sample.bytesRead) / seconds;
    const double writeRate = static_cast<double>(*sample.bytesWritten) / seconds;

    ++sequence_;
    accepted.push_back({sequence_, deviceID, start, measuredAt, seconds, *sample.bytesRead, *sample.bytesWritten});
    if (!stream.points.empty() && measuredAt < stream.points.back().end) stream.endsInOrder = false;
    stream.points.push_back({sequence_, start, measuredAt, readRate, writeRate});
    if (stream.points.size() > samplesPerDevice) stream.points.pop_front();
}

void ActivityHistory::evict(std::optional<std::string_view> preferredDeviceID) {
    while (streams_.size() > deviceLimit) {
        // Keys are visited in ascending order, so on equal lastSeen the first key stays chosen.
        auto oldest = streams_.end();
        for (auto it = streams_.begin(); it != streams_.end(); ++it) {
            if (preferredDeviceID && it->first == *preferredDeviceID) continue;
            if (oldest == streams_.end() || it->second.lastSeen < oldest->second.lastSeen) oldest = it;
        }
        if (oldest == streams_.end()) return;
        streams_.erase(oldest);
    }
}

std::vector<ActivityInterval> ActivityHistory::intervals(std::string_view deviceID, platform::Date end) const {
    std::vector<ActivityInterval> result;
    auto it = streams_.find(deviceID);
    if (it == streams_.end()) return result;
    const platform::Date cutoff = end.addingSeconds(-duration);
    result.reserve(it->second.points.size());
    for (const ActivityInterval& point : it->second.points) {
        if (!(cutoff < point.end && point.end <= end)) continue;
        ActivityInterval& copy = result.emplace_back(point);
        if (copy.start < cutoff) copy.start = cutoff;
    }
    return result;
}

std::int64_t ActivityHistory::retainedSampleCount() const {
    std::size_t count = 0;
    for (const auto& [id, stream] : streams_) count += stream.points.size();
    return static_cast<std::int64_t>(count);
}

}  // namespace wendmark

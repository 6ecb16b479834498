#include "SessionAccumulator.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace wendmark {

SessionAccumulator::SessionAccumulator(platform::UUIDGenerator makeID) : makeID_(std::move(makeID)) {}

bool SessionAccumulator::accept(double now) {
    if (!std::isfinite(now) || now < lastNow_) return false;
    lastNow_ = now;
    return true;
}

void SessionAccumulator::advance(platform::Date date, double now) {
    if (!current_ || !accept(now)) return;
    double sinceStart = std::max(now - monotonicStart_, 0.0);
    current_->elapsedSeconds = std::max({current_->elapsedSeconds, sinceStart, current_->observedSeconds});
    current_->updatedAt = date;
}

std::optional<WorkSession> SessionAccumulator::finish(SessionEndReason reason, platform::Date date, double now) {
    advance(date, now);
    std::optional<WorkSession> ended = std::exchange(current_, std::nullopt);
    if (ended) ended->endReason = reason;
    selectedAt_ = date;
    return ended;
}

std::optional<WorkSession> SessionAccumulator::select(const std::optional<std::string>& id, platform::Date date,
                                                      double now) {
    if (id == deviceID_) return std::nullopt;
    std::optional<WorkSession> ended = finish(SessionEndReason::selectionChanged, date, now);
    deviceID_ = id;
    selectedAt_ = date;
    return ended;
}

std::optional<WorkSession> SessionAccumulator::ingest(const ObservedInterval& interval, double now) {
    if (interval.sequence <= lastSequence_) return std::nullopt;
    lastSequence_ = interval.sequence;
    if (!deviceID_ || interval.deviceID != *deviceID_) return std::nullopt;
    if (interval.start < selectedAt_.addingSeconds(-startTolerance)) return std::nullopt;
    if (!accept(now)) return std::nullopt;
    if (!std::isfinite(interval.seconds) || !(interval.seconds > 0)) return std::nullopt;

    if (!current_) {
        current_ = WorkSession{makeID_(), interval.start, interval.end, 0, 0, 0, 0, std::nullopt};
        monotonicStart_ = now - interval.seconds;
        selectedAt_ = platform::Date::distantPast();
    }

    std::uint64_t bytesRead = 0;
    std::uint64_t bytesWritten = 0;
    bool readOverflows = __builtin_add_overflow(current_->bytesRead, interval.bytesRead, &bytesRead);
    bool writeOverflows = __builtin_add_overflow(current_->bytesWritten, interval.bytesWritten, &bytesWritten);
    // The interval is dropped whole: the totals stay as they were and the session ends.
    if (readOverflows || writeOverflows) return finish(SessionEndReason::counterOverflow, interval.end, now);

    current_->bytesRead = bytesRead;
    current_->bytesWritten = bytesWritten;
    current_->observedSeconds += interval.seconds;
    advance(interval.end, now);
    return std::nullopt;
}

}  // namespace wendmark

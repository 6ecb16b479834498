#include "WorkSession.h"

#include <algorithm>

namespace wendmark {

double WorkSession::gapSeconds() const {
    double gap = elapsedSeconds - observedSeconds;
    return gap > 0 ? gap : 0;  // also 0 for NaN
}

double WorkSession::coverage() const {
    if (!(elapsedSeconds > 0)) return 0;
    return std::min(observedSeconds / elapsedSeconds, 1.0);
}

void WorkSession::encode(platform::json::ObjectEncoder& e) const {
    e.field("id", id)
        .field("startedAt", startedAt)
        .field("updatedAt", updatedAt)
        .field("bytesRead", bytesRead)
        .field("bytesWritten", bytesWritten)
        .field("observedSeconds", observedSeconds)
        .field("elapsedSeconds", elapsedSeconds)
        .field("endReason", endReason);
}

WorkSession WorkSession::decode(const platform::json::ObjectDecoder& d) {
    return {d.required<platform::UUID>("id"),          d.required<platform::Date>("startedAt"),
            d.required<platform::Date>("updatedAt"),   d.required<std::uint64_t>("bytesRead"),
            d.required<std::uint64_t>("bytesWritten"), d.required<double>("observedSeconds"),
            d.required<double>("elapsedSeconds"),      d.optional<SessionEndReason>("endReason")};
}

}  // namespace wendmark

#include "ActivitySample.h"

namespace wendmark {

ActivitySample ActivitySample::measured(double intervalSeconds, std::uint64_t bytesRead, std::uint64_t bytesWritten,
                                        platform::Date measuredAt) {
    ActivityKind kind = bytesRead != 0 || bytesWritten != 0 ? ActivityKind::observedIO : ActivityKind::observedIdle;
    return {kind, intervalSeconds, bytesRead, bytesWritten, measuredAt, std::nullopt};
}

ActivitySample ActivitySample::unmeasured(ActivityKind kind, std::string reason, platform::Date measuredAt) {
    return {kind, std::nullopt, std::nullopt, std::nullopt, measuredAt, std::move(reason)};
}

std::string_view ActivitySample::title() const {
    switch (kind) {
    case ActivityKind::preparing: return "측정 준비 중";
    case ActivityKind::observedIdle: return "관측 구간 I/O 없음";
    case ActivityKind::observedIO: return "읽기·쓰기 관측됨";
    case ActivityKind::unavailable: return "I/O 관측 불가";
    case ActivityKind::interrupted: return "관측 구간 초기화";
    }
    return {};
}

void ActivitySample::encode(platform::json::ObjectEncoder& e) const {
    e.field("kind", kind)
        .field("intervalSeconds", intervalSeconds)
        .field("bytesRead", bytesRead)
        .field("bytesWritten", bytesWritten)
        .field("measuredAt", measuredAt)
        .field("reason", reason);
}

ActivitySample ActivitySample::decode(const platform::json::ObjectDecoder& d) {
    return {d.required<ActivityKind>("kind"),         d.optional<double>("intervalSeconds"),
            d.optional<std::uint64_t>("bytesRead"),   d.optional<std::uint64_t>("bytesWritten"),
            d.required<platform::Date>("measuredAt"), d.optional<std::string>("reason")};
}

}  // namespace wendmark

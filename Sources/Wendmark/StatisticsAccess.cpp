#include "StatisticsAccess.h"

namespace wendmark {

std::string_view title(StatisticsOutcome outcome) {
    switch (outcome) {
    case StatisticsOutcome::available: return "조회 성공";
    case StatisticsOutcome::notExposed: return "현재 드라이버에 통계 없음";
    case StatisticsOutcome::accessDenied: return "접근 권한 거부";
    case StatisticsOutcome::deviceMissing: return "장치 객체 없음";
    case StatisticsOutcome::failed: return "조회 오류";
    case StatisticsOutcome::notRequested: return "조회 전";
    }
    return {};
}

void StatisticsAccess::encode(platform::json::ObjectEncoder& e) const {
    e.field("outcome", outcome).field("detail", detail).field("checkedAt", checkedAt);
}

StatisticsAccess StatisticsAccess::decode(const platform::json::ObjectDecoder& d) {
    return {d.required<StatisticsOutcome>("outcome"), d.required<std::string>("detail"),
            d.required<platform::Date>("checkedAt")};
}

}  // namespace wendmark

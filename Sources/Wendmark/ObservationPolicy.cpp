#include "ObservationPolicy.h"

#include <algorithm>
#include <string>

namespace wendmark {

void ObservationPolicy::observe(std::span<const ActivityKind> kinds) {
    bool allIdle = !kinds.empty() && std::all_of(kinds.begin(), kinds.end(),
                                                 [](ActivityKind kind) { return kind == ActivityKind::observedIdle; });
    idleSamples_ = allIdle ? std::min(idleSamples_ + 1, idleSampleLimit) : 0;
}

SamplingConfiguration ObservationPolicy::configuration(bool visible, bool paused, bool sleeping,
                                                       bool backgroundPolling) const {
    if (sleeping) return {false, 30.0, "시스템 잠자기 · 이벤트 대기"};
    if (paused) return {false, 30.0, "통계 일시중지 · 연결 이벤트 확인"};
    if (!visible) {
        if (backgroundPolling) return {true, 30.0, "백그라운드 · 30초 간격"};
        return {false, 30.0, "창·메뉴 닫힘 · 이벤트 대기"};
    }
    double interval = idleSamples_ <= 1 ? 1.0 : idleSamples_ <= 4 ? 5.0 : 10.0;
    return {true, interval, "화면 표시 중 · " + std::to_string(static_cast<int>(interval)) + "초 간격"};
}

}  // namespace wendmark

#pragma once

#include <string>
#include <string_view>

#include "Wendmark/LinkBandwidth.h"

namespace quentrel {

// The texts of a device's link speed: its bit rate and the byte rate that allows.
struct LinkBandwidthText {
    // The help text shown beside a link speed.
    static constexpr std::string_view explanation =
        "연결 경로의 규격 상한입니다. 8비트=1바이트로 환산하며 통신 처리·다른 장치와의 공유 여유분을 "
        "포함합니다. SSD·HDD의 실제 최대 읽기·쓰기 성능을 뜻하지 않습니다.";

    wendmark::LinkBandwidth bandwidth;

    // "<n> Gb/s" from 1,000,000,000 bits per second on, else "<n> Mb/s"; whole numbers without
    // decimals, others with one.
    std::string rate() const;
    // The nominal byte rate (eight bits a byte) with its unit, as the rate texts print it.
    std::string nominalBytes() const;
};

}  // namespace quentrel

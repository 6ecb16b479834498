#pragma once

#include <cstdint>

namespace platform {

// Return codes of registry reads. Error codes have the high bit set, so as signed 32-bit values
// they are negative.
struct ReturnCode {
    static constexpr std::int32_t success = 0;
    static constexpr std::int32_t error = -536870212;          // 0xE00002BC
    static constexpr std::int32_t noDevice = -536870208;       // 0xE00002C0
    static constexpr std::int32_t notPrivileged = -536870207;  // 0xE00002C1
    static constexpr std::int32_t notPermitted = -536870174;   // 0xE00002E2
};

}  // namespace platform

#pragma once

#include <cstdint>
#include <string_view>
#include <utility>

#include "Platform/Foundation/JSONCoding.h"

namespace quentrel {

// The system's notification permission reduced to three values.
enum class NoticePermission { notDetermined, allowed, denied };

// The desktop notification service's raw authorisation status: 0 not determined, 1 denied, 2 to 4 allowed; anything
// else (negative values included) counts as denied.
constexpr NoticePermission noticePermissionFromRawStatus(std::int64_t status) {
    if (status == 0) return NoticePermission::notDetermined;
    if (status >= 2 && status <= 4) return NoticePermission::allowed;
    return NoticePermission::denied;
}

}  // namespace quentrel

template <>
struct platform::json::EnumStrings<quentrel::NoticePermission> {
    using E = quentrel::NoticePermission;
    static constexpr std::pair<E, std::string_view> cases[] = {
        {E::notDetermined, "notDetermined"},
        {E::allowed, "allowed"},
        {E::denied, "denied"},
    };
};

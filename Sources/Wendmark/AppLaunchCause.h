#pragma once

#include <string_view>
#include <utility>

#include "Platform/Foundation/JSONCoding.h"

namespace wendmark {

// Why the program was started. Raw values (platform::json::rawValue / fromRawValue) are the case names.
enum class AppLaunchCause { loginItem, serviceItem, manualOrUnknown };

}  // namespace wendmark

template <>
struct platform::json::EnumStrings<wendmark::AppLaunchCause> {
    using E = wendmark::AppLaunchCause;
    static constexpr std::pair<E, std::string_view> cases[] = {
        {E::loginItem, "loginItem"}, {E::serviceItem, "serviceItem"}, {E::manualOrUnknown, "manualOrUnknown"}};
};

#pragma once

#include <string_view>
#include <utility>

#include "Platform/Foundation/JSONCoding.h"

namespace wendmark {

// The two connection events the user may be notified of. The raw value (json::rawValue /
// json::fromRawValue) is the case name.
enum class ConnectionNotice { disconnected, repeatedChanges };

}  // namespace wendmark

template <>
struct platform::json::EnumStrings<wendmark::ConnectionNotice> {
    using E = wendmark::ConnectionNotice;
    static constexpr std::pair<E, std::string_view> cases[] = {
        {E::disconnected, "disconnected"},
        {E::repeatedChanges, "repeatedChanges"},
    };
};

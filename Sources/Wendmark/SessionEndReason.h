#pragma once

#include <string_view>
#include <utility>

#include "Platform/Foundation/JSONCoding.h"

namespace wendmark {

// Why a work session ended.
enum class SessionEndReason { selectionChanged, disconnected, appQuit, newSession, interrupted, counterOverflow };

}  // namespace wendmark

template <>
struct platform::json::EnumStrings<wendmark::SessionEndReason> {
    using E = wendmark::SessionEndReason;
    static constexpr std::pair<E, std::string_view> cases[] = {
        {E::selectionChanged, "selectionChanged"}, {E::disconnected, "disconnected"},
        {E::appQuit, "appQuit"},                   {E::newSession, "newSession"},
        {E::interrupted, "interrupted"},           {E::counterOverflow, "counterOverflow"},
    };
};

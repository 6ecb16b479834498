#pragma once

#include <string>

#include "Platform/Foundation/Date.h"

namespace quentrel {

// The one date text of the history windows that LocaleFormatter does not carry: an abbreviated
// date followed by the time of day in hours and minutes, as each session row opens. The views
// pass one backed by the system locale (QtMinuteDateFormatter), tests the fixed one below.
class MinuteDateFormatter {
public:
    virtual ~MinuteDateFormatter() = default;
    virtual std::string dateMinutes(platform::Date date) const = 0;
};

// FixedLocaleFormatter's date and time without the seconds: "yyyy-MM-dd HH:mm" in UTC.
class FixedMinuteDateFormatter final : public MinuteDateFormatter {
public:
    std::string dateMinutes(platform::Date date) const override;
    static const FixedMinuteDateFormatter& shared();
};

}  // namespace quentrel

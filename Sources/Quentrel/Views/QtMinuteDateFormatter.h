#pragma once

#include <optional>

#include <QLocale>
#include <QString>

#include "Quentrel/Views/Models/MinuteDateFormatter.h"

namespace quentrel {

// The abbreviated date and the hours-and-minutes time of the user's locale (QLocale::system(),
// read at every call), or of one fixed locale for tests, in the local time zone. The date is
// the one QtLocaleFormatter writes, so a session row and an event row show their dates alike.
class QtMinuteDateFormatter final : public MinuteDateFormatter {
public:
    explicit QtMinuteDateFormatter(std::optional<QLocale> locale = std::nullopt);

    // The process-wide formatter of the system locale, which the views use unless given another.
    static const QtMinuteDateFormatter& system();

    std::string dateMinutes(platform::Date date) const override;

    // The locale's short time format (hours and minutes) without a time zone.
    static QString minutePattern(const QLocale& locale);

private:
    std::optional<QLocale> locale_;
};

}  // namespace quentrel

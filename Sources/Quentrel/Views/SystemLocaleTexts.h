#pragma once

#include <memory>

#include <QLocale>
#include <QString>

#include "Quentrel/Views/Models/LocaleTexts.h"

namespace quentrel {

class LocaleFormatter;

// The locale texts of the graph and the details window from Qt. Byte counts, standard times and
// dates come from the views' shared locale formatter, so every window prints them alike; the
// shortened time (hours and minutes) is the locale's short time format in the local time zone.
class SystemLocaleTexts : public LocaleTexts {
public:
    // `formatter` must outlive this object; without a locale, the system's at each call.
    explicit SystemLocaleTexts(const LocaleFormatter& formatter, std::optional<QLocale> locale = std::nullopt);

    // One instance for the process's views, over the system locale.
    static std::shared_ptr<const LocaleTexts> shared();

    std::string standardTime(platform::Date date) const override;
    std::string shortTime(platform::Date date) const override;
    std::string abbreviatedDateTime(platform::Date date) const override;
    std::string decimalByteCount(std::int64_t bytes) const override;

private:
    const LocaleFormatter& formatter_;
    std::optional<QLocale> locale_;
};

}  // namespace quentrel

#pragma once

#include <optional>

#include <QLocale>
#include <QString>

#include "Quentrel/Support/LocaleFormatter.h"

namespace quentrel {

// The user's locale as Qt knows it (QLocale::system(), read at every call so a changed locale
// shows with the next refresh), or one fixed locale for tests. Times and dates are in the local
// time zone.
class QtLocaleFormatter final : public LocaleFormatter {
public:
    // Without a locale: the system's.
    explicit QtLocaleFormatter(std::optional<QLocale> locale = std::nullopt);

    // The process-wide formatter of the system locale, which the views use unless given another.
    static const QtLocaleFormatter& system();

    std::string decimal(double value, int fractionDigits) const override;
    // Qt's data-size text in SI units (kB, MB, …, two decimals), the platform formatter here.
    std::string byteCount(std::int64_t bytes) const override;
    std::string time(platform::Date date) const override;
    std::string dateTime(platform::Date date) const override;

    // The standard time style, the one spelling of a time with seconds in every view: the locale's
    // short time format with the seconds after the minutes, without a time zone ("AP h:mm:ss" in
    // ko_KR, "h:mm:ss AP" in en_US).
    static QString timePattern(const QLocale& locale);
    // The locale's long date format without the weekday and with abbreviated month names.
    static QString abbreviatedDatePattern(const QLocale& locale);
    // `pattern` without its fields of the letter `field` that are at least `minimumLength` long,
    // each with the literal text that joined it to its neighbour. Quoted text is kept as it is.
    static QString removingFields(const QString& pattern, QChar field, int minimumLength);

private:
    QLocale locale() const;

    std::optional<QLocale> locale_;
};

}  // namespace quentrel

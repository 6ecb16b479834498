#include "Quentrel/Views/SystemLocalizedFormats.h"

#include <algorithm>
#include <cmath>

#include <QDateTime>
#include <QLocale>

#include "Quentrel/Views/QtLocaleFormatter.h"

namespace quentrel {

namespace {

// Dates beyond what any record holds (±100 million days, as far as QDateTime is useful) are held
// at that bound, so the conversion to an integer is always defined.
constexpr double largestMilliseconds = 8.64e15;

QDateTime localDateTime(platform::Date date) {
    double ms = std::round(date.unixTime() * 1000.0);
    if (!std::isfinite(ms)) ms = 0;
    ms = std::clamp(ms, -largestMilliseconds, largestMilliseconds);
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ms)).toLocalTime();
}

}  // namespace

LocalizedFormats systemLocalizedFormats() {
    LocalizedFormats formats;
    // The standard time style as every view writes it.
    formats.time = [](platform::Date date) { return QtLocaleFormatter::system().time(date); };
    formats.abbreviatedDateShortTime = [](platform::Date date) {
        const QLocale locale = QLocale::system();
        const QDateTime local = localDateTime(date);
        return (locale.toString(local.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                locale.toString(local.time(), QLocale::ShortFormat))
            .toStdString();
    };
    formats.groupedInteger = [](std::uint64_t value) {
        return QLocale::system().toString(static_cast<qulonglong>(value)).toStdString();
    };
    return formats;
}

}  // namespace quentrel

#include "Quentrel/Views/SystemLocalizedFormats.h"

#include <algorithm>
#include <cmath>

#include <QDateTime>
#include <QLocale>

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

// The locale's standard time: its short form with the seconds added after the minutes (Qt offers
// only a short form without seconds and a long one with the time zone).
QString standardTimeFormat(const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1Char('s'))) {
        const qsizetype minutes = format.indexOf(QLatin1String("mm"));
        if (minutes >= 0) format.insert(minutes + 2, QLatin1String(":ss"));
    }
    return format;
}

}  // namespace

LocalizedFormats systemLocalizedFormats() {
    LocalizedFormats formats;
    formats.time = [](platform::Date date) {
        const QLocale locale = QLocale::system();
        return locale.toString(localDateTime(date).time(), standardTimeFormat(locale)).toStdString();
    };
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

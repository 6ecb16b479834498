#include "SystemLocaleTexts.h"

#include <cmath>

#include <QDateTime>

#include "Quentrel/Views/Models/DecimalByteCount.h"

namespace quentrel {

namespace {
// Dates the views can print: finite and within what QDateTime holds (±292 million years).
constexpr double largestPrintableSeconds = 9.0e15;
}  // namespace

SystemLocaleTexts::SystemLocaleTexts(QLocale locale, QTimeZone zone)
    : locale_(std::move(locale)), zone_(std::move(zone)) {
    standardFormat_ = withoutTimeZone(locale_.timeFormat(QLocale::LongFormat));
    shortFormat_ = locale_.timeFormat(QLocale::ShortFormat);
    dateTimeFormat_ = locale_.dateFormat(QLocale::ShortFormat) + QLatin1Char(' ') + standardFormat_;
}

std::shared_ptr<const LocaleTexts> SystemLocaleTexts::shared() {
    static const auto texts = std::make_shared<const SystemLocaleTexts>();
    return texts;
}

QString SystemLocaleTexts::withoutTimeZone(const QString& format) {
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) quoted = !quoted;
        if (!quoted && c == QLatin1Char('t')) {
            // A zone field and the spaces before it.
            while (!result.isEmpty() && result.back().isSpace()) result.chop(1);
            while (i + 1 < format.size() && format[i + 1] == QLatin1Char('t')) ++i;
            continue;
        }
        result += c;
    }
    return result.trimmed();
}

QString SystemLocaleTexts::text(platform::Date date, const QString& format) const {
    const double seconds = date.unixTime();
    if (!std::isfinite(seconds) || std::fabs(seconds) > largestPrintableSeconds) return {};
    const auto msecs = static_cast<qint64>(std::llround(seconds * 1000));
    return locale_.toString(QDateTime::fromMSecsSinceEpoch(msecs, zone_), format);
}

std::string SystemLocaleTexts::standardTime(platform::Date date) const {
    return text(date, standardFormat_).toStdString();
}

std::string SystemLocaleTexts::shortTime(platform::Date date) const { return text(date, shortFormat_).toStdString(); }

std::string SystemLocaleTexts::abbreviatedDateTime(platform::Date date) const {
    return text(date, dateTimeFormat_).toStdString();
}

std::string SystemLocaleTexts::decimalByteCount(std::int64_t bytes) const {
    const auto count = DecimalByteCount::of(bytes);
    // The value is already rounded to its digits; the shortest form drops trailing zeros.
    const QString number = count.fractionDigits == 0
                               ? locale_.toString(static_cast<qlonglong>(count.value))
                               : locale_.toString(count.value, 'f', QLocale::FloatingPointShortest);
    return (number + QLatin1Char(' ') + QString::fromUtf8(count.unit.data(), count.unit.size())).toStdString();
}

}  // namespace quentrel

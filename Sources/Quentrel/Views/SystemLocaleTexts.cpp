#include "SystemLocaleTexts.h"

#include <cmath>

#include <QDateTime>

#include "Quentrel/Views/QtLocaleFormatter.h"

namespace quentrel {

namespace {
// Dates the views can print: finite and within what QDateTime holds.
constexpr double largestPrintableSeconds = 9.0e15;
}  // namespace

SystemLocaleTexts::SystemLocaleTexts(const LocaleFormatter& formatter, std::optional<QLocale> locale)
    : formatter_(formatter), locale_(std::move(locale)) {}

std::shared_ptr<const LocaleTexts> SystemLocaleTexts::shared() {
    static const auto texts = std::make_shared<const SystemLocaleTexts>(QtLocaleFormatter::system());
    return texts;
}

std::string SystemLocaleTexts::standardTime(platform::Date date) const { return formatter_.time(date); }

std::string SystemLocaleTexts::shortTime(platform::Date date) const {
    const double seconds = date.unixTime();
    if (!std::isfinite(seconds) || std::fabs(seconds) > largestPrintableSeconds) return {};
    const QLocale locale = locale_.value_or(QLocale::system());
    const auto moment = QDateTime::fromMSecsSinceEpoch(std::llround(seconds * 1000));
    return locale.toString(moment.time(), QLocale::ShortFormat).toStdString();
}

std::string SystemLocaleTexts::abbreviatedDateTime(platform::Date date) const { return formatter_.dateTime(date); }

std::string SystemLocaleTexts::decimalByteCount(std::int64_t bytes) const { return formatter_.byteCount(bytes); }

}  // namespace quentrel

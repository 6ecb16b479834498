#include "QtMinuteDateFormatter.h"

#include <cmath>

#include <QDateTime>

#include "Quentrel/Support/ClampedInteger.h"
#include "QtLocaleFormatter.h"

namespace quentrel {

namespace {
constexpr double millisecondsPerSecond = 1000;
}  // namespace

QtMinuteDateFormatter::QtMinuteDateFormatter(std::optional<QLocale> locale) : locale_(std::move(locale)) {}

const QtMinuteDateFormatter& QtMinuteDateFormatter::system() {
    static const QtMinuteDateFormatter instance;
    return instance;
}

std::string QtMinuteDateFormatter::dateMinutes(platform::Date date) const {
    const QLocale locale = locale_ ? *locale_ : QLocale::system();
    // A non-finite date counts as the reference date, as in QtLocaleFormatter.
    const double seconds = std::isfinite(date.sinceReferenceDate) ? date.unixTime() : platform::Date{}.unixTime();
    const QDateTime local =
        QDateTime::fromMSecsSinceEpoch(clampedInteger<qint64>(std::floor(seconds * millisecondsPerSecond)));
    const QString pattern = QtLocaleFormatter::abbreviatedDatePattern(locale) + u' ' + minutePattern(locale);
    return locale.toString(local, pattern).toStdString();
}

QString QtMinuteDateFormatter::minutePattern(const QLocale& locale) {
    return QtLocaleFormatter::removingFields(locale.timeFormat(QLocale::ShortFormat), u't', 1);
}

}  // namespace quentrel

#pragma once

#include <memory>

#include <QLocale>
#include <QString>
#include <QTimeZone>

#include "Quentrel/Views/Models/LocaleTexts.h"

namespace quentrel {

// The locale texts of the views from Qt: the user's locale and time zone unless others are given
// (tests pass fixed ones). The standard time is the locale's long time format without its time
// zone; the short time its short format; the abbreviated date its short date format.
class SystemLocaleTexts : public LocaleTexts {
public:
    explicit SystemLocaleTexts(QLocale locale = QLocale::system(), QTimeZone zone = QTimeZone::systemTimeZone());

    // One instance for the process's views, on the system locale as it was when first asked.
    static std::shared_ptr<const LocaleTexts> shared();

    std::string standardTime(platform::Date date) const override;
    std::string shortTime(platform::Date date) const override;
    std::string abbreviatedDateTime(platform::Date date) const override;
    std::string decimalByteCount(std::int64_t bytes) const override;

    // `format` without its time-zone fields ("t", "tt", …) and the spaces they leave; quoted
    // text stays as it is.
    static QString withoutTimeZone(const QString& format);

private:
    QString text(platform::Date date, const QString& format) const;

    QLocale locale_;
    QTimeZone zone_;
    QString standardFormat_;
    QString shortFormat_;
    QString dateTimeFormat_;
};

}  // namespace quentrel

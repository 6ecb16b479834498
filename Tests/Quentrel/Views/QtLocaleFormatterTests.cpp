#include "Quentrel/Views/QtLocaleFormatter.h"

#include <limits>

#include <QTimeZone>
#include <gtest/gtest.h>

using namespace quentrel;

TEST(QtLocaleFormatter, PatternsLoseTheZoneAndTheWeekdayWithTheirSeparators) {
    struct Case {
        const char* pattern;
        char field;
        int minimum;
        const char* result;
    } cases[] = {
        {"h:mm:ss AP t", 't', 1, "h:mm:ss AP"},
        {"AP h시 m분 s초 t", 't', 1, "AP h시 m분 s초"},
        {"t HH:mm:ss", 't', 1, "HH:mm:ss"},
        {"dddd, MMMM d, yyyy", 'd', 3, "MMMM d, yyyy"},
        {"yyyy년 M월 d일 dddd", 'd', 3, "yyyy년 M월 d일"},
        {"dddd, d. MMMM yyyy", 'd', 3, "d. MMMM yyyy"},
        // Quoted text is not a field, and a day of the month is not a weekday.
        {"'dddd' d ddd", 'd', 3, "'dddd' d"},
        {"d.M.yy", 'd', 3, "d.M.yy"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QtLocaleFormatter::removingFields(QString::fromUtf8(c.pattern), QChar(c.field), c.minimum),
                  QString::fromUtf8(c.result))
            << c.pattern;
    EXPECT_EQ(QtLocaleFormatter::abbreviatedDatePattern(QLocale(QLocale::English, QLocale::UnitedStates)),
              "MMM d, yyyy");
    EXPECT_EQ(QtLocaleFormatter::abbreviatedDatePattern(QLocale(QLocale::Korean, QLocale::SouthKorea)),
              QString::fromUtf8("yyyy년 M월 d일"));
    // The standard time style: the short form with the seconds joined as the minutes are, never
    // the long form ("오전 3시 4분 5초").
    for (const auto& [locale, pattern] : {std::pair{QLocale::English, "h:mm:ss AP"}, {QLocale::Korean, "AP h:mm:ss"},
                                          {QLocale::Finnish, "H.mm.ss"}})
        EXPECT_EQ(QtLocaleFormatter::timePattern(QLocale(locale)), QString::fromUtf8(pattern));
}

TEST(QtLocaleFormatter, NumbersAndByteCountsFollowTheLocale) {
    const QtLocaleFormatter us(QLocale(QLocale::English, QLocale::UnitedStates));
    const QtLocaleFormatter german(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(us.decimal(999.999, 1), "1,000.0");
    EXPECT_EQ(german.decimal(999.999, 1), "1.000,0");
    EXPECT_EQ(us.decimal(-0.0, 0), "0");
    EXPECT_EQ(us.byteCount(1'000'204'886'016), "1.00 TB");
    EXPECT_EQ(german.byteCount(1'000'204'886'016), "1,00 TB");
    EXPECT_EQ(us.byteCount(std::numeric_limits<std::int64_t>::max()), "9.22 EB");
}

TEST(QtLocaleFormatter, TimesAreLocalWithSecondsAndSurviveDatesOutOfRange) {
    const QtLocaleFormatter us(QLocale(QLocale::English, QLocale::UnitedStates));
    const platform::Date date{700'000'000};
    const QDateTime local = QDateTime::fromSecsSinceEpoch(static_cast<qint64>(date.unixTime()));
    EXPECT_EQ(us.time(date), local.toString("h:mm:ss AP").toStdString());
    EXPECT_EQ(us.dateTime(date), local.toString("MMM d, yyyy h:mm:ss AP").toStdString());
    const platform::Date reference{};
    for (double odd : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
        EXPECT_EQ(us.dateTime(platform::Date{odd}), us.dateTime(reference));
    EXPECT_FALSE(us.dateTime(platform::Date{1e300}).empty());
}

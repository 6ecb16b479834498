#include "Quentrel/Views/QtMinuteDateFormatter.h"

#include <QDateTime>
#include <gtest/gtest.h>

#include "Quentrel/Views/QtLocaleFormatter.h"

using namespace quentrel;

TEST(QtMinuteDateFormatter, TheAbbreviatedDateThenHoursAndMinutesWithoutTheZone) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(QtMinuteDateFormatter::minutePattern(english), "h:mm AP");
    EXPECT_EQ(QtMinuteDateFormatter::minutePattern(QLocale(QLocale::Korean, QLocale::SouthKorea)), "AP h:mm");
    EXPECT_EQ(QtMinuteDateFormatter::minutePattern(QLocale(QLocale::German, QLocale::Germany)), "HH:mm");

    // The date as the event rows write it; the time in the local zone.
    const platform::Date date{700'000'000};
    const QDateTime local = QDateTime::fromSecsSinceEpoch(static_cast<qint64>(date.unixTime()));
    EXPECT_EQ(QtMinuteDateFormatter(english).dateMinutes(date),
              english.toString(local, QStringLiteral("MMM d, yyyy h:mm AP")).toStdString());
}

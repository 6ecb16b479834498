#include <QRegularExpression>
#include <gtest/gtest.h>

#include "Quentrel/Views/QtLocaleFormatter.h"
#include "Quentrel/Views/SystemLocaleTexts.h"

using namespace quentrel;

TEST(SystemLocaleTexts, theShortTimeHasHoursAndMinutesAndTheRestComesFromTheSharedFormatter) {
    const QtLocaleFormatter formatter(QLocale(QLocale::English, QLocale::UnitedStates));
    const SystemLocaleTexts texts(formatter, QLocale(QLocale::English, QLocale::UnitedStates));
    const platform::Date date{700'000'000};
    EXPECT_TRUE(QRegularExpression("^\\d{1,2}:\\d{2}\\s(AM|PM)$").match(QString::fromStdString(texts.shortTime(date))).hasMatch())
        << texts.shortTime(date);
    EXPECT_EQ(texts.standardTime(date), formatter.time(date));
    EXPECT_EQ(texts.abbreviatedDateTime(date), formatter.dateTime(date));
    EXPECT_EQ(texts.decimalByteCount(500'107'862'016), formatter.byteCount(500'107'862'016));
    // Dates no clock can show print nothing rather than a wrapped time.
    EXPECT_EQ(texts.shortTime(platform::Date{1e300}), "");
}

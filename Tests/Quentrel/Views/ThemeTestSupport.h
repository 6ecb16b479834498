#pragma once

#include <string>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QString>
#include <QWidget>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Quentrel/Views/Controls/FocusArrival.h"
#include "Quentrel/Views/Controls/FocusDeparture.h"
#include "Quentrel/Views/Controls/ObserverAccessibility.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"

namespace quentrel::testing {

// Applies the theme and installs the accessibility interfaces and the focus policies once, as the
// UI app does at start; call it from each test's set-up.
inline void applyTheme() {
    static const bool applied = [] {
        ObserverTheme::applyToApplication(*qApp);
        installObserverAccessibility();
        FocusArrival::install();
        FocusDeparture::install();
        return true;
    }();
    (void)applied;
}

// Writes `image` as <name>.png into the folder that ctest names in KAVRINET_SCREENSHOTS (the build
// folder's Screenshots); does nothing when the variable is not set. A picture that cannot be
// written (or an empty one) fails the case. Screenshots are for people to look at, not goldens.
inline void writeScreenshot(const QImage& image, const QString& name) {
    const QString folder = qEnvironmentVariable("KAVRINET_SCREENSHOTS");
    if (folder.isEmpty()) return;
    const QString file = QDir(folder).filePath(name + QStringLiteral(".png"));
    EXPECT_TRUE(QDir().mkpath(folder) && image.save(file)) << "cannot write " << file.toStdString();
}

// The texts of the labels that `root` shows, one a line, in UTF-8.
inline std::string shownTexts(const QWidget& root) {
    QStringList texts;
    for (const QLabel* label : root.findChildren<QLabel*>())
        if (label->isVisibleTo(&root)) texts << label->text();
    return texts.join(QLatin1Char('\n')).toStdString();
}

inline void writeScreenshot(QWidget& widget, const QString& name) {
    writeScreenshot(widget.grab().toImage(), name);
}

}  // namespace quentrel::testing

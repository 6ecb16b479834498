#pragma once

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QString>
#include <QWidget>

#include "Quentrel/Views/Controls/ObserverAccessibility.h"
#include "Quentrel/Views/Controls/ObserverFocusRing.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"

namespace quentrel::testing {

// Applies the theme and installs the accessibility interfaces and the focus ring once, as the UI
// app does at start; call it from each test's set-up.
inline void applyTheme() {
    static const bool applied = [] {
        ObserverTheme::applyToApplication(*qApp);
        installObserverAccessibility();
        ObserverFocusRing::install();
        return true;
    }();
    (void)applied;
}

// Writes `image` as <name>.png into the folder that ctest names in KAVRINET_SCREENSHOTS; does
// nothing when the variable is not set. Screenshots are for people to look at, not goldens.
inline void writeScreenshot(const QImage& image, const QString& name) {
    const QString folder = qEnvironmentVariable("KAVRINET_SCREENSHOTS");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    image.save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

inline void writeScreenshot(QWidget& widget, const QString& name) {
    writeScreenshot(widget.grab().toImage(), name);
}

}  // namespace quentrel::testing

#include "QtDesktopIdentity.h"

#include <QGuiApplication>
#include <QIcon>

#include "Platform/Desktop/DesktopIdentity.h"

namespace platform {

namespace {
// Built in from Icon/ (the file the install puts under hicolor), drawn by Qt Svg's icon engine.
constexpr char kIconResource[] = ":/kavrinet/icon/local.mirosal.Kavrinet.svg";
}  // namespace

void applyDesktopIdentity() {
    QGuiApplication::setDesktopFileName(QString::fromLatin1(desktopEntryName));
    QGuiApplication::setWindowIcon(QIcon(QString::fromLatin1(kIconResource)));
}

}  // namespace platform

#include "QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace platform {

namespace {
constexpr char kCatalogue[] = "qtbase";
constexpr char kSeparator[] = "_";
}  // namespace

bool installQtTranslations(QCoreApplication& application) {
    auto* translator = new QTranslator(&application);
    // Tries the locale's UI languages in turn (qtbase_ko_KR, then qtbase_ko, ...).
    if (translator->load(QLocale::system(), QString::fromLatin1(kCatalogue), QString::fromLatin1(kSeparator),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

}  // namespace platform

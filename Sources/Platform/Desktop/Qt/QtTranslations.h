#pragma once

class QCoreApplication;

namespace platform {

// Qt's own words in the user's language: the standard buttons of message boxes, the file dialog,
// the context menus of text. Loads Qt's translations (qtbase_<language>.qm in Qt's translations
// folder) for the system locale into `application`, which keeps them. False when there are none
// for the locale (English needs none) or they cannot be read; Qt then speaks English.
bool installQtTranslations(QCoreApplication& application);

}  // namespace platform

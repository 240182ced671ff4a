#pragma once

#include <QLocale>

class QCoreApplication;

namespace captiloom::platform {

// Loads Qt's own translations for `locale` into the application, so that the
// standard buttons of message boxes and file dialogs, the command line's
// parser and the reasons Qt gives for a failed file operation ("Permission
// denied") speak the user's language, in the window and on the command line
// alike. Returns whether a translation was found.
bool installQtTranslations(QCoreApplication &application, const QLocale &locale = QLocale());

} // namespace captiloom::platform

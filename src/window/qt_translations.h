#pragma once

#include <QLocale>

class QCoreApplication;

namespace captiloom::window {

// Loads Qt's own translations for `locale` into the application, so that the
// standard buttons of message boxes and file dialogs speak the user's
// language. Returns whether a translation was found.
bool installQtTranslations(QCoreApplication &application, const QLocale &locale = QLocale());

} // namespace captiloom::window

#pragma once

#include <QTranslator>

namespace captiloom::console {

// Puts what a conversion run says into the command line's words, in the
// user's language: one line that starts with the source's name needs no
// path of the source again, and the line of a finished run names the file it
// wrote. The reasons the system gives come from Qt's own translations.
class RunTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char *disambiguation,
                      int n) const override;
    bool isEmpty() const override { return false; }
};

// Installs Qt's translations and the one above for the rest of the program.
void installConsoleTranslations();

} // namespace captiloom::console

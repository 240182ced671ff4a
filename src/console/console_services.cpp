#include "console_services.h"

#include "terminal.h"

#include <QDir>

namespace captiloom::console {

ConsoleServices::ConsoleServices(QString sourceName, QString outputPath, bool overwrite)
    : m_sourceName(std::move(sourceName))
    , m_outputPath(std::move(outputPath))
    , m_overwrite(overwrite)
{ }

conversion::Services::Answer ConsoleServices::showMessage(const QString &text, const QString &,
                                                          Buttons buttons, bool)
{
    if (buttons == Buttons::Ok) {
        for (const QString &line : std::exchange(m_beforeClosing, {}))
            say(line);
        say(text);
        return Answer::Ok;
    }
    // The one question a run asks: whether to replace an existing output.
    if (m_overwrite) {
        say(text + localized(u" 是（--overwrite）", u" Yes (--overwrite)"));
        return Answer::Yes;
    }
    const QString kept = QDir::toNativeSeparators(m_outputPath);
    say(text
        + localized(u" 否：%1 保持原样（加 --overwrite 可覆盖）",
                    u" No: %1 is left as it is (--overwrite replaces it)")
              .arg(kept));
    m_stopped = true;
    m_kept = true;
    return Answer::No;
}

void ConsoleServices::reportFailure(const QString &description)
{
    m_beforeClosing.clear();
    say(description);
    m_stopped = true;
}

void ConsoleServices::say(const QString &text) const
{
    // One line each, without the leading spaces that centre a text in a box;
    // a line break in a system's reason would split it.
    QString line = m_sourceName + u": " + text.trimmed();
    line.replace(u'\n', u' ').remove(u'\r');
    writeLine(Stream::Error, line);
}

} // namespace captiloom::console

#pragma once

#include <QString>

#include <optional>

namespace captiloom::window {

// A file chooser that remembers its last successful choice for as long as it
// exists, so that a cancel gives back the file chosen before.
class FileChooser
{
public:
    virtual ~FileChooser();

    // Shows the chooser with one filter. Gives the chosen file's full path;
    // after a cancel the path chosen last time; an empty text when nothing
    // was ever chosen.
    QString fileName(const QString &description, const QString &pattern);

protected:
    // Empty until a showing gave a name.
    const QString &lastFileName() const { return m_lastFileName; }

    // One showing: the chosen full path, or nothing when the user cancels.
    virtual std::optional<QString> ask(const QString &description, const QString &pattern) = 0;

private:
    QString m_lastFileName;
};

} // namespace captiloom::window

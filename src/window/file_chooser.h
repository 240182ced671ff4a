#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace captiloom::window {

// One entry of a chooser's list of file types.
struct FileType
{
    QString description; // "utf Files(*.utf)"
    QString pattern; // "*.utf"
    // Added to a name chosen with this type that does not end in it already,
    // in any letter case; empty for a type that adds nothing.
    QString suffix = {};
};

// A file chooser that remembers its last successful choice for as long as it
// exists, so that a cancel gives back the file chosen before.
class FileChooser
{
public:
    struct Choice
    {
        QString path; // full path
        qsizetype type = 0; // in the list shown
    };

    // What a showing gives.
    struct Answer
    {
        // The chosen file's full path, with its type's suffix; after a cancel
        // the path chosen last time; empty when nothing was ever chosen.
        QString path;
        // The type chosen with it; none after a cancel.
        std::optional<qsizetype> type;
    };

    virtual ~FileChooser();

    // Shows the chooser with its types, `type` selected, opened in `folder`
    // when one is given, else at the last choice.
    Answer choose(const QList<FileType> &types, qsizetype type = 0, const QString &folder = {});

protected:
    // Empty until a showing gave a name.
    const QString &lastFileName() const { return m_lastFileName; }

    // One showing, `type` selected: the chosen full path and type, or
    // nothing when the user cancels.
    virtual std::optional<Choice> ask(const QList<FileType> &types, qsizetype type,
                                      const QString &folder) = 0;

private:
    QString m_lastFileName;
};

} // namespace captiloom::window

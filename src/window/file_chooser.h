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

    virtual ~FileChooser();

    // Shows the chooser with its types, the first one selected, opened in
    // `folder` when one is given, else at the last choice. Gives the chosen
    // file's full path, with its type's suffix; after a cancel the path
    // chosen last time; an empty text when nothing was ever chosen.
    QString fileName(const QList<FileType> &types, const QString &folder = {});

protected:
    // Empty until a showing gave a name.
    const QString &lastFileName() const { return m_lastFileName; }

    // One showing: the chosen full path and type, or nothing when the user cancels.
    virtual std::optional<Choice> ask(const QList<FileType> &types, const QString &folder) = 0;

private:
    QString m_lastFileName;
};

} // namespace captiloom::window

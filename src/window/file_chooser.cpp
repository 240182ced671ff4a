#include "file_chooser.h"

namespace captiloom::window {

FileChooser::~FileChooser() = default;

QString FileChooser::fileName(const QList<FileType> &types, const QString &folder)
{
    auto chosen = ask(types, folder);
    if (!chosen || chosen->path.isEmpty())
        return m_lastFileName;
    const QString suffix = types.value(chosen->type).suffix;
    if (!chosen->path.endsWith(suffix, Qt::CaseInsensitive))
        chosen->path += suffix;
    m_lastFileName = std::move(chosen->path);
    return m_lastFileName;
}

} // namespace captiloom::window

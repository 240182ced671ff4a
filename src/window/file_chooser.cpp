#include "file_chooser.h"

namespace captiloom::window {

FileChooser::~FileChooser() = default;

FileChooser::Answer FileChooser::choose(const QList<FileType> &types, qsizetype type,
                                        const QString &folder)
{
    auto chosen = ask(types, type, folder);
    if (!chosen || chosen->path.isEmpty())
        return { m_lastFileName, std::nullopt };
    const QString suffix = types.value(chosen->type).suffix;
    if (!chosen->path.endsWith(suffix, Qt::CaseInsensitive))
        chosen->path += suffix;
    m_lastFileName = std::move(chosen->path);
    return { m_lastFileName, chosen->type };
}

} // namespace captiloom::window

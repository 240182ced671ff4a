#include "file_chooser.h"

namespace captiloom::window {

FileChooser::~FileChooser() = default;

QString FileChooser::fileName(const QString &description, const QString &pattern)
{
    if (auto chosen = ask(description, pattern); chosen && !chosen->isEmpty())
        m_lastFileName = std::move(*chosen);
    return m_lastFileName;
}

} // namespace captiloom::window

#pragma once

#include <QString>

namespace captiloom::conversion {

// The subtitle file's default name: every ".txt" in the path, in exactly that
// letter case, becomes "(字幕).utf"; nothing else changes. A path without
// one comes back as it is.
QString DeriveOutputPath(const QString &path);

} // namespace captiloom::conversion

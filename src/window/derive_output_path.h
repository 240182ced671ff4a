#pragma once

#include <QString>

namespace captiloom::window {

// The subtitle file's default name: every ".txt" in the file name (exact
// letter case) becomes "(字幕).utf". Folder names are left alone, so the
// subtitle always lands next to its source instead of in a folder that
// does not exist.
QString DeriveOutputPath(const QString &path);

} // namespace captiloom::window

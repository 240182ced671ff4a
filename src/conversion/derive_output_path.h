#pragma once

#include "subtitle_document.h"

#include <QString>

namespace captiloom::conversion {

// The subtitle file's default name: every ".txt" in the path, in exactly that
// letter case, becomes "(字幕).utf", or "(字幕).srt" for an SRT file; nothing
// else changes. A path without one comes back as it is.
QString DeriveOutputPath(const QString &path, DocumentFormat format = DocumentFormat::Utf);

} // namespace captiloom::conversion

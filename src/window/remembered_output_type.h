#pragma once

#include "subtitle_document.h"

namespace captiloom::window {

// The type of subtitle file last chosen in the output chooser, kept in the
// user's settings so that it holds for the next source and the next start:
// on Windows the value OutputType of HKEY_CURRENT_USER\Software\Captiloom\captiloom,
// elsewhere the line OutputType= of ~/.config/Captiloom/captiloom.conf
// ($XDG_CONFIG_HOME). Nothing stored, or anything else stored, is the utf type,
// which the user had before there was a choice to remember.
conversion::DocumentFormat rememberedOutputFormat();
void rememberOutputFormat(conversion::DocumentFormat format);

} // namespace captiloom::window

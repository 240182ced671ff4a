#pragma once

#include <QString>

namespace captiloom::console {

// Where a line of text goes: the program's standard output or its standard
// error, or on Windows the console the program was started from, since a
// windowed program has neither of its own.
enum class Stream { Output, Error };

// Writes `text` and a line end so that the user can read it: on Unix in the
// locale's legacy encoding where it has one (zh_CN.GB18030), else UTF-8; on
// Windows wide characters into a console, whatever its code page, and the
// ANSI code page into a file or a pipe.
void writeLine(Stream stream, const QString &text);

// Whether the user reads Chinese: the first language of the user's locale.
bool userReadsChinese();

// `chinese` for a user who reads Chinese, `english` for everyone else.
QString localized(QStringView chinese, QStringView english);

} // namespace captiloom::console

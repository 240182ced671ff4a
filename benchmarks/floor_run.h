#pragma once

#include <QByteArray>
#include <QString>

namespace captiloom::bench {

// The least work a conversion needs, done with the calls the program uses:
// read the source's bytes once, decode them to UTF-16 once, and put the
// document's bytes on disk once, flushed and renamed into place. False when
// a step fails.
bool floorRun(const QString &source, const QString &output, const QByteArray &document);

} // namespace captiloom::bench

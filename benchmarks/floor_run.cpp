#include "floor_run.h"

#include "code_page.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace captiloom::bench {

bool floorRun(const QString &source, const QString &output, const QByteArray &document)
{
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    QByteArray bytes(file.size(), Qt::Uninitialized);
    if (file.read(bytes.data(), bytes.size()) != bytes.size())
        return false;
    QStringDecoder decoder(platform::CodePage::systemName().constData(),
                           QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes);

    QSaveFile saver(output);
    return !text.isNull() && saver.open(QIODevice::WriteOnly)
        && saver.write(document) == document.size() && saver.commit();
}

} // namespace captiloom::bench

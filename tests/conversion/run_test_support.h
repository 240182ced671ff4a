#pragma once

// What the conversion-run suites share: the texts a run shows, as the
// recording services write them down, and small file helpers.

#include <QFile>
#include <QString>
#include <QStringEncoder>
#include <QTest>

namespace runtest {

// Leading spaces are part of these texts.
inline const QString noSource = u"message "_qs + QString(10, u' ') + u"请选择源文件|<app>|ok"_qs;
inline const QString noOutput = u"message "_qs + QString(9, u' ') + u"请选择输出文件|<app>|ok"_qs;
inline const QString sourceMissing =
    u"message "_qs + QString(10, u' ') + u"没找到源文件|<app>|ok"_qs;
inline const QString overwrite = u"message 目标文件已存在，要覆盖吗？！|覆盖确认|yes/no|?"_qs;
inline const QString sameFile = u"message 输出文件与源文件相同，请另选输出文件|<app>|ok"_qs;
inline const QString finished =
    u"message "_qs + QString(6, u' ') + u"恭喜，恭喜！ 转换成功！|<app>|ok"_qs;

inline QString tooLong(int line)
{
    return u"message 第%1行太长。一般每行不超过20字。请修改后再试！|<app>|ok"_qs.arg(line);
}

inline QString unsavable(int line, const QString &character)
{
    return u"message 第%1行含有无法保存的字符“%2”。请修改后再试！|<app>|ok"_qs.arg(line).arg(
        character);
}

inline QByteArray gbk(const QString &text)
{
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline QByteArray linesOf(int count, const QByteArray &line)
{
    QByteArray out;
    out.reserve(count * (line.size() + 2));
    for (int i = 0; i < count; ++i)
        out += line + "\r\n";
    return out;
}

} // namespace runtest

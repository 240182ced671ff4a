#pragma once

// What the conversion-run suites share: the texts a run shows, as the
// recording services write them down, small file helpers, and the fixture
// every suite's test functions run in.

#include "conversion_run.h"
#include "recording_services.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

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

inline QByteArray block(int number, const char *times, const QByteArray &text)
{
    return QByteArray::number(number) + "\r\n" + times + "\r\n" + text + "\r\n\r\n";
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

inline QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                                  | QDir::System);
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

// A fresh temporary folder and fresh recording services for every test
// function; after each, nothing may have reached the user once the program
// was told to end.
class RunFixture : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_services = RecordingServices();
    }
    void cleanup()
    {
        QVERIFY2(!m_services.calledAfterEnd, "the run went on after ending the program");
        m_dir.reset();
    }

protected:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QStringList entries() const { return runtest::entries(m_dir->path()); }
    void run(const QString &source, const QString &output)
    {
        captiloom::conversion::RunConversion(source, output, m_services);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    RecordingServices m_services;
};

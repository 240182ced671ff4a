#pragma once

#include "services.h"

#include <QDir>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <functional>

using namespace Qt::StringLiterals;

// What the test suites and the fuzz target share.

// Writes down every call a run makes, and answers the overwrite question from
// a script, Yes once it has run out.
class RecordingServices : public captiloom::conversion::Services
{
public:
    QStringList calls; // every call, progress included
    QStringList messages; // what the user reads: messages, failures and "end"
    QList<Answer> answers;
    std::function<void()> duringFirstProgress; // runs once, half-way through a run

    Answer showMessage(const QString &text, const QString &title, Buttons buttons,
                       bool icon) override
    {
        record(text + u'|' + (title.isEmpty() ? u"<app>"_s : title)
                   + (buttons == Buttons::YesNo ? u"|yes/no"_s : u""_s) + (icon ? u"|?"_s : u""_s),
               true);
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        return answers.isEmpty() ? Answer::Yes : answers.takeFirst();
    }
    void showProgress() override
    {
        record(u"show"_s);
        if (duringFirstProgress)
            std::exchange(duringFirstProgress, nullptr)();
    }
    void setProgressMaximum(float value) override { record(u"max %1"_s.arg(value)); }
    void setProgressMinimum(float value) override { record(u"min %1"_s.arg(value)); }
    void setProgressPosition(float value) override { record(u"pos %1"_s.arg(value)); }
    void hideProgress() override { record(u"hide"_s); }
    void endProgram() override { record(u"end"_s, true); }
    void reportFailure(const QString &text) override { record(u"failure "_s + text, true); }

private:
    void record(const QString &call, bool message = false)
    {
        calls << call;
        if (message)
            messages << call;
    }
};

// What a run shows, as written down above; the leading spaces belong to the texts.
namespace shown {
inline const QString noSource = QString(10, u' ') + u"请选择源文件|<app>"_s;
inline const QString noOutput = QString(9, u' ') + u"请选择输出文件|<app>"_s;
inline const QString sourceMissing = QString(10, u' ') + u"没找到源文件|<app>"_s;
inline const QString overwrite = u"目标文件已存在，要覆盖吗？！|覆盖确认|yes/no|?"_s;
inline const QString sameFile = u"输出文件与源文件相同，请另选输出文件|<app>"_s;
inline const QString finished = QString(6, u' ') + u"恭喜，恭喜！ 转换成功！|<app>"_s;
inline const QString tooLong = u"第%1行太长。一般每行不超过20字。请修改后再试！|<app>"_s;
inline const QString unsavable = u"第%1行含有无法保存的字符“%2”。请修改后再试！|<app>"_s;
inline const QString undecodable =
    u"第%1行含有无法识别的字节，不能写入SRT文件。请修改后再试！|<app>"_s;
} // namespace shown

inline QByteArray block(qint64 number, const QByteArray &times, const QByteArray &text)
{
    return QByteArray::number(number) + "\r\n" + times + "\r\n" + text + "\r\n\r\n";
}

// A text as saved with a byte order mark.
inline QByteArray marked(QStringConverter::Encoding encoding, const QString &text)
{
    return QStringEncoder(encoding, QStringConverter::Flag::WriteBom).encode(text);
}

// A text as saved in each encoding a source may have; its GBK bytes are given,
// since Windows' Qt has no GBK converter of its own.
inline QList<std::pair<const char *, QByteArray>> inEveryEncoding(const QString &text,
                                                                  const QByteArray &gbk)
{
    return { { "GBK", gbk },
             { "UTF-8", text.toUtf8() },
             { "UTF-8, marked", marked(QStringConverter::Utf8, text) },
             { "UTF-16 LE", marked(QStringConverter::Utf16LE, text) },
             { "UTF-16 BE", marked(QStringConverter::Utf16BE, text) } };
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A new temporary folder, which relative paths start from.
class TemporaryFolder : public QTemporaryDir
{
public:
    TemporaryFolder()
        : QTemporaryDir(QDir::tempPath() + u"/captiloom-XXXXXX"_s)
    {
        QDir::setCurrent(path());
    }
    // Windows keeps the current folder from being removed.
    ~TemporaryFolder() { QDir::setCurrent(QDir::rootPath()); }
    // Everything in it, hidden files and FIFOs included.
    QStringList entries() const
    {
        return QDir(path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                                      | QDir::System);
    }
};

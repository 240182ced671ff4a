// `captiloom --convert` as a user runs it on a season of scripts: without a
// window or a display, each source to its derived name, one line on standard
// error for every message, and an exit status that says whether all went well.

#include "test_support.h"

#include <QProcess>
#include <QtTest>

namespace {

// 第一行, a pause, 第二行 Reelvane, in GBK, and what every conversion of it writes.
const QByteArray goodSource =
    "\xb5\xda\xd2\xbb\xd0\xd0\r\n\r\n\xb5\xda\xb6\xfe\xd0\xd0 Reelvane\r\n";
const QByteArray expected = block(1, "00:00:12,440 --> 00:00:13,440", "\xb5\xda\xd2\xbb\xd0\xd0")
    + block(2, "00:00:15,440 --> 00:00:18,440", "\xb5\xda\xb6\xfe\xd0\xd0 Reelvane");
const QByteArray expectedSrt = u"1\n00:00:12,440 --> 00:00:13,440\n第一行\n\n"
                               u"2\n00:00:15,440 --> 00:00:18,440\n第二行 Reelvane\n\n"_s.toUtf8();

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT
    TemporaryFolder m_folder;

    struct Finished
    {
        int status;
        QStringList errors; // standard error's lines
    };

    Finished run(const QStringList &arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
#ifndef Q_OS_WIN
        // No display, and no plugin to open a window with if one was looked for.
        for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
            environment.remove(QString::fromLatin1(name));
        environment.insert(u"QT_QPA_PLATFORM_PLUGIN_PATH"_s, m_folder.filePath(u"无插件"_s));
#endif
        process.setProcessEnvironment(environment);
        process.start(QDir(QCoreApplication::applicationDirPath())
                          .filePath(QStringLiteral(CAPTILOOM_PROGRAM_FROM_SUITE)),
                      arguments);
        const bool ended = process.waitForFinished(60000);
        const QString errors = QString::fromLocal8Bit(process.readAllStandardError());
        return { ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                 errors.split(u'\n', Qt::SkipEmptyParts) };
    }

private slots:
    void convert_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("oldOutput"); // of good.txt, when there is one
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("errors"); // what each line starts with
        QTest::addColumn<QStringList>("written"); // the good sources' outputs

        const QString ok = u"恭喜，恭喜！ 转换成功！"_s;
        const QString kept = u"目标文件已存在，要覆盖吗？！"_s;
        // clang-format off
        QTest::newRow("every source good") << QStringList { u"--convert"_s, u"good.txt"_s, u"子 目录/片头.txt"_s } << QString() << 0
            << QStringList { u"good.txt: "_s + ok, u"子 目录/片头.txt: "_s + ok } << QStringList { u"good(字幕).utf"_s, u"子 目录/片头(字幕).utf"_s };
        // Each bad source stops only itself, whatever comes after it.
        QTest::newRow("bad sources") << QStringList { u"--convert"_s, u"long.txt"_s, u"emoji.txt"_s, u"missing.txt"_s, u"good.txt"_s } << QString() << 1
            << QStringList { u"long.txt: 第2行太长。"_s, u"emoji.txt: 第1行含有无法保存的字符"_s, u"missing.txt: 没找到源文件"_s, u"good.txt: "_s + ok } << QStringList { u"good(字幕).utf"_s };
        QTest::newRow("output kept") << QStringList { u"--convert"_s, u"good.txt"_s } << u"旧"_s << 1
            << QStringList { u"good.txt: "_s + kept } << QStringList();
        QTest::newRow("output replaced") << QStringList { u"--overwrite"_s, u"--convert"_s, u"good.txt"_s } << u"旧"_s << 0
            << QStringList { u"good.txt: "_s + kept, u"good.txt: "_s + ok } << QStringList { u"good(字幕).utf"_s };
        // The same file twice is converted once; a file the batch writes is no source.
        QTest::newRow("twice, and an output") << QStringList { u"--convert"_s, u"good(字幕).utf"_s, u"good.txt"_s, u"./good.txt"_s } << QString() << 1
            << QStringList { u"good(字幕).utf: "_s, u"good.txt: "_s + ok, u"./good.txt: "_s } << QStringList { u"good(字幕).utf"_s };
        QTest::newRow("SRT files") << QStringList { u"--convert"_s, u"--srt"_s, u"good.txt"_s, u"子 目录/片头.txt"_s } << QString() << 0
            << QStringList { u"good.txt: "_s + ok, u"子 目录/片头.txt: "_s + ok } << QStringList { u"good(字幕).srt"_s, u"子 目录/片头(字幕).srt"_s };
        QTest::newRow("--srt without --convert") << QStringList { u"--srt"_s, u"good.txt"_s } << QString() << 2 << QStringList() << QStringList();
        QTest::newRow("no file to convert") << QStringList { u"--convert"_s } << QString() << 2 << QStringList() << QStringList();
        QTest::newRow("two files for the window") << QStringList { u"good.txt"_s, u"long.txt"_s } << QString() << 2 << QStringList() << QStringList();
        // clang-format on
    }
    void convert()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, oldOutput);
        QFETCH(QStringList, errors);
        TemporaryFolder folder;
        QVERIFY(QDir().mkdir(u"子 目录"_s));
        QVERIFY(writeFile(u"good.txt"_s, goodSource));
        QVERIFY(writeFile(u"子 目录/片头.txt"_s, goodSource));
        QVERIFY(writeFile(u"long.txt"_s, "ab\r\n" + QString(24, u'长').toUtf8()));
        QVERIFY(writeFile(u"emoji.txt"_s, u"表情😀"_s.toUtf8()));
        if (!oldOutput.isEmpty())
            QVERIFY(writeFile(u"good(字幕).utf"_s, oldOutput.toUtf8()));

        const Finished finished = run(arguments);
        QTEST(finished.status, "status");
        if (finished.status != 2) {
            QCOMPARE(finished.errors.size(), errors.size());
            for (qsizetype i = 0; i < errors.size(); ++i)
                QVERIFY2(finished.errors[i].startsWith(errors[i]), qPrintable(finished.errors[i]));
        }

        // Nothing written for a bad source, and an old output kept unless replaced.
        QFETCH(QStringList, written);
        const bool oldKept = !oldOutput.isEmpty() && written.isEmpty();
        const QStringList patterns { u"*.utf"_s, u"*.srt"_s };
        const QStringList outputs =
            QDir().entryList(patterns) + QDir(u"子 目录"_s).entryList(patterns);
        QCOMPARE(outputs.size(), written.size() + oldKept);
        for (const QString &output : written)
            QCOMPARE(readFile(output), output.endsWith(u".srt") ? expectedSrt : expected);
        if (oldKept)
            QCOMPARE(readFile(u"good(字幕).utf"_s), oldOutput.toUtf8());
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_command_line.moc"

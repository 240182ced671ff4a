// The command line as its callers use it: each row one invocation, in a
// folder of its own, with the exit status, standard output and standard
// error compared whole, in a Chinese locale and in C.UTF-8.

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
const QByteArray oldOutput = "old";

// clang-format off
const QString usageZh = u"用法：captiloom [选项] [文件]\n　　　captiloom --convert [--overwrite] [--srt] 文件…\n　　　captiloom --convert --audio 录音 [--overwrite] [--srt] 文件\n　　　captiloom --split [--open] [--overwrite] 文件…\n"_s;
const QString usageEn = u"Usage: captiloom [options] [file]\n       captiloom --convert [--overwrite] [--srt] file...\n       captiloom --convert --audio recording [--overwrite] [--srt] file\n       captiloom --split [--open] [--overwrite] file...\n"_s;
const QString hintZh = u"“captiloom --help”列出全部选项。\n"_s;
const QString hintEn = u"\"captiloom --help\" lists every option.\n"_s;
const QString helpZh = usageZh + u"把逐行书写的解说文字转换成带时间的字幕文件。\n给出一个文件时，窗口打开后即已选好它作为源文件。\n\n选项：\n"
    u"  -h, -?, --help  显示本帮助。\n  -v, --version   显示版本号。\n"
    u"  --convert       不打开窗口，依次把每个“名称.txt”转换成“名称(字幕).utf”。\n"
    u"  --split         不打开窗口，把每个“名称.txt”断成字幕短行，写成“名称(断行).txt”。\n"
    u"  --open          与 --split 同用：断行后打开窗口，选好断行稿作为源文件。\n"
    u"  --overwrite     与 --convert 或 --split 同用：替换已有的字幕文件或断行稿（默认保留）。\n"
    u"  --srt           与 --convert 同用：改为生成 UTF-8 编码的“名称(字幕).srt”，供\n                  ffmpeg、Kdenlive、Shotcut 等软件导入。\n"
    u"  --audio <录音>  与 --convert 同用：按录音里说话的时间给唯一的一个字幕稿对时。\n"_s;
const QString helpEn = usageEn + u"Turns a text of narration lines into a timed subtitle file.\nGiven a file, the window opens with it chosen as the source.\n\nOptions:\n"
    u"  -h, -?, --help       Shows this help.\n"
    u"  -v, --version        Shows the version.\n"
    u"  --convert            Converts each name.txt, in order, to name(字幕).utf\n                       without a window.\n"
    u"  --split              Breaks the prose of each name.txt into subtitle lines,\n                       written to name(断行).txt to be reviewed, then converted.\n"
    u"  --open               With --split: then opens the window with the script\n                       chosen as the source.\n"
    u"  --overwrite          With --convert or --split: replaces subtitle files or\n                       scripts that exist (kept otherwise).\n"
    u"  --srt                With --convert: writes name(字幕).srt in UTF-8 instead,\n                       for ffmpeg, Kdenlive, Shotcut and other editors.\n"
    u"  --audio <recording>  With --convert: times the one script to where it is\n                       spoken in this recording.\n"_s;
const QString noDesktopZh = u"captiloom: 没有可以显示窗口的图形桌面（DISPLAY 和 WAYLAND_DISPLAY 都未设置）。请在桌面会话中启动；若不需要窗口，可以这样转换文件：captiloom --convert 文件…\n"_s;
const QString noDisplayEn = u"captiloom: cannot open a window on display \":99\": it cannot be reached, or Qt's window system plugin is missing (Debian packages qt6-qpa-plugins and libxcb-cursor0). To convert without a window: captiloom --convert FILE...\n"_s;
// clang-format on

// A full disk, from libfiu's preload library; its runtime cannot come before
// the sanitizers' own.
const QString fullDisk = u"enable name=posix/io/rw/write,failinfo=28"_s;

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void invocation_data()
    {
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<QString>("fault"); // libfiu's, if any
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("errors"); // %F: the row's folder
        QTest::addColumn<QStringList>("written"); // the outputs that hold `expected`
        QTest::addColumn<bool>("anywhere"); // false: a Unix system's reason, or a display

        const QByteArray zh = "zh_CN.UTF-8", en = "C.UTF-8", gb = "zh_CN.GB18030";
        const QStringList batch { u"--convert"_s,        u"good(字幕).utf"_s, u"good.txt"_s,
                                  u"子 目录/片头.txt"_s, u"long.txt"_s,       u"missing.txt"_s,
                                  u"文件夹.txt"_s,       u"kept.txt"_s,       u"./good.txt"_s };
        const QStringList good { u"good(字幕).utf"_s, u"子 目录/片头(字幕).utf"_s };
        // clang-format off
        QTest::newRow("zh batch") << zh << QString() << batch << 1 << QString() << u"good(字幕).utf: 这是 good.txt 的输出文件，不作为源文件转换\ngood.txt: 转换成功，已写入 %F/good(字幕).utf\n子 目录/片头.txt: 转换成功，已写入 %F/子 目录/片头(字幕).utf\n"
            u"long.txt: 第2行太长。一般每行不超过20字。请修改后再试！\nmissing.txt: 没找到源文件\n文件夹.txt: 这是文件夹，不是文本文件\n"
            u"kept.txt: 目标文件已存在，要覆盖吗？！ 否：%F/kept(字幕).utf 保持原样（加 --overwrite 可覆盖）\n./good.txt: 与 good.txt 是同一个文件，不再重复转换\n共 7 个文件：已转换 2 个，字幕文件已存在而跳过 1 个，未能转换 4 个\n"_s << good << true;
        QTest::newRow("C batch") << en << QString() << batch << 1 << QString() << u"good(字幕).utf: this is the output of good.txt, not converted as a source\ngood.txt: converted, written to %F/good(字幕).utf\n子 目录/片头.txt: converted, written to %F/子 目录/片头(字幕).utf\n"
            u"long.txt: line 2 is too long: keep lines to 20 characters (23 at most), then try again\nmissing.txt: source file not found\n文件夹.txt: this is a folder, not a text file\n"
            u"kept.txt: the output file exists; replace it? No: %F/kept(字幕).utf is left as it is (--overwrite replaces it)\n./good.txt: the same file as good.txt, not converted twice\nconverted 2 of 7, skipped 1 whose subtitle file exists, not converted 4\n"_s << good << true;
        // A pipe on Windows takes the ANSI code page, which has no emoji.
        QTest::newRow("zh unsavable") << zh << QString() << QStringList { u"--convert"_s, u"emoji.txt"_s } << 1 << QString() << u"emoji.txt: 第1行含有无法保存的字符“😀”。请修改后再试！\n"_s << QStringList() << false;
        QTest::newRow("C unsavable") << en << QString() << QStringList { u"--convert"_s, u"emoji.txt"_s } << 1 << QString() << u"emoji.txt: line 1 holds the character \"😀\", which the output cannot store; change it, then try again\n"_s << QStringList() << false;
        QTest::newRow("zh replaced") << zh << QString() << QStringList { u"--overwrite"_s, u"--convert"_s, u"kept.txt"_s } << 0 << QString() << u"kept.txt: 目标文件已存在，要覆盖吗？！ 是（--overwrite）\nkept.txt: 转换成功，已写入 %F/kept(字幕).utf\n"_s << QStringList { u"kept(字幕).utf"_s } << true;
        QTest::newRow("zh refused twice") << zh << QString() << QStringList { u"--convert"_s, u"文件夹.txt"_s, u"文件夹.txt/"_s } << 1 << QString() << u"文件夹.txt: 这是文件夹，不是文本文件\n文件夹.txt/: 与 文件夹.txt 是同一个文件，不再重复转换\n共 1 个文件：已转换 0 个，字幕文件已存在而跳过 0 个，未能转换 1 个\n"_s << QStringList() << true;
        QTest::newRow("zh output a folder") << zh << QString() << QStringList { u"--convert"_s, u"out.txt"_s } << 1 << QString() << u"out.txt: 无法写入文件 %F/out(字幕).utf：文件名指向一个目录\n"_s << QStringList() << false;
        QTest::newRow("C output a folder") << en << QString() << QStringList { u"--convert"_s, u"out.txt"_s } << 1 << QString() << u"out.txt: cannot write %F/out(字幕).utf: Filename refers to a directory\n"_s << QStringList() << false;
        QTest::newRow("zh unreadable") << zh << QString() << QStringList { u"--convert"_s, u"unreadable.txt"_s } << 1 << QString() << u"unreadable.txt: 无法打开文件：权限被拒绝\n"_s << QStringList() << false;
        QTest::newRow("C unreadable") << en << QString() << QStringList { u"--convert"_s, u"unreadable.txt"_s } << 1 << QString() << u"unreadable.txt: cannot open the file: Permission denied\n"_s << QStringList() << false;
        QTest::newRow("zh full disk") << zh << fullDisk << QStringList { u"--convert"_s, u"good.txt"_s } << 1 << QString() << u"good.txt: 无法写入文件 %F/good(字幕).utf：设备中已没有剩余空间\n"_s << QStringList() << false;
        QTest::newRow("C full disk") << en << fullDisk << QStringList { u"--convert"_s, u"good.txt"_s } << 1 << QString() << u"good.txt: cannot write %F/good(字幕).utf: No space left on device\n"_s << QStringList() << false;
        QTest::newRow("C missing") << en << QString() << QStringList { u"--convert"_s, u"missing.txt"_s } << 1 << QString() << u"missing.txt: source file not found\n"_s << QStringList() << true;
        QTest::newRow("zh SRT files") << zh << QString() << QStringList { u"--convert"_s, u"--srt"_s, u"good.txt"_s, u"子 目录/片头.txt"_s } << 0 << QString() << u"good.txt: 转换成功，已写入 %F/good(字幕).srt\n子 目录/片头.txt: 转换成功，已写入 %F/子 目录/片头(字幕).srt\n共 2 个文件：已转换 2 个，字幕文件已存在而跳过 0 个，未能转换 0 个\n"_s << QStringList { u"good(字幕).srt"_s, u"子 目录/片头(字幕).srt"_s } << true;
        QTest::newRow("C --srt alone") << en << QString() << QStringList { u"--srt"_s, u"good.txt"_s } << 2 << QString() << u"captiloom: --srt goes only with --convert\n"_s + usageEn + hintEn << QStringList() << true;
        QTest::newRow("zh no file") << zh << QString() << QStringList { u"--convert"_s } << 2 << QString() << u"captiloom: --convert 需要至少一个文件\n"_s + usageZh + hintZh << QStringList() << true;
        QTest::newRow("C two for the window") << en << QString() << QStringList { u"good.txt"_s, u"long.txt"_s } << 2 << QString() << u"captiloom: the window takes one file at a time; to convert several, use --convert\n"_s + usageEn + hintEn << QStringList() << true;
        QTest::newRow("zh unknown") << zh << QString() << QStringList { u"-x"_s, u"--convert"_s, u"good.txt"_s } << 2 << QString() << u"captiloom: 未知选项：-x\n"_s + usageZh + hintZh << QStringList() << true;
        QTest::newRow("C unknown") << en << QString() << QStringList { u"-x"_s, u"--nope"_s } << 2 << QString() << u"captiloom: unknown option: -x, --nope\n"_s + usageEn + hintEn << QStringList() << true;
        QTest::newRow("zh Qt's words") << zh << QString() << QStringList { u"--convert=good.txt"_s } << 2 << QString() << u"captiloom: “--convert”之后的异常值。\n"_s + usageZh + hintZh << QStringList() << true;
        QTest::newRow("zh /?") << zh << QString() << QStringList { u"/?"_s, u"good.txt"_s } << 0 << helpZh << QString() << QStringList() << true;
        QTest::newRow("C -help") << en << QString() << QStringList { u"-help"_s } << 0 << helpEn << QString() << QStringList() << true;
        QTest::newRow("zh -version") << zh << QString() << QStringList { u"-version"_s } << 0 << u"captiloom " CAPTILOOM_VERSION "\n"_s << QString() << QStringList() << true;
        // Splitting says 断行 where converting says 转换. A character only an SRT file holds still
        // converts; a word too long for a line does not. (A pipe on Windows has no emoji.)
        const QStringList splits { u"--split"_s, u"prose.txt"_s, u"good.txt"_s, u"kept.txt"_s, u"文件夹.txt"_s,
                                   u"url.txt"_s, u"prose(断行).txt"_s, u"./good.txt"_s };
        QTest::newRow("zh split batch") << zh << QString() << splits << 1 << QString() << u"prose.txt: 已断成 3 行字幕、0 处停顿，写入 %F/prose(断行).txt；但其中第1行的字符“😀”只有 .srt 字幕文件能保存：用 --convert --srt 转换可以保留它，转换成 .utf 前请删掉或换掉它\n"
            u"good.txt: 每行都不超过23字，可以直接转换，无需断行；没有写出文件\nkept.txt: %F/kept(断行).txt 已存在，保持原样（加 --overwrite 可重新断行并覆盖它）\n文件夹.txt: 这是文件夹，不是文本文件\n"
            u"url.txt: 已断成 1 行字幕、0 处停顿，写入 %F/url(断行).txt；但其中第1行是一个超过23字的词，无法断开，转换前请手工修改\nprose(断行).txt: 这是 prose.txt 的断行稿，不作为源文件断行\n"
            u"./good.txt: 与 good.txt 是同一个文件，不再重复断行\n共 6 个文件：已断行 1 个，无需断行 1 个，断行稿已存在而跳过 1 个，未能断行 3 个\n"_s << QStringList() << false;
        QTest::newRow("C split batch") << en << QString() << splits << 1 << QString() << u"prose.txt: split into 3 subtitle lines and 0 pauses, written to %F/prose(断行).txt; but its line 1 holds \"😀\", which only an .srt subtitle file can hold: --convert --srt keeps it; remove or replace it before converting to .utf\n"
            u"good.txt: every line has at most 23 characters and converts as it is: nothing to split, nothing written\nkept.txt: %F/kept(断行).txt exists and is left as it is (--overwrite splits again and replaces it)\n文件夹.txt: this is a folder, not a text file\n"
            u"url.txt: split into 1 subtitle lines and 0 pauses, written to %F/url(断行).txt; but its line 1 is a single word of more than 23 characters that cannot be broken: edit it by hand before converting\nprose(断行).txt: this is the script of prose.txt, not split as a source\n"
            u"./good.txt: the same file as good.txt, not split twice\nsplit 1 of 6, 1 needed no splitting, skipped 1 whose script exists, not split 3\n"_s << QStringList() << true;
        QTest::newRow("C split, only SRT holds it") << en << QString() << QStringList { u"--split"_s, u"prose.txt"_s } << 0 << QString() << u"prose.txt: split into 3 subtitle lines and 0 pauses, written to %F/prose(断行).txt; but its line 1 holds \"😀\", which only an .srt subtitle file can hold: --convert --srt keeps it; remove or replace it before converting to .utf\n"_s << QStringList() << false;
        // A terminal in the legacy GB18030 locale reads its own encoding.
        QTest::newRow("GB18030 --help") << gb << QString() << QStringList { u"--help"_s } << 0 << helpZh << QString() << QStringList() << false;
        QTest::newRow("GB18030 missing") << gb << QString() << QStringList { u"--convert"_s, u"missing.txt"_s } << 1 << QString() << u"missing.txt: 没找到源文件\n"_s << QStringList() << false;
        QTest::newRow("zh kept alone") << zh << QString() << QStringList { u"--convert"_s, u"kept.txt"_s } << 1 << QString() << u"kept.txt: 目标文件已存在，要覆盖吗？！ 否：%F/kept(字幕).utf 保持原样（加 --overwrite 可覆盖）\n"_s << QStringList() << true;
        QTest::newRow("C --split --srt") << en << QString() << QStringList { u"--split"_s, u"--srt"_s, u"prose.txt"_s } << 2 << QString() << u"captiloom: --srt does not go with --split: split, review, then convert\n"_s + usageEn + hintEn << QStringList() << true;
        QTest::newRow("C undecodable to SRT") << en << QString() << QStringList { u"--convert"_s, u"--srt"_s, u"bad.txt"_s } << 1 << QString() << u"bad.txt: line 4 holds bytes that form no character, which an SRT file cannot take; change it, then try again\n"_s << QStringList() << true;
        // --split --open splits first, then starts the window (here on a display that cannot be
        // reached); given no file, it asks in the window.
        QTest::newRow("C split, a display named") << en << QString() << QStringList { u"--split"_s, u"--open"_s, u"-display"_s, u":99"_s, u"good.txt"_s } << 1 << QString() << u"good.txt: every line has at most 23 characters and converts as it is: nothing to split, nothing written\n"_s + noDisplayEn << QStringList() << false;
        // With one dash, as Qt's own options are written, they are the same options: a split
        // needs no display.
        QTest::newRow("C -split, a display named") << en << QString() << QStringList { u"-split"_s, u"-display"_s, u":99"_s, u"good.txt"_s } << 0 << QString() << u"good.txt: every line has at most 23 characters and converts as it is: nothing to split, nothing written\n"_s << QStringList() << false;
        QTest::newRow("C -split -open, a display named") << en << QString() << QStringList { u"-split"_s, u"-open"_s, u"-display"_s, u":99"_s } << 1 << QString() << noDisplayEn << QStringList() << false;
        QTest::newRow("C launcher, a display named") << en << QString() << QStringList { u"--split"_s, u"--open"_s, u"-display"_s, u":99"_s } << 1 << QString() << noDisplayEn << QStringList() << false;
        QTest::newRow("zh launcher, no desktop") << zh << QString() << QStringList { u"--split"_s, u"--open"_s } << 1 << QString() << noDesktopZh << QStringList() << false;
        QTest::newRow("zh no desktop") << zh << QString() << QStringList { u"good.txt"_s } << 1 << QString() << noDesktopZh << QStringList() << false;
        QTest::newRow("C -display") << en << QString() << QStringList { u"-display"_s, u":99"_s, u"good.txt"_s } << 1 << QString() << noDisplayEn << QStringList() << false;
        QTest::newRow("C platform set, no display") << en << QString() << QStringList { u"QT_QPA_PLATFORM=nowhere"_s, u"good.txt"_s } << 1 << QString() << QString(noDisplayEn).replace(u":99"_s, QString()) << QStringList() << false;
        // clang-format on
    }
    void invocation()
    {
        QFETCH(QByteArray, locale);
        QFETCH(QString, fault);
        QFETCH(QStringList, arguments);
        TemporaryFolder folder;
        QVERIFY(QDir().mkpath(u"子 目录"_s) && QDir().mkpath(u"文件夹.txt"_s)
                && QDir().mkpath(u"out(字幕).utf"_s));
        for (const QString &name : { u"good.txt"_s, u"子 目录/片头.txt"_s, u"kept.txt"_s,
                                     u"out.txt"_s, u"unreadable.txt"_s })
            QVERIFY(writeFile(name, goodSource));
        QVERIFY(writeFile(u"long.txt"_s, "ab\r\n" + QString(24, u'长').toUtf8()));
        QVERIFY(writeFile(u"emoji.txt"_s, u"表情😀"_s.toUtf8()));
        QVERIFY(writeFile(u"kept(字幕).utf"_s, oldOutput)
                && writeFile(u"kept(断行).txt"_s, oldOutput));
        QVERIFY(writeFile(u"prose.txt"_s,
                          u"第一句话在这里😀。第二句话也在这里。第三句话还在这里。"_s.toUtf8()));
        QVERIFY(writeFile(u"url.txt"_s, "https://example.com/a/very/long/path/name"));
        QVERIFY(writeFile(u"bad.txt"_s, goodSource + "\x81\x20"));
        QFETCH(bool, anywhere);
#ifdef Q_OS_WIN
        // The language is Windows' own, and so are the reasons; nor can a mode take reading away.
        if (locale != "zh_CN.UTF-8" || !anywhere)
            QSKIP("the locale and the reasons are Windows' own");
#else
        Q_UNUSED(anywhere);
        QVERIFY(QFile::setPermissions(u"unreadable.txt"_s, {}));
        if (arguments.contains(u"unreadable.txt"_s)
            && QFile(u"unreadable.txt"_s).open(QIODevice::ReadOnly))
            QSKIP("this user reads every file; the suite's unprivileged run has this row");
#endif

        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LANGUAGE" })
            environment.remove(QString::fromLatin1(name));
        // No plugin to open a window with, so that no display here is ever reached.
        environment.insert(u"QT_QPA_PLATFORM_PLUGIN_PATH"_s, folder.filePath(u"无插件"_s));
        environment.insert(u"LC_ALL"_s, QString::fromLatin1(locale));
        // A setting of the environment may come first, as in a shell.
        if (const QString set = arguments.first(); !set.startsWith(u'-') && set.contains(u'=')) {
            environment.insert(set.section(u'=', 0, 0), set.section(u'=', 1));
            arguments.removeFirst();
        }
        process.setProcessEnvironment(environment);
        QString program =
            qEnvironmentVariable("CAPTILOOM_PROGRAM",
                                 QDir(QCoreApplication::applicationDirPath())
                                     .filePath(u"" CAPTILOOM_PROGRAM_FROM_SUITE ""_s));
        if (!fault.isEmpty()) {
#ifdef CAPTILOOM_FIU_RUN
            arguments = QStringList { u"-x"_s, u"-c"_s, fault, program } + arguments;
            program = QStringLiteral(CAPTILOOM_FIU_RUN);
#else
            QSKIP("no libfiu in this build");
#endif
        }
        process.start(program, arguments);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QTEST(process.exitCode(), "status");
        // Windows ends a line with CR LF and names paths with backslashes.
        const auto text = [&locale](const QByteArray &bytes) {
            QString text = locale.endsWith(".GB18030") ? QStringDecoder("GB18030").decode(bytes)
                                                       : QString::fromLocal8Bit(bytes);
            return QDir::fromNativeSeparators(text.remove(u'\r'));
        };
        QTEST(text(process.readAllStandardOutput()), "output");
        QFETCH(QString, errors);
        QCOMPARE(text(process.readAllStandardError()), errors.replace(u"%F"_s, folder.path()));

        // Nothing written for a bad source, and an old output kept unless replaced.
        QFETCH(QStringList, written);
        QStringList outputs;
        for (const QString &place : { u"."_s, u"子 目录"_s }) {
            for (const QString &name :
                 QDir(place).entryList({ u"*.utf"_s, u"*.srt"_s }, QDir::Files))
                outputs << QDir::cleanPath(place + u'/' + name);
        }
        QStringList all = written;
        if (!written.contains(u"kept(字幕).utf"_s))
            all << u"kept(字幕).utf"_s;
        outputs.sort();
        all.sort();
        QCOMPARE(outputs, all);
        for (const QString &output : outputs)
            QCOMPARE(readFile(output),
                     !written.contains(output)      ? oldOutput
                         : output.endsWith(u".srt") ? expectedSrt
                                                    : expected);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_command_line.moc"

// The aligner from both ends: its rules on sound made up frame by frame, a
// narration spoken by espeak-ng placed on its lines, and the command line
// with every kind of bad recording, in a Chinese locale and in C.

#include "line_assignment.h"
#include "recording_alignment.h"
#include "speech_analysis.h"
#include "test_support.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

#ifdef Q_OS_LINUX
#include <sched.h>
#include <sys/stat.h>
#endif

using namespace captiloom;
using conversion::LineTime;
using conversion::TimedLine;

namespace {

struct Spoken
{
    const char *text;
    const char *pinyin;
    int speed; // words a minute
    int pauseMs; // before the line
    int blanksBefore;
};
// A line run on after 40 ms, a blank line, a line of one syllable.
const Spoken narration[] = {
    { "清晨的山谷里雾气还没有散开",
      "qing1 chen2 de5 shan1 gu3 li3 wu4 qi4 hai2 mei2 you3 san4 kai1", 150, 500, 0 },
    { "我们沿着小路慢慢往上走", "wo3 men5 yan2 zhe5 xiao3 lu4 man4 man4 wang3 shang4 zou3", 210, 40,
      0 },
    { "远处传来几声鸟叫", "yuan3 chu4 chuan2 lai2 ji3 sheng1 niao3 jiao4", 175, 1500, 1 },
    { "锅里的温度很高", "guo1 li3 de5 wen1 du4 hen3 gao1", 160, 300, 0 },
    { "好", "hao3", 175, 400, 0 },
    { "我们下次再见", "wo3 men5 xia4 ci4 zai4 jian4", 200, 600, 0 },
};
constexpr int rate = 16000;

QByteArray wav(const QByteArray &samples)
{
    QByteArray header("RIFF....WAVEfmt \x10\0\0\0\x01\0\x01\0........\x02\0\x10\0data....", 44);
    const auto put = [&](int at, quint32 value) {
        qToLittleEndian(value, header.data() + at);
    };
    put(4, 36 + samples.size());
    put(24, rate);
    put(28, 2 * rate);
    put(40, samples.size());
    return header + samples;
}

// A frame of made-up sound: '.' background, 'x' a syllable's vowel, 'v' a
// quieter one, 10 dB below, 'o' the dip between two syllables, 20 dB below,
// 'c' a consonant before a vowel.
QList<voice::Bands> frames(const char *pattern)
{
    QList<voice::Bands> frames;
    for (const char *c = pattern; *c; ++c) {
        voice::Bands bands;
        bands.fill(*c == 'x'       ? 1e-3F
                       : *c == 'v' ? 1e-4F
                       : *c == 'o' ? 1e-5F
                       : *c == 'c' ? 1e-6F
                                   : 1e-8F);
        frames.append(bands);
    }
    return frames;
}

// The same sound in a room whose echo, 10 dB under what is said, dies away by
// 0.5 dB a frame.
QList<voice::Bands> inRoom(QList<voice::Bands> frames)
{
    voice::Bands echo {};
    for (voice::Bands &bands : frames) {
        for (int b = 0; b < voice::bandCount; ++b) {
            const float said = bands[b];
            bands[b] += echo[b];
            echo[b] = echo[b] * 0.891F + said * 0.0109F;
        }
    }
    return frames;
}

QString times(const QList<LineTime> &times)
{
    QStringList shown;
    for (const LineTime &time : times)
        shown << u"%1-%2%3"_s.arg(time.startMs).arg(time.endMs).arg(time.unsure ? u"?" : u"");
    return shown.join(u' ');
}

QList<TimedLine> script(const QStringList &texts)
{
    QList<TimedLine> lines;
    for (const QString &text : texts)
        lines.append({ lines.size() + 1, text.startsWith(u'\n') ? 1 : 0, text.trimmed() });
    return lines;
}

} // namespace

class TestVoice : public QObject
{
    Q_OBJECT
    std::optional<TemporaryFolder> m_folder;
    QList<LineTime> m_truth; // of the narration
    QByteArray m_lines[std::size(narration)];

    bool speak(const QString &pinyin, int speed, QByteArray &samples)
    {
        QProcess espeak;
        espeak.start(u"espeak-ng"_s,
                     { u"-v"_s, u"cmn-latn-pinyin"_s, u"-s"_s, QString::number(speed), u"-w"_s,
                       u"line.wav"_s, pinyin });
        if (!espeak.waitForFinished() || espeak.exitCode() != 0)
            return false;
        QProcess sox;
        // Trimmed to its sound, so that where it starts is known.
        sox.start(u"sox"_s, { u"line.wav"_s, u"-r"_s,       u"16000"_s,   u"-c"_s,     u"1"_s,
                              u"-b"_s,       u"16"_s,       u"-e"_s,      u"signed"_s, u"-t"_s,
                              u"raw"_s,      u"line.raw"_s, u"silence"_s, u"1"_s,      u"0.005"_s,
                              u"0.3%"_s,     u"reverse"_s,  u"silence"_s, u"1"_s,      u"0.005"_s,
                              u"0.3%"_s,     u"reverse"_s });
        const bool done = sox.waitForFinished() && sox.exitCode() == 0;
        samples = readFile(u"line.raw"_s);
        return done;
    }

private slots:
    void initTestCase()
    {
        m_folder.emplace();
        if (QStandardPaths::findExecutable(u"espeak-ng"_s).isEmpty()
            || QStandardPaths::findExecutable(u"sox"_s).isEmpty())
            return;
        QByteArray all;
        QByteArray together;
        QStringList texts;
        for (qsizetype i = 0; i < qsizetype(std::size(narration)); ++i) {
            const Spoken &line = narration[i];
            QVERIFY(speak(QString::fromLatin1(line.pinyin), line.speed, m_lines[i]));
            all += QByteArray(2 * (line.pauseMs * rate / 1000), 0);
            const qint64 start = all.size() * 500 / rate;
            all += m_lines[i];
            together += m_lines[i];
            m_truth.append({ start, all.size() * 500 / rate, false });
            texts << QString(line.blanksBefore, u'\n') + QString::fromUtf8(line.text);
        }
        all += QByteArray(rate, 0);
        const QByteArray silence(10 * rate, 0);
        QVERIFY(writeFile(u"narration.wav"_s, wav(all))
                && writeFile(u"short.wav"_s, wav(m_lines[0]))
                && writeFile(u"together.wav"_s, wav(silence + together + silence))
                && writeFile(u"long.wav"_s, wav(all.repeated(4)))
                && writeFile(u"silence.wav"_s, wav(silence))
                && writeFile(u"unreadable.wav"_s, wav(all)) && writeFile(u"text.mp3"_s, "not sound")
                && writeFile(u"script.txt"_s, (u'\n' + texts.join(u'\n')).toUtf8())
                && writeFile(u"two.txt"_s, texts.mid(0, 2).join(u'\n').toUtf8()));
#ifdef Q_OS_LINUX
        QCOMPARE(::mkfifo("fifo.wav", 0600), 0);
#endif
    }

    void syllables_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("syllables");
        QTest::newRow("hanzi") << u"你好世界"_s << 4;
        QTest::newRow("digits and a measure word") << u"2024年"_s << 5;
        QTest::newRow("vowel groups") << u"Reelvane 说"_s << 4;
        QTest::newRow("a word without vowels") << u"GPS"_s << 1;
        QTest::newRow("full-width letters") << u"ＯＫ"_s << 1;
        QTest::newRow("punctuation and spaces") << u"，。 ！"_s << 0;
        QTest::newRow("outside the basic plane") << u"𠀀好"_s << 2;
    }
    void syllables()
    {
        QFETCH(QString, text);
        QTEST(voice::syllablesIn(text), "syllables");
    }

    // Why a recording is refused, at each rule's edge. The script: four lines of four
    // syllables, read in 1.76 s at the fastest and 21.6 s at the slowest.
    void mismatch_data()
    {
        QTest::addColumn<int>("speechMs");
        QTest::addColumn<int>("spokenMs"); // from the first sound to the last
        QTest::addColumn<int>("stretches");
        QTest::addColumn<QString>("refusal");
        const QString name = u"录音文件 r.wav "_s;
        const QString ends = u"：录音和字幕稿对不上。"_s;
        QTest::newRow("a cough") << 290 << 5000 << 4 << name + u"里听不到说话声。"_s;
        QTest::newRow("enough speech") << 300 << 5000 << 4 << QString();
        QTest::newRow("too short")
            << 300 << 1750 << 4
            << name + u"里的说话声只有 1.7 秒，字幕稿的 4 行读得再快也要 1.8 秒"_s + ends;
        QTest::newRow("just long enough") << 300 << 1760 << 1 << QString();
        QTest::newRow("no breath")
            << 300 << 5000 << 0 << name + u"里只听到 0 段说话，字幕稿却有 4 行"_s + ends;
        QTest::newRow("longest") << 300 << 21600 << 1 << QString();
        QTest::newRow("too long") << 300 << 21610 << 1
                                  << name
                + u"里的说话声长达 21.7 秒，字幕稿的 4 行读得再慢也用不了 21.6 秒"_s + ends;
    }
    void mismatch()
    {
        QFETCH(int, speechMs);
        QFETCH(int, spokenMs);
        QFETCH(int, stretches);
        voice::SpeechMap map;
        map.speechFrames = speechMs / voice::frameMs;
        map.firstSpeech = 100;
        map.lastSpeech = 100 + spokenMs / voice::frameMs;
        map.stretches = stretches;
        map.syllables.resize(16);
        QTEST(voice::mismatch(
                  map, script({ u"你好世界"_s, u"你好世界"_s, u"你好世界"_s, u"你好世界"_s }),
                  u"r.wav"_s),
              "refusal");
    }

    // Lines placed on sound made up frame by frame (10 ms each): a line starts where its
    // first syllable rises out of the background (the 3-frame average lets it rise a frame
    // early), or at the dip before it when no pause parts it from the line before; it stays
    // 200 ms after its sound has faded, unless the next one starts sooner.
    void assignment_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QByteArray>("sound");
        QTest::addColumn<bool>("room"); // heard in a room with an echo
        QTest::addColumn<QString>("times");
        const QByteArray two = "xxxxxxxxxxooxxxxxxxxxx", three = two + "ooxxxxxxxxxx";
        const QByteArray pause = QByteArray(30, '.');
        QTest::newRow("pauses") << QStringList { u"你好"_s, u"世界"_s, u"再见了"_s }
                                << pause + two + pause + "ccc" + two + pause + three + pause
                                << false << u"290-730 810-1280 1360-1920"_s;
        QTest::newRow("run together") << QStringList { u"你好"_s, u"世界"_s, u"再见"_s }
                                      << pause + two + pause + two + "oo" + two + pause << false
                                      << u"290-730 810-1040 1040-1490?"_s;
        // The syllables say the second line starts after 50 ms, a longer pause says after
        // 0.5 s; a blank line before it tips the scales.
        const QByteArray sound = pause + two + "....." + two + QByteArray(50, '.') + two + pause;
        QTest::newRow("counted") << QStringList { u"你好"_s, u"世界再见"_s } << sound << false
                                 << u"290-560 560-1720?"_s;
        QTest::newRow("blank line") << QStringList { u"你好"_s, u"\n世界再见"_s } << sound << false
                                    << u"290-1000 1280-1720"_s;
        // Sixteen lines 100 to 700 ms apart, 19 s without a longer pause: in a room whose echo
        // fills those pauses they start where they do without it, and last until the next one.
        QByteArray run(200, '.');
        for (int line = 0; line < 16; ++line)
            run += QByteArray("xxxxxxxxoooovvvvvvvvoooo").repeated(2) + "xxxxxxxxoooovvvvvvvv"
                + QByteArray(10 + 4 * line, '.');
        run += QByteArray(200, '.');
        const QStringList said(16, u"一二三四五六"_s);
        QTest::newRow("a long run")
            << said << run << false
            << u"1990-2770 2770-3590? 3590-4450 4450-5350 5350-6250 6290-7190 7270-8170 8290-9190 9350-10250 10450-11350 11590-12490 12770-13670 13990-14890 15250-16150 16550-17450 17890-18790"_s;
        QTest::newRow("in a room")
            << said << run << true
            << u"1990-2740 2740-3590? 3590-4450 4450-5350 5350-6290 6290-7270 7270-8290 8290-9350 9350-10450 10450-11590 11590-12770 12770-13990 13990-15250 15250-16550 16550-17850 17890-19170"_s;
    }
    void assignment()
    {
        QFETCH(QStringList, lines);
        QFETCH(QByteArray, sound);
        QFETCH(bool, room);
        const QList<voice::Bands> made = frames(sound.constData());
        const voice::SpeechMap map = voice::mapSpeech(room ? inRoom(made) : made);
        QTEST(times(voice::assignLines(map, script(lines))), "times");
    }

    // Each line of the narration starts within 0.15 s of where it is spoken, and stays until
    // it has been spoken; only the line run on after 40 ms is unsure.
    void narrationAligned_data()
    {
        QTest::addColumn<QString>("recording");
        QTest::newRow("wav") << u"narration.wav"_s;
        QTest::newRow("mp3, named in Chinese") << u"配音 1.mp3"_s;
    }
    void narrationAligned()
    {
        if (m_truth.isEmpty())
            QSKIP("no espeak-ng and sox to speak a narration with");
        QFETCH(QString, recording);
        if (recording.endsWith(u".mp3")) {
            QProcess ffmpeg;
            ffmpeg.start(
                u"ffmpeg"_s,
                { u"-y"_s, u"-loglevel"_s, u"error"_s, u"-i"_s, u"narration.wav"_s, recording });
            if (!ffmpeg.waitForFinished() || ffmpeg.exitCode() != 0)
                QSKIP("no ffmpeg to make an mp3 with");
        }
        QStringList texts;
        for (const Spoken &line : narration)
            texts << QString(line.blanksBefore, u'\n') + QString::fromUtf8(line.text);
#ifdef Q_OS_LINUX
        cpu_set_t before;
        cpu_set_t after;
        QCOMPARE(sched_getaffinity(0, sizeof before, &before), 0);
#endif
        const voice::Alignment alignment = voice::alignRecording(recording, script(texts));
#ifdef Q_OS_LINUX
        // The processors this thread may run on, kept to one while decoding, are its own again.
        QVERIFY(sched_getaffinity(0, sizeof after, &after) == 0 && CPU_EQUAL(&before, &after));
#endif
        QCOMPARE(alignment.failure, QString());
        QCOMPARE(alignment.times.size(), m_truth.size());
        for (qsizetype i = 0; i < m_truth.size(); ++i) {
            const LineTime &found = alignment.times[i];
            QVERIFY2(qAbs(found.startMs - m_truth[i].startMs) <= 150,
                     qPrintable(u"line %1 starts at %2, not %3"_s.arg(i + 1)
                                    .arg(found.startMs)
                                    .arg(m_truth[i].startMs)));
            QVERIFY2(
                found.endMs >= m_truth[i].endMs
                    || (i + 1 < m_truth.size() && found.endMs == alignment.times[i + 1].startMs),
                qPrintable(u"line %1 ends at %2, before %3"_s.arg(i + 1)
                               .arg(found.endMs)
                               .arg(m_truth[i].endMs)));
            QCOMPARE(found.unsure, i == 1);
        }
    }

    // --convert --audio as a user runs it. %F: the folder; %T: a time; %S: seconds heard.
    void commandLine_data()
    {
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("errors");
        QTest::addColumn<QString>("written"); // the output; empty: none; "old": an old one kept
        const QByteArray zh = "zh_CN.UTF-8", en = "C.UTF-8";
        const QStringList timed { u"--convert"_s, u"--audio"_s, u"narration.wav"_s,
                                  u"script.txt"_s };
        const auto with = [&](const QString &recording) {
            return QStringList { u"--convert"_s, u"--audio"_s, recording, u"script.txt"_s };
        };
        const QString mismatch = u"：录音和字幕稿对不上。\n"_s;
        // clang-format off
        QTest::newRow("zh timed") << zh << timed << 0 << u"script.txt: 请核对第3行的开始时间 %T --> %T “我们沿着小路慢慢往上走”\nscript.txt: 转换成功，已写入 %F/script(字幕).utf\n"_s << u"script(字幕).utf"_s;
        QTest::newRow("C timed, SRT") << en << QStringList { u"--srt"_s } + timed << 0 << u"script.txt: check the start of line 3, %T --> %T \"我们沿着小路慢慢往上走\"\nscript.txt: converted, written to %F/script(字幕).srt\n"_s << u"script(字幕).srt"_s;
        QTest::newRow("zh missing") << zh << with(u"missing.wav"_s) << 1 << u"script.txt: 没找到录音文件 missing.wav\n"_s << QString();
        QTest::newRow("C missing") << en << with(u"missing.wav"_s) << 1 << u"script.txt: recording missing.wav not found\n"_s << QString();
        QTest::newRow("zh unreadable") << zh << with(u"unreadable.wav"_s) << 1 << u"script.txt: 无法读取录音文件 unreadable.wav：权限被拒绝\n"_s << QString();
        QTest::newRow("C unreadable") << en << with(u"unreadable.wav"_s) << 1 << u"script.txt: cannot read recording unreadable.wav: Permission denied\n"_s << QString();
        QTest::newRow("zh not audio") << zh << with(u"text.mp3"_s) << 1 << u"script.txt: text.mp3 不是录音文件：里面没有能播放的声音。\n"_s << QString();
#ifdef Q_OS_LINUX
        QTest::newRow("zh a FIFO") << zh << with(u"fifo.wav"_s) << 1 << u"script.txt: fifo.wav 不是录音文件：里面没有能播放的声音。\n"_s << QString();
#endif
        QTest::newRow("zh silence") << zh << with(u"silence.wav"_s) << 1 << u"script.txt: 录音文件 silence.wav 里听不到说话声。\n"_s << QString();
        QTest::newRow("zh too short") << zh << with(u"short.wav"_s) << 1 << u"script.txt: 录音文件 short.wav 里的说话声只有 %S 秒，字幕稿的 6 行读得再快也要 5.1 秒"_s + mismatch << QString();
        QTest::newRow("C no pauses") << en << with(u"together.wav"_s) << 1 << u"script.txt: only 1 stretch(es) of speech heard in recording together.wav, for a script of 6 lines: they do not match\n"_s << QString();
        QTest::newRow("zh no pauses") << zh << with(u"together.wav"_s) << 1 << u"script.txt: 录音文件 together.wav 里只听到 1 段说话，字幕稿却有 6 行"_s + mismatch << QString();
        QTest::newRow("zh too long") << zh << QStringList { u"--convert"_s, u"--audio"_s, u"long.wav"_s, u"two.txt"_s } << 1 << u"two.txt: 录音文件 long.wav 里的说话声长达 %S 秒，字幕稿的 2 行读得再慢也用不了 20.4 秒"_s + mismatch << QString();
        QTest::newRow("zh no decoder") << zh << QStringList { u"QT_MEDIA_BACKEND=absent"_s } + timed << 1 << u"script.txt: 无法解码录音文件 narration.wav：本机没有这种格式的解码器，或者文件已损坏。可以先把它转存为 WAV 或 MP3 再试。\n"_s << QString();
        QTest::newRow("zh old output kept") << zh << QStringList { u"--overwrite"_s } + with(u"missing.wav"_s) << 1 << u"script.txt: 目标文件已存在，要覆盖吗？！ 是（--overwrite）\nscript.txt: 没找到录音文件 missing.wav\n"_s << u"old"_s;
        QTest::newRow("zh output kept") << zh << timed << 1 << u"script.txt: 目标文件已存在，要覆盖吗？！ 否：%F/script(字幕).utf 保持原样（加 --overwrite 可覆盖）\n"_s << u"old"_s;
        QTest::newRow("zh two scripts") << zh << timed + QStringList { u"two.txt"_s } << 2 << u"captiloom: 一个录音只能给一个字幕稿对时，这里给了 2 个\n"_s << QString();
        QTest::newRow("C --audio alone") << en << QStringList { u"--audio"_s, u"narration.wav"_s, u"script.txt"_s } << 2 << u"captiloom: --audio goes only with --convert\n"_s << QString();
        // clang-format on
    }
    void commandLine()
    {
        QFETCH(QByteArray, locale);
        QFETCH(QStringList, arguments);
        QFETCH(QString, written);
        if (m_truth.isEmpty())
            QSKIP("no espeak-ng and sox to speak a narration with");
        QVERIFY(QFile::setPermissions(u"unreadable.wav"_s, {}));
        if (arguments.contains(u"unreadable.wav"_s)
            && QFile(u"unreadable.wav"_s).open(QIODevice::ReadOnly))
            QSKIP("this user reads every file; the suite's unprivileged run has this row");
        for (const QString &output :
             { u"script(字幕).utf"_s, u"script(字幕).srt"_s, u"two(字幕).utf"_s })
            QFile::remove(output);
        const bool old = written == u"old";
        QVERIFY(!old || writeFile(u"script(字幕).utf"_s, "old"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "LANGUAGE", "QT_MEDIA_BACKEND" })
            environment.remove(QString::fromLatin1(name));
        if (arguments.first().contains(u'=')) {
            const QString setting = arguments.takeFirst();
            environment.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
        }
        environment.insert(u"LC_ALL"_s, QString::fromLatin1(locale));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(qEnvironmentVariable("CAPTILOOM_PROGRAM",
                                           QDir(QCoreApplication::applicationDirPath())
                                               .filePath(u"" CAPTILOOM_PROGRAM_FROM_SUITE ""_s)),
                      arguments);
        QVERIFY(process.waitForFinished(60000));
        QTEST(process.exitCode(), "status");
        QString heard = QString::fromUtf8(process.readAllStandardError());
        QFETCH(int, status);
        if (status == 2) // the usage that follows is the command line suite's
            heard = heard.section(u'\n', 0, 0) + u'\n';
        QFETCH(QString, errors);
        const QString pattern =
            QRegularExpression::escape(errors.replace(u"%F"_s, m_folder->path()))
                .replace(u"\\%T\\ \\-\\-\\>\\ \\%T"_s,
                         u"(\\d\\d:\\d\\d:\\d\\d,\\d{3} --> \\d\\d:\\d\\d:\\d\\d,\\d{3})"_s)
                .replace(u"\\%S"_s, u"\\d+\\.\\d"_s);
        const auto match = QRegularExpression(u'^' + pattern + u'$').match(heard);
        QVERIFY2(match.hasMatch(), qPrintable(heard));
        // Nothing written for a bad recording, an old output kept, a line to check named as
        // written.
        const QStringList outputs = QDir().entryList({ u"*(字幕).*"_s });
        QCOMPARE(outputs,
                 QStringList(written.isEmpty() ? 0 : 1, old ? u"script(字幕).utf"_s : written));
        const QByteArray subtitles = readFile(outputs.value(0));
        QCOMPARE(subtitles.count("-->"), written.isEmpty() || old ? 0 : 6);
        QVERIFY(subtitles.contains(match.captured(1).toLatin1()));
    }
};

QTEST_GUILESS_MAIN(TestVoice)
#include "test_voice.moc"

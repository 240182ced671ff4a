// File-system faults met by a whole conversion run: each case checks the
// exact messages, what is on disk afterwards, and that no temporary file is
// left behind.

#include "run_test_support.h"

#include <QFileInfo>
#include <QScopeGuard>

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace captiloom::conversion;
using namespace runtest;

namespace {

QString cannotWrite(const QString &path, const QString &reason)
{
    return u"failure 无法写入文件 "_qs + QDir::toNativeSeparators(path) + u"："_qs + reason;
}

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

} // namespace

class TestRunFaults : public RunFixture
{
    Q_OBJECT

private slots:
    void initTestCase();

    void outputWriteFails_data();
    void outputWriteFails();
    void specialSources_data();
    void specialSources();
    void specialOutputs_data();
    void specialOutputs();
    void awkwardPaths_data();
    void awkwardPaths();
    void sourceChangedBetweenPasses_data();
    void sourceChangedBetweenPasses();
};

void TestRunFaults::initTestCase()
{
    // Where mounting is allowed, keep the mounts of this process to itself, so
    // that a small file system mounted by a test goes away with the process
    // even when a test dies half-way.
    if (::unshare(CLONE_NEWNS) == 0)
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
}

// The write fails half-way (the document does not fit) or cannot start (a
// read-only folder), and the user is told why; the old output, read-only
// mark included, is as it was.
void TestRunFaults::outputWriteFails_data()
{
    QTest::addColumn<bool>("full"); // else the folder is read-only
    QTest::addColumn<QByteArray>("old");
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("full, no old output") << true << QByteArray() << false;
    QTest::newRow("full, old output") << true << QByteArray("old output") << false;
    QTest::newRow("full, read-only old output") << true << QByteArray("old output") << true;
    QTest::newRow("read-only folder, no old output") << false << QByteArray() << false;
    QTest::newRow("read-only folder, old output") << false << QByteArray("old output") << false;
}

void TestRunFaults::outputWriteFails()
{
    QFETCH(bool, full);
    QFETCH(QByteArray, old);
    QFETCH(bool, readOnly);
    const QString folder = path(u"folder"_qs);
    const QString output = folder + u"/out.utf"_qs;
    QVERIFY(QDir().mkdir(folder));
    if (full && ::mount("tmpfs", encoded(folder).constData(), "tmpfs", 0, "size=64k") != 0) {
        QSKIP(qPrintable(u"cannot mount a small tmpfs to fill (%1); this needs root"_qs.arg(
            QString::fromLocal8Bit(std::strerror(errno)))));
    }
    if (!full && ::geteuid() == 0)
        QSKIP("root may write into a read-only folder, so the fault cannot be made as root");
    const auto undo = qScopeGuard([&] {
        if (full)
            ::umount2(encoded(folder).constData(), MNT_DETACH);
        else
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    QStringList expected;
    if (!old.isEmpty()) {
        writeFile(output, old);
        if (readOnly)
            QVERIFY(QFile::setPermissions(output, QFile::ReadOwner | QFile::ReadGroup));
        expected << overwrite;
    }
    if (!full)
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    const QFile::Permissions permissions = QFile::permissions(output);
    // About 130 kB of blocks for 64 kB of room.
    writeFile(path(u"in.txt"_qs), linesOf(3000, "abc"));

    run(path(u"in.txt"_qs), output);

    expected << cannotWrite(output, qt_error_string(full ? ENOSPC : EACCES));
    QCOMPARE(m_services.messages(), expected);
    QCOMPARE(runtest::entries(folder),
             old.isEmpty() ? QStringList() : QStringList { u"out.utf"_qs });
    QCOMPARE(readFile(output), old.isEmpty() ? QByteArray("<missing>") : old);
    QCOMPARE(QFile::permissions(output), permissions);
}

// Sources that are no regular file are refused before anything is read, so
// none can make the run wait; a file whose reading fails is reported.
void TestRunFaults::specialSources_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("message");
    QTest::newRow("endless device") << u"/dev/zero"_qs << sourceMissing;
    QTest::newRow("empty device") << u"/dev/null"_qs << sourceMissing;
    QTest::newRow("link to a device") << u"@zero-link"_qs << sourceMissing;
    // A regular file whose first read fails (nothing is mapped at address 0).
    QTest::newRow("unreadable file")
        << u"/proc/self/mem"_qs
        << u"failure 无法读取文件 /proc/self/mem："_qs + qt_error_string(EIO);
}

void TestRunFaults::specialSources()
{
    QFETCH(QString, source);
    QFETCH(QString, message);
    QVERIFY(QFile::link(u"/dev/zero"_qs, path(u"zero-link"_qs)));
    if (source.startsWith(u'@'))
        source = path(source.mid(1));

    run(source, path(u"out.utf"_qs));

    QCOMPARE(m_services.messages(), QStringList { message });
    QCOMPARE(entries(), QStringList { u"zero-link"_qs });
}

// An output path naming a FIFO or a device is no file to replace: the run
// neither waits on it nor puts a file in its place.
void TestRunFaults::specialOutputs_data()
{
    QTest::addColumn<QString>("output");
    QTest::newRow("FIFO") << u"fifo"_qs;
    QTest::newRow("link to a FIFO") << u"fifo-link"_qs;
    QTest::newRow("device") << u"device"_qs;
}

void TestRunFaults::specialOutputs()
{
    QFETCH(QString, output);
    QCOMPARE(::mkfifo(encoded(path(u"fifo"_qs)).constData(), 0600), 0);
    QVERIFY(QFile::link(path(u"fifo"_qs), path(u"fifo-link"_qs)));
    // The null device's numbers, on a node of our own: a fault here must not
    // reach the machine's real devices.
    if (output == u"device"
        && ::mknod(encoded(path(output)).constData(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
        QSKIP("making a device node needs root");
    }
    QStringList before = entries();
    writeFile(path(u"in.txt"_qs), "ab\r\n");
    before << u"in.txt"_qs;
    before.sort();

    run(path(u"in.txt"_qs), path(output));

    QCOMPARE(m_services.messages(), QStringList { cannotWrite(path(output), u"不是普通文件"_qs) });
    QCOMPARE(entries(), before);
    struct stat info;
    QCOMPARE(::lstat(encoded(path(u"fifo"_qs)).constData(), &info), 0);
    QVERIFY(S_ISFIFO(info.st_mode));
    QVERIFY(QFileInfo(path(u"fifo-link"_qs)).isSymLink());
}

// Paths are only ever handed to the file system, never to a shell or parsed:
// quotes, spaces, a leading dash and Chinese names are ordinary names, and a
// path as long as the system allows works.
void TestRunFaults::awkwardPaths_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("output");
    QTest::newRow("Chinese, spaces, quotes and a leading dash")
        << u"字幕 文件夹"_qs << u"-片头 \"引号\" 'x' $HOME.txt"_qs
        << u"-片头 \"引号\" 'x' $HOME(字幕).utf"_qs;
    QTest::newRow("relative, with a leading dash") << u"."_qs << u"-in.txt"_qs << u"-out.utf"_qs;
    QTest::newRow("4000 characters") << u"long"_qs << u"@4000"_qs << u"out.utf"_qs;
    QTest::newRow("output longer than the system allows")
        << u"long"_qs << u"in.txt"_qs << QString(300, u'名') + u".utf"_qs;
}

void TestRunFaults::awkwardPaths()
{
    QFETCH(QString, folder);
    QFETCH(QString, source);
    QFETCH(QString, output);
    const QByteArray text = gbk(u"你好世界\r\n"_qs);
    if (folder == u"long") {
        // Nineteen folders of 200 characters, and a name that makes up the rest.
        for (int i = 0; i < 19; ++i)
            folder += u'/' + QString(200, u'f');
        if (source == u"@4000") {
            const qsizetype name = 4000 - m_dir->path().size() - folder.size() - 2;
            QVERIFY2(name > 4 && name <= 255, "the temporary folder's path is too long");
            source = QString(name - 4, u's') + u".txt"_qs;
        }
    }
    QVERIFY(QDir(m_dir->path()).mkpath(folder));
    const QString in = path(folder + u'/' + source);
    const QString out = path(folder + u'/' + output);
    writeFile(in, text);
    const QString previous = QDir::currentPath();
    QDir::setCurrent(path(folder));
    const bool relative = source.startsWith(u'-') && folder == u".";

    run(relative ? source : in, relative ? output : out);
    QDir::setCurrent(previous);

    QCOMPARE(readFile(in), text);
    if (output.size() > 255) {
        QCOMPARE(m_services.messages(),
                 QStringList { cannotWrite(out, qt_error_string(ENAMETOOLONG)) });
        QCOMPARE(runtest::entries(path(folder)), QStringList { source });
        return;
    }
    if (source.size() > 255)
        QCOMPARE(in.size(), 4000);
    QCOMPARE(m_services.messages(), QStringList { finished });
    QCOMPARE(readFile(out), gbk(u"1\r\n00:00:12,440 --> 00:00:13,440\r\n你好世界\r\n\r\n"_qs));
    QCOMPARE(runtest::entries(path(folder)).size(), 2);
}

// The counting pass and the generating pass must see one file. It is kept
// open across both, so a source deleted and replaced is still read whole; one
// cut short, grown or losing a line break in between is reported, never
// half-converted.
void TestRunFaults::sourceChangedBetweenPasses_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("deleted and replaced") << u"replace"_qs;
    QTest::newRow("truncated") << u"truncate"_qs;
    QTest::newRow("grown") << u"grow"_qs;
    QTest::newRow("line break removed") << u"unbreak"_qs;
}

void TestRunFaults::sourceChangedBetweenPasses()
{
    QFETCH(QString, change);
    const QString in = path(u"in.txt"_qs);
    writeFile(in, linesOf(20000, "abc"));
    writeFile(path(u"out.utf"_qs), "old output");
    m_services.duringFirstProgress = [&] {
        if (change == u"replace") {
            QVERIFY(QFile::remove(in));
            writeFile(in, "replacement");
            return;
        }
        QFile file(in);
        QVERIFY(file.open(QIODevice::ReadWrite));
        if (change == u"truncate") {
            QVERIFY(file.resize(1000));
            return;
        }
        const QByteArray bytes = change == u"grow" ? "more\r\n" : "xx";
        // Far enough in that the run has not read it yet when it changes.
        QVERIFY(file.seek(change == u"grow" ? file.size() : 5 * 15000 + 3));
        QCOMPARE(file.write(bytes), bytes.size());
    };

    run(in, path(u"out.utf"_qs));

    QCOMPARE(entries(), (QStringList { u"in.txt"_qs, u"out.utf"_qs }));
    if (change == u"replace") {
        QCOMPARE(m_services.messages(), (QStringList { overwrite, finished }));
        QVERIFY(readFile(path(u"out.utf"_qs))
                    .endsWith("20000\r\n05:33:31,440 --> 05:33:32,440\r\nabc\r\n\r\n"));
        return;
    }
    QCOMPARE(m_services.messages(),
             (QStringList {
                 overwrite,
                 u"failure 源文件 %1 在转换过程中被改动，没有生成字幕文件，请重新转换。"_qs.arg(
                     QDir::toNativeSeparators(in)) }));
    QCOMPARE(readFile(path(u"out.utf"_qs)), QByteArray("old output"));
}

QTEST_GUILESS_MAIN(TestRunFaults)
#include "test_run_faults.moc"

// Runs whole conversions on arbitrary sources, through real files, with an
// old output the user agrees to replace, and checks the outcome line by line:
//  - a run ends in exactly one way: the success message with a complete
//    document, or a stop at the right line (too long, or a character the code
//    page cannot hold) with the old output untouched; no failure report but
//    for more lines than the line counter holds; never a word to the user
//    after the program was told to end, and never a file left beside the output;
//  - the document holds one block per non-blank line, numbered 1..k, each text
//    line the source line's own bytes (code-page sources) or its characters in
//    the code page (Unicode sources), never empty;
//  - every block ends after it starts, a one-character line lasts half a
//    second and any other line one to six whole seconds, and each block
//    starts where the last one ended plus two seconds per blank line between.

#include "property_check.h"

#include "conversion_run.h"
#include "services.h"

#include "code_page.h"
#include "line_reader.h"
#include "source_encoding.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QList>
#include <QTemporaryDir>

using namespace captiloom;
using conversion::Services;
using platform::SourceEncoding;

namespace {

class FuzzServices : public Services
{
public:
    QStringList messages;
    bool ended = false;

    Answer showMessage(const QString &text, const QString &, Buttons buttons, bool) override
    {
        said(text);
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
    void showProgress() override { said({}); }
    void setProgressMaximum(float) override { said({}); }
    void setProgressMinimum(float) override { said({}); }
    void setProgressPosition(float) override { said({}); }
    void hideProgress() override { said({}); }
    void endProgram() override
    {
        said(QStringLiteral("end"));
        ended = true;
    }
    void reportFailure(const QString &description) override
    {
        said(QStringLiteral("failure ") + description);
        ended = true;
    }

private:
    void said(const QString &message)
    {
        check(!ended, "nothing reaches the user after the end");
        if (!message.isEmpty())
            messages << message;
    }
};

struct Block
{
    QByteArray text;
    qsizetype length = 0; // in UTF-16 units
    qint64 blanksBefore = 0;
};

// What a run on `input` must end with, worked out line by line.
struct Expected
{
    QList<Block> blocks;
    QString stop; // the start of the stop message, empty when the run finishes
};

constexpr qint64 mostLines = 32767;

Expected expect(const QByteArray &input)
{
    QBuffer device;
    device.setData(input);
    device.open(QIODevice::ReadOnly);
    platform::LineReader reader(device, input.size() + 1);
    const platform::ByteOrderMark mark = platform::detectByteOrderMark(reader.peek(3));
    platform::Utf8Detector utf8;
    utf8.feed(input);
    const SourceEncoding encoding = mark.length > 0 ? mark.encoding
        : utf8.isUtf8()                             ? SourceEncoding::Utf8
                                                    : SourceEncoding::CodePage;
    reader.setUnitWidth(platform::unitWidthFor(encoding));
    reader.skip(mark.length);

    QList<QByteArray> lines;
    platform::LineReader::Line line;
    while (reader.readLine(line))
        lines << line.bytes.toByteArray();
    Expected expected;
    // The lines are counted before any is converted.
    if (lines.size() > mostLines) {
        expected.stop = QStringLiteral("failure ");
        return expected;
    }

    platform::CodePage codePage("GBK");
    platform::SourceDecoder decoder(encoding, codePage);
    qint64 blanks = 0;
    QString text;
    QByteArray encoded;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].isEmpty()) {
            ++blanks;
            continue;
        }
        decoder.decodeLine(lines[i], text);
        if (text.size() > 23) {
            expected.stop = QStringLiteral("第%1行太长").arg(i + 1);
            return expected;
        }
        QByteArray bytes = lines[i];
        if (!decoder.keepsBytes()) {
            if (codePage.encode(text, encoded)) {
                expected.stop = QStringLiteral("第%1行含有无法保存的字符").arg(i + 1);
                return expected;
            }
            bytes = encoded;
        }
        expected.blocks.append({ bytes, text.size(), blanks });
        blanks = 0;
    }
    return expected;
}

// "HH:MM:SS,mmm" in milliseconds, -1 when it is not that.
qint64 milliseconds(const QByteArray &time)
{
    const QList<QByteArray> parts = time.split(',');
    const QList<QByteArray> hms = parts.value(0).split(':');
    if (parts.size() != 2 || parts[1].size() != 3 || hms.size() != 3 || hms[0].size() < 2
        || hms[1].size() != 2 || hms[2].size() != 2)
        return -1;
    qint64 total = 0;
    for (const QByteArray &field : { hms[0], hms[1], hms[2] }) {
        bool ok = false;
        total = total * 60 + field.toLongLong(&ok);
        if (!ok)
            return -1;
    }
    bool ok = false;
    total = total * 1000 + parts[1].toInt(&ok);
    return ok ? total : -1;
}

void checkDocument(const QByteArray &document, const QList<Block> &blocks)
{
    // Text lines may hold a lone LF but never a CR, so CR LF splits the
    // document into its lines.
    QList<QByteArray> lines;
    for (qsizetype from = 0; from < document.size();) {
        const qsizetype end = document.indexOf("\r\n", from);
        check(end >= 0, "every line ends with CR LF");
        lines << document.mid(from, end - from);
        from = end + 2;
    }
    check(lines.size() == 4 * blocks.size(), "four lines a block");
    qint64 previousEnd = 12 * 1000 + 440;
    for (qsizetype i = 0; i < blocks.size(); ++i) {
        const QByteArray *block = lines.constData() + 4 * i;
        check(block[0] == QByteArray::number(i + 1), "numbered 1..k");
        check(block[2] == blocks[i].text, "the text line is the source line");
        check(!blocks[i].text.isEmpty(), "no empty text line");
        check(block[3].isEmpty(), "an empty line ends the block");
        const QList<QByteArray> times = block[1].split(' ');
        check(times.size() == 3 && times[1] == "-->", "start --> end");
        const qint64 start = milliseconds(times[0]);
        const qint64 end = milliseconds(times[2]);
        check(start >= 0 && end >= 0, "times are HH:MM:SS,mmm");
        check(start == previousEnd + 2000 * blocks[i].blanksBefore, "two seconds per blank line");
        const qint64 duration = end - start;
        if (blocks[i].length == 1)
            check(duration == 500, "one character lasts half a second");
        else
            check(duration % 1000 == 0 && duration >= 1000 && duration <= 6000,
                  "a line lasts one to six seconds");
        previousEnd = end;
    }
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate)
              && file.write(bytes) == bytes.size(),
          "the fuzzer can write its files");
}

QTemporaryDir *folder;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The code page comes from the locale; pin it, so that an input means
    // the same on every machine.
    qputenv("LC_ALL", "C");
    // Named, so that what a crashed run leaves behind is easy to recognise.
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/captiloom-fuzz-XXXXXX"));
    check(dir.isValid(), "a temporary folder");
    folder = &dir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QString source = folder->filePath(QStringLiteral("in.txt"));
    const QString output = folder->filePath(QStringLiteral("out.utf"));
    const QByteArray old("old output");
    writeAll(source, input);
    writeAll(output, old);

    FuzzServices services;
    conversion::RunConversion(source, output, services);

    const Expected expected = expect(input);
    check(services.messages.size() >= 2, "asked before replacing, then told the outcome");
    const QString &outcome = services.messages[1];
    if (expected.stop.isEmpty()) {
        check(services.messages.size() == 2 && outcome.contains(QStringLiteral("转换成功")),
              "a run of short lines finishes");
        checkDocument(readAll(output), expected.blocks);
    } else if (expected.stop.startsWith(u"failure")) {
        check(services.messages.size() == 2 && outcome.startsWith(expected.stop),
              "more lines than the counter holds is reported");
        check(readAll(output) == old, "the old output survives the report");
    } else {
        check(services.messages.size() == 3 && outcome.startsWith(expected.stop)
                  && services.messages[2] == QStringLiteral("end"),
              "stops at the first line that cannot be converted");
        check(readAll(output) == old, "the old output survives a stop");
    }
    check(readAll(source) == input, "the source is never touched");
    check(QDir(folder->path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size() == 2,
          "nothing left beside the output");
    return 0;
}

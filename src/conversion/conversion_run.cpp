#include "conversion_run.h"

#include "services.h"
#include "subtitle_clock.h"
#include "subtitle_document.h"

#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/line_decoder.h"
#include "platform/line_reader.h"
#include "platform/source_encoding.h"

#include <QDir>
#include <QFile>

#include <limits>

namespace captiloom::conversion {

namespace {

using platform::LineReader;
using platform::SourceEncoding;

// What the user reads; the leading spaces belong to the texts.
constexpr QStringView noSourceText = u"          请选择源文件";
constexpr QStringView noOutputText = u"         请选择输出文件";
constexpr QStringView sourceMissingText = u"          没找到源文件";
constexpr QStringView overwriteText = u"目标文件已存在，要覆盖吗？！";
constexpr QStringView overwriteTitle = u"覆盖确认";
constexpr QStringView sameFileText = u"输出文件与源文件相同，请另选输出文件";
constexpr QStringView finishedText = u"      恭喜，恭喜！ 转换成功！";

QString tooLongText(qint64 line)
{
    return QStringLiteral("第%1行太长。一般每行不超过20字。请修改后再试！").arg(line);
}

QString unsavableText(qint64 line, char32_t character)
{
    return QStringLiteral("第%1行含有无法保存的字符“%2”。请修改后再试！")
        .arg(line)
        // Not QString::fromUcs4(), which takes a U+FEFF for a byte-order mark
        // and would show the user nothing between the quotes.
        .arg(QStringView(QChar::fromUcs4(character)).toString());
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// What the counting pass learns about the source.
struct SourceFacts
{
    qint16 LineCount = 0;
    qint64 bytes = 0;
    platform::ByteOrderMark mark;
    SourceEncoding encoding = SourceEncoding::CodePage;
};

class ConversionRun
{
public:
    ConversionRun(const QString &sourcePath, const QString &outputPath, Services &services)
        : m_sourcePath(sourcePath)
        , m_outputPath(outputPath)
        , m_services(services)
    { }

    void run();

private:
    bool checkPaths();
    bool countLines(QFile &source, SourceFacts &facts);
    bool generate(QFile &source, const SourceFacts &facts, QByteArray &SubtitleText);
    void stopAtLine(const QString &message);
    void fail(const QString &description) { m_services.reportFailure(description); }
    void failToRead(const QFile &source);
    void failChanged();

    const QString &m_sourcePath;
    const QString &m_outputPath;
    Services &m_services;
};

bool ConversionRun::checkPaths()
{
    if (m_sourcePath.isEmpty()) {
        m_services.showMessage(noSourceText.toString());
        return false;
    }
    if (m_outputPath.isEmpty()) {
        m_services.showMessage(noOutputText.toString());
        return false;
    }
    if (!platform::regularFileExists(m_sourcePath)) {
        m_services.showMessage(sourceMissingText.toString());
        return false;
    }
    // Replacing the output would replace the source before it is read.
    if (m_sourcePath == m_outputPath || platform::sameFile(m_sourcePath, m_outputPath)) {
        m_services.showMessage(sameFileText.toString());
        return false;
    }
    if (platform::regularFileExists(m_outputPath)) {
        const auto answer = m_services.showMessage(
            overwriteText.toString(), overwriteTitle.toString(), Services::Buttons::YesNo, true);
        if (answer != Services::Answer::Yes)
            return false;
    }
    return true;
}

void ConversionRun::failToRead(const QFile &source)
{
    fail(QStringLiteral("无法读取文件 %1：%2").arg(shown(m_sourcePath), source.errorString()));
}

void ConversionRun::failChanged()
{
    fail(QStringLiteral("源文件 %1 在转换过程中被改动，没有生成字幕文件，请重新转换。")
             .arg(shown(m_sourcePath)));
}

void ConversionRun::stopAtLine(const QString &message)
{
    m_services.showMessage(message);
    m_services.endProgram();
}

bool ConversionRun::countLines(QFile &source, SourceFacts &facts)
{
    platform::Utf8Detector utf8;
    LineReader reader(source);
    reader.setChunkObserver([&utf8](QByteArrayView chunk) { utf8.feed(chunk); });
    facts.mark = platform::detectByteOrderMark(reader.peek(3));
    reader.setUnitWidth(platform::unitWidthFor(facts.mark.encoding));
    reader.skip(facts.mark.length);

    constexpr qint64 largestCount = std::numeric_limits<qint16>::max();
    const qint64 lines = reader.countLines(largestCount);
    if (reader.failed()) {
        failToRead(source);
        return false;
    }
    if (lines > largestCount) {
        fail(QStringLiteral("源文件 %1 超过 32767 行，无法转换。").arg(shown(m_sourcePath)));
        return false;
    }
    facts.LineCount = static_cast<qint16>(lines);
    facts.bytes = reader.bytesConsumed();
    // A UTF-8 mark before bytes that are no UTF-8 is no mark: GBK text that
    // starts with 锘 and a hanzi of row BF spells its three bytes.
    if (facts.mark.encoding == SourceEncoding::Utf8 && !utf8.isValid())
        facts.mark = {};
    facts.encoding = facts.mark.length > 0 ? facts.mark.encoding
        : utf8.isUtf8()                    ? SourceEncoding::Utf8
                                           : SourceEncoding::CodePage;
    return true;
}

bool ConversionRun::generate(QFile &source, const SourceFacts &facts, QByteArray &SubtitleText)
{
    if (!source.seek(0)) {
        failToRead(source);
        return false;
    }
    LineReader reader(source);
    reader.setUnitWidth(platform::unitWidthFor(facts.encoding));
    reader.skip(facts.mark.length);

    platform::CodePage codePage;
    platform::SourceDecoder decoder(facts.encoding, codePage);
    platform::LineDecoder lines(reader, decoder);

    // Room for the whole document, so that it never moves while it grows:
    // a line adds at most a block's frame and its own text, and the texts
    // together are no longer than the source, nor than a line of the longest
    // length each in a code page of up to four bytes a character.
    const qint64 lineCount = facts.LineCount;
    DocumentWriter document(std::min(facts.bytes, lineCount * longestLine * 4)
                            + lineCount * largestBlockFrame);

    qint64 SubtitleIndex = 1;
    qint64 BlankCount = 0;
    ClockPair start { firstStartTime, firstStartMs };
    QByteArray encoded;
    const float maximum = facts.LineCount;

    LineReader::Line line;
    while (reader.readLine(line)) {
        const qint64 lineNumber = BlankCount + SubtitleIndex;
        if (lineNumber > facts.LineCount) {
            failChanged();
            return false;
        }
        if (line.length == 0) {
            start.time = AdvanceForBlank(start.time);
            ++BlankCount;
            continue;
        }
        if (line.cut) {
            stopAtLine(tooLongText(lineNumber));
            return false;
        }
        const QStringView text = lines.decode(line);
        if (text.size() > longestLine) {
            stopAtLine(tooLongText(lineNumber));
            return false;
        }
        QByteArrayView bytes = line.bytes;
        if (!decoder.keepsBytes()) {
            if (const auto bad = codePage.encode(text, encoded)) {
                stopAtLine(unsavableText(lineNumber, *bad));
                return false;
            }
            bytes = encoded;
        }

        const ClockPair end = AdvanceForLine(start.time, start.ms, text);
        document.appendBlock(SubtitleIndex, start, end, bytes);
        start = end;

        m_services.showProgress();
        m_services.setProgressMaximum(maximum);
        m_services.setProgressMinimum(1);
        m_services.setProgressPosition(static_cast<float>(lineNumber));
        ++SubtitleIndex;
    }
    if (reader.failed()) {
        failToRead(source);
        return false;
    }
    // Lines counted but not met again, or bytes that were not there before:
    // the file changed under us, and a document from half of each is no result.
    if (BlankCount + SubtitleIndex - 1 != facts.LineCount
        || reader.bytesConsumed() != facts.bytes) {
        failChanged();
        return false;
    }
    SubtitleText = std::move(document.text());
    return true;
}

void ConversionRun::run()
{
    if (!checkPaths())
        return;

    QByteArray SubtitleText;
    {
        QFile source(m_sourcePath);
        if (!source.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            fail(QStringLiteral("无法打开文件 %1：%2")
                     .arg(shown(m_sourcePath), source.errorString()));
            return;
        }
        SourceFacts facts;
        if (!countLines(source, facts) || !generate(source, facts, SubtitleText))
            return;
    }

    const QString reason = WriteDocument(m_outputPath, SubtitleText);
    if (!reason.isEmpty()) {
        fail(QStringLiteral("无法写入文件 %1：%2").arg(shown(m_outputPath), reason));
        return;
    }
    m_services.showMessage(finishedText.toString());
    m_services.hideProgress();
}

} // namespace

void RunConversion(const QString &SourcePath, const QString &OutputPath, Services &services)
{
    ConversionRun(SourcePath, OutputPath, services).run();
}

} // namespace captiloom::conversion

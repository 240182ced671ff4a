#include "script_writing.h"

#include "prose_splitter.h"
#include "subtitle_clock.h"

#include "code_page.h"
#include "file_system.h"
#include "source_text.h"

#include <QFileInfo>
#include <QStringEncoder>

#include <limits>

namespace captiloom::conversion {

namespace {

using platform::SourceText;
using Kind = ScriptOutcome::Kind;

// What the conversion takes: the line counter is a signed 16-bit number. A
// script of that many lines of the longest words a paragraph holds is still
// well under this, which bounds the memory the script is built in.
constexpr qint64 mostScriptLines = std::numeric_limits<qint16>::max();
constexpr qsizetype mostScriptBytes = 32 * 1024 * 1024;

// Encodes the script as the source was encoded.
class ScriptEncoder
{
public:
    // `sourceBytes`: about the script's size, as it holds the source's
    // characters but for its punctuation.
    ScriptEncoder(const SourceText &source, qint64 sourceBytes)
        : m_encoding(source.encoding())
        , m_lineEnd(source.endsLinesAtCr() ? "\r\n" : "\n")
    {
        m_bytes.reserve(std::min<qint64>(sourceBytes + sourceBytes / 4, mostScriptBytes));
        switch (m_encoding) {
        case SourceText::Encoding::CodePage:
            return;
        case SourceText::Encoding::Utf8:
            m_unicode = QStringEncoder(QStringConverter::Utf8);
            break;
        case SourceText::Encoding::Utf16LittleEndian:
            m_unicode = QStringEncoder(QStringConverter::Utf16LE);
            break;
        case SourceText::Encoding::Utf16BigEndian:
            m_unicode = QStringEncoder(QStringConverter::Utf16BE);
            break;
        }
        // Always a mark: what splitting takes out (the Chinese punctuation)
        // can be what told a UTF-8 text from GBK.
        m_bytes += m_unicode.encode(QStringView(u"\uFEFF"));
        m_lineEnd = m_unicode.encode(QString::fromLatin1(m_lineEnd));
    }

    // False when the code page cannot hold a character, which it held when
    // it was read.
    bool append(QStringView line)
    {
        if (m_encoding == SourceText::Encoding::CodePage) {
            if (m_codePage.encode(line, m_encoded))
                return false;
            m_bytes += m_encoded;
        } else {
            m_bytes += m_unicode.encode(line);
        }
        m_bytes += m_lineEnd;
        return true;
    }

    const QByteArray &bytes() const { return m_bytes; }

private:
    const SourceText::Encoding m_encoding;
    QByteArray m_lineEnd; // encoded once, for every line
    platform::CodePage m_codePage;
    QStringEncoder m_unicode;
    QByteArray m_encoded;
    QByteArray m_bytes;
};

} // namespace

QString ScriptPath(const QString &sourcePath)
{
    const QString marked = QStringLiteral("(断行).txt");
    if (QFileInfo(sourcePath).suffix().compare(u"txt", Qt::CaseInsensitive) == 0)
        return sourcePath.chopped(4) + marked;
    return sourcePath + marked;
}

ScriptOutcome WriteScript(const QString &sourcePath, const QString &scriptPath, bool overwrite)
{
    ScriptOutcome outcome;
    const auto failed = [&](Kind kind, qint64 line = 0, const QString &reason = {}) {
        outcome.kind = kind;
        outcome.line = line;
        outcome.reason = reason;
        return outcome;
    };
    if (!platform::regularFileExists(sourcePath))
        return failed(Kind::SourceMissing);
    if (platform::regularFileExists(scriptPath) && !overwrite)
        return failed(Kind::ScriptExists);

    SourceText source(sourcePath, SourceText::Output::CodePage, longestParagraphBytes);
    if (!source.open())
        return failed(Kind::ReadFailed, 0, source.errorString());
    const qint64 count = source.countLines(std::numeric_limits<qint64>::max());
    const qint64 sourceBytes = source.bytesRead();
    if (count < 0 || !source.rewind())
        return failed(Kind::ReadFailed, 0, source.errorString());

    ScriptEncoder script(source, sourceBytes);
    platform::CodePage subtitleCodePage;
    QByteArray encoded;
    bool alreadyScript = true; // every line converts as it is
    bool pause = false; // an empty line is due before the next text
    bool tooLong = false;
    qint64 number = 0;
    SourceText::Line line;
    while (source.readLine(line)) {
        ++number;
        if (line.cut)
            return failed(Kind::ParagraphTooLong, number);
        // Bytes that form no character would not come back as they were; a
        // replacement character a Unicode source really holds does.
        if (line.undecodable)
            return failed(Kind::Undecodable, number);
        alreadyScript = alreadyScript && line.text.size() <= longestLine;
        if (tooLong)
            continue;
        const QStringList lines = splitParagraph(line.text);
        if (lines.isEmpty()) {
            pause = true;
            continue;
        }
        if (std::exchange(pause, true)) {
            if (!script.append({}))
                return failed(Kind::Undecodable, number);
            ++outcome.pauses;
        }
        for (const QString &text : lines) {
            if (!script.append(text))
                return failed(Kind::Undecodable, number);
            ++outcome.textLines;
            if (text.size() > longestLine && outcome.overlongLine == 0)
                outcome.overlongLine = outcome.textLines + outcome.pauses;
            if (outcome.unsavableLine == 0 && source.encoding() != SourceText::Encoding::CodePage) {
                if (const auto character = subtitleCodePage.encode(text, encoded)) {
                    outcome.unsavableLine = outcome.textLines + outcome.pauses;
                    outcome.unsavable = *character;
                }
            }
        }
        tooLong = outcome.textLines + outcome.pauses > mostScriptLines
            || script.bytes().size() > mostScriptBytes;
    }
    if (source.failed())
        return failed(Kind::ReadFailed, 0, source.errorString());
    if (number != count || source.bytesRead() != sourceBytes)
        return failed(Kind::SourceChanged);
    if (alreadyScript)
        return failed(Kind::AlreadyScript);
    if (tooLong)
        return failed(Kind::ScriptTooLong);
    if (const QString reason = platform::replaceFile(scriptPath, script.bytes()); !reason.isEmpty())
        return failed(Kind::WriteFailed, 0, reason);
    return outcome;
}

} // namespace captiloom::conversion

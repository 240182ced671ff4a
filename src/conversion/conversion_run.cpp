#include "conversion_run.h"

#include "line_timing.h"
#include "run_texts.h"
#include "services.h"
#include "subtitle_clock.h"
#include "subtitle_document.h"

#include "file_system.h"
#include "source_text.h"

#include <QCoreApplication>
#include <QDir>

#include <limits>

namespace captiloom::conversion {

namespace {

using platform::SourceText;

// The line counter is a signed 16-bit number.
constexpr qint64 largestLineCount = std::numeric_limits<qint16>::max();

QString said(const char *text)
{
    return QCoreApplication::translate(texts::context, text);
}

// A text that may name a file, and the system's reason; see run_texts.h for
// why a text may leave out either placeholder.
QString said(const char *text, const QString &path, const QString &reason = {})
{
    const QString words = said(text);
    const bool namesPath = words.contains(u"%1");
    const bool givesReason = words.contains(u"%2");
    if (namesPath && givesReason)
        return words.arg(path, reason);
    if (namesPath || givesReason)
        return words.arg(namesPath ? path : reason);
    return words;
}

QString tooLongText(qint64 line)
{
    return said(texts::tooLong).arg(line);
}

QString unsavableText(qint64 line, char32_t character)
{
    return said(texts::unsavable)
        .arg(line)
        // Not QString::fromUcs4(), which takes a U+FEFF for a byte-order mark
        // and would show the user nothing between the quotes.
        .arg(QStringView(QChar::fromUcs4(character)).toString());
}

// Bytes that UTF-8 cannot carry as they are: the source is most likely in
// another encoding than the code page.
QString undecodableText(qint64 line)
{
    return said(texts::undecodable).arg(line);
}

class ConversionRun
{
public:
    ConversionRun(QString sourcePath, QString outputPath, Services &services, LineTiming *timing)
        : m_sourcePath(std::move(sourcePath))
        , m_outputPath(std::move(outputPath))
        , m_services(services)
        , m_timing(timing)
        , m_format(formatOf(m_outputPath))
    { }

    void run();

private:
    bool checkPaths();
    bool countLines(SourceText &source);
    bool generate(SourceText &source, QByteArray &SubtitleText);
    bool timeLines(DocumentWriter &document);
    void stopAtLine(const QString &message);
    void fail(const QString &description) { m_services.reportFailure(description); }
    void failToRead(const SourceText &source);
    void failChanged();
    QString shown(const QString &path) const { return QDir::toNativeSeparators(path); }

    const QString m_sourcePath;
    const QString m_outputPath;
    Services &m_services;
    LineTiming *const m_timing;
    const DocumentFormat m_format;
    // With a timing, the lines wait here for their times.
    QList<TimedLine> m_timedLines;
    QList<QByteArray> m_timedBytes;
    qint16 LineCount = 0;
    qint64 m_sourceBytes = 0;
};

bool ConversionRun::checkPaths()
{
    if (m_sourcePath.isEmpty()) {
        m_services.showMessage(said(texts::noSource));
        return false;
    }
    if (m_outputPath.isEmpty()) {
        m_services.showMessage(said(texts::noOutput));
        return false;
    }
    if (!platform::regularFileExists(m_sourcePath)) {
        m_services.showMessage(said(texts::sourceMissing));
        return false;
    }
    // Replacing the output would replace the source before it is read.
    if (platform::sameFile(m_sourcePath, m_outputPath)) {
        m_services.showMessage(said(texts::sameFile));
        return false;
    }
    if (platform::regularFileExists(m_outputPath)) {
        const auto answer = m_services.showMessage(
            said(texts::overwrite), said(texts::overwriteTitle), Services::Buttons::YesNo, true);
        if (answer != Services::Answer::Yes)
            return false;
    }
    return true;
}

void ConversionRun::failToRead(const SourceText &source)
{
    fail(said(texts::cannotRead, shown(m_sourcePath), source.errorString()));
}

void ConversionRun::failChanged()
{
    fail(said(texts::changed, shown(m_sourcePath)));
}

void ConversionRun::stopAtLine(const QString &message)
{
    m_services.showMessage(message);
    m_services.endProgram();
}

bool ConversionRun::countLines(SourceText &source)
{
    const qint64 lines = source.countLines(largestLineCount);
    if (lines < 0) {
        failToRead(source);
        return false;
    }
    if (lines > largestLineCount) {
        fail(said(texts::tooManyLines, shown(m_sourcePath)));
        return false;
    }
    LineCount = static_cast<qint16>(lines);
    m_sourceBytes = source.bytesRead();
    return true;
}

bool ConversionRun::generate(SourceText &source, QByteArray &SubtitleText)
{
    if (!source.rewind()) {
        failToRead(source);
        return false;
    }
    // The document holds each text line, no longer than the source nor than
    // the longest line in a code page of up to four bytes a character, and
    // about 45 bytes more per block.
    DocumentWriter document(
        std::min<qint64>(m_sourceBytes, LineCount * longestLine * 4) + LineCount * 48, m_format);
    qint64 SubtitleIndex = 1;
    qint64 BlankCount = 0;
    ClockPair start { firstStartTime, firstStartMs };
    qint64 blanksBefore = 0;
    const float maximum = LineCount;

    SourceText::Line line;
    while (source.readLine(line)) {
        const qint64 lineNumber = BlankCount + SubtitleIndex;
        if (lineNumber > LineCount) {
            failChanged();
            return false;
        }
        if (line.text.isEmpty()) {
            start.time = AdvanceForBlank(start.time);
            ++BlankCount;
            ++blanksBefore;
            continue;
        }
        if (line.cut || line.text.size() > longestLine) {
            stopAtLine(tooLongText(lineNumber));
            return false;
        }
        // UTF-8 holds every character, but not bytes that form none.
        if (m_format == DocumentFormat::Srt && line.undecodable) {
            stopAtLine(undecodableText(lineNumber));
            return false;
        }
        if (m_format == DocumentFormat::Utf && line.unsavable) {
            stopAtLine(unsavableText(lineNumber, *line.unsavable));
            return false;
        }
        if (m_timing) {
            m_timedLines.append({ lineNumber, blanksBefore, line.text.toString() });
            m_timedBytes.append(line.bytes.toByteArray());
        } else {
            const ClockPair end = AdvanceForLine(start.time, start.ms, line.text);
            document.appendBlock(SubtitleIndex, start, end, line.bytes);
            start = end;
        }
        blanksBefore = 0;

        m_services.showProgress();
        m_services.setProgressMaximum(maximum);
        m_services.setProgressMinimum(1);
        m_services.setProgressPosition(static_cast<float>(lineNumber));
        ++SubtitleIndex;
    }
    if (source.failed()) {
        failToRead(source);
        return false;
    }
    // Lines counted but not met again, or bytes that were not there before:
    // the file changed under us, and a document from half of each is no result.
    if (BlankCount + SubtitleIndex - 1 != LineCount || source.bytesRead() != m_sourceBytes) {
        failChanged();
        return false;
    }
    if (m_timing && !timeLines(document))
        return false;
    SubtitleText = document.take();
    return true;
}

bool ConversionRun::timeLines(DocumentWriter &document)
{
    const Timing timing = m_timing->timesFor(m_timedLines);
    Q_ASSERT(!timing.failure.isEmpty() || timing.times.size() == m_timedLines.size());
    if (!timing.failure.isEmpty() || timing.times.size() != m_timedLines.size()) {
        m_services.showMessage(timing.failure);
        return false;
    }
    for (qsizetype index = 0; index < m_timedBytes.size(); ++index) {
        const LineTime &time = timing.times[index];
        document.appendBlock(index + 1, clockAt(time.startMs), clockAt(time.endMs),
                             m_timedBytes[index]);
    }
    return true;
}

void ConversionRun::run()
{
    if (!checkPaths())
        return;
    QByteArray SubtitleText;
    {
        // Open for both passes, so that a source deleted or replaced in
        // between is still read whole; closed before the output is written.
        SourceText source(m_sourcePath,
                          m_format == DocumentFormat::Srt ? SourceText::Output::Utf8
                                                          : SourceText::Output::CodePage);
        if (!source.open()) {
            fail(said(texts::cannotOpen, shown(m_sourcePath), source.errorString()));
            return;
        }
        if (!countLines(source) || !generate(source, SubtitleText))
            return;
    }

    const QString reason = WriteDocument(m_outputPath, SubtitleText);
    if (!reason.isEmpty()) {
        fail(said(texts::cannotWrite, shown(m_outputPath), reason));
        return;
    }
    m_services.showMessage(said(texts::finished, shown(m_outputPath)));
    m_services.hideProgress();
}

} // namespace

void RunConversion(QString SourcePath, QString OutputPath, Services &services)
{
    ConversionRun(std::move(SourcePath), std::move(OutputPath), services, nullptr).run();
}

void RunConversion(QString SourcePath, QString OutputPath, Services &services, LineTiming &timing)
{
    ConversionRun(std::move(SourcePath), std::move(OutputPath), services, &timing).run();
}

} // namespace captiloom::conversion

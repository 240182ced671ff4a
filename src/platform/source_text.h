#pragma once

#include "code_page.h"
#include "source_encoding.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

#include <optional>

namespace captiloom::platform {

// A source text file, read twice: once to count its lines and learn its
// encoding, once to hand the lines out.
//
// A line ends at CR LF or at a lone CR, and a lone LF is an ordinary
// character; but in a file that holds no CR at all, as Linux editors save
// them, a line ends at LF. The last line needs no terminator, and a final
// terminator does not start an empty line. Memory stays bounded whatever the
// file holds: a line keeps only its first bytes, enough to tell it is too
// long for a subtitle.
class SourceText
{
public:
    using Encoding = SourceEncoding;

    // What the subtitle file is written in, and so what a line's bytes are.
    enum class Output {
        CodePage,
        Utf8,
    };

    struct Line
    {
        // The line as it goes into the subtitle file. In the code page: a
        // code-page source's own bytes, even those the code page cannot
        // decode; a Unicode source's text encoded. In UTF-8: the text encoded.
        QByteArrayView bytes;
        // What the line's length is measured on: every byte that forms no
        // character counts as one replacement character.
        QStringView text;
        // Longer than any subtitle; only its start was kept.
        bool cut = false;
        // A character of a Unicode source that the code page cannot hold.
        std::optional<char32_t> unsavable;
        // Bytes (or UTF-16 units) that form no character, which only a file
        // in the source's own code page can carry as they are: UTF-8 output
        // would hold replacement characters in their place.
        bool undecodable = false;
    };

    // Bytes a line keeps: far more than the longest subtitle in any encoding.
    static constexpr qsizetype keptBytes = 1024;

    // `kept`: the bytes a line keeps, for a reader that needs whole
    // paragraphs rather than subtitles.
    explicit SourceText(const QString &path, Output output = Output::CodePage,
                        qsizetype kept = keptBytes);

    bool open();
    // Reads the whole file, finds its encoding and line ends and returns its
    // number of lines, or stops once they are more than `limit`. -1 when
    // reading fails.
    qint64 countLines(qint64 limit);
    // Back to the first line, to hand the lines out as counted.
    bool rewind();
    // False at the end of the file, or when reading fails (see failed()).
    bool readLine(Line &line);

    // What countLines() found out, for writing a file like this one.
    Encoding encoding() const { return m_encoding; }
    bool hasByteOrderMark() const { return m_markLength > 0; }
    bool endsLinesAtCr() const { return m_terminator == u'\r'; }

    bool failed() const { return m_failed; }
    QString errorString() const { return m_file.errorString(); }
    // The bytes read since the file was opened or rewound, so that a caller
    // can tell whether both passes read the same file.
    qint64 bytesRead() const { return m_bytesRead; }

private:
    qsizetype unitSize() const
    {
        return m_encoding == Encoding::Utf16LittleEndian || m_encoding == Encoding::Utf16BigEndian
            ? 2
            : 1;
    }
    char16_t unitAt(qsizetype at) const;
    qsizetype find(char16_t unit, qsizetype from) const;
    qsizetype count(char16_t unit, qsizetype from, qsizetype to) const;
    void startPass();
    bool fill();
    bool nextLine();
    void keep(qsizetype from, qsizetype to);
    QStringView decodedAhead();
    void decode(QByteArrayView bytes);

    QFile m_file;
    const Output m_output;
    const qsizetype m_keptBytes;
    Encoding m_encoding = Encoding::CodePage;
    qsizetype m_markLength = 0;
    char16_t m_terminator = u'\r'; // LF when the file holds no CR
    bool m_counting = false;

    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qsizetype m_end = 0;
    qint64 m_bytesRead = 0;
    bool m_eof = false;
    bool m_failed = false;

    QByteArray m_line; // the kept bytes of a line that spanned reads
    qint64 m_lineLength = 0;
    qsizetype m_lineStart = -1; // where the line lies in the buffer, when it does

    QString m_ahead; // the rest of the read, decoded from a line's start on
    qsizetype m_aheadByte = -1; // where the next line it holds starts in the buffer
    qsizetype m_aheadText = 0; // and where its text starts in m_ahead
    // m_ahead's first replacement character; -1 once the lines of this read
    // are decoded one by one.
    qsizetype m_aheadClean = 0;

    QString m_text;
    QByteArray m_encoded;
    CodePage m_codePage;
    QStringDecoder m_unicode;
    bool m_undecodable = false; // in what decode() decoded last
    QStringEncoder m_utf8 { QStringConverter::Utf8, QStringConverter::Flag::Stateless };
    Utf8Detector m_detector;
};

} // namespace captiloom::platform

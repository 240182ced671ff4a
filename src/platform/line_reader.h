#pragma once

#include <QByteArray>
#include <QIODevice>

#include <algorithm>
#include <cstring>
#include <functional>

namespace captiloom::platform {

// Splits a stream into lines the way the source format wants: CR LF and a
// lone CR end a line, a lone LF is an ordinary character, the last line needs
// no terminator and a final terminator does not start an empty line.
//
// Memory stays bounded whatever the input: a line keeps at most `keepLimit`
// bytes and is flagged as cut when it had more; its full length is still known.
class LineReader
{
public:
    enum class Terminator { None, Cr, CrLf };
    enum class UnitWidth { Byte = 1, Utf16LittleEndian = 2, Utf16BigEndian = 3 };

    struct Line
    {
        QByteArrayView bytes; // valid until the next call
        qint64 length = 0; // full length in bytes, even when cut
        bool cut = false;
        Terminator terminator = Terminator::None;
    };

    static constexpr qsizetype defaultKeepLimit = 1024;

    explicit LineReader(QIODevice &device, qsizetype keepLimit = defaultKeepLimit);

    void setUnitWidth(UnitWidth width) { m_width = width; }
    // Called with every chunk as it is read from the device, before any of it
    // is split, so that a caller can look at all the bytes in one pass.
    void setChunkObserver(std::function<void(QByteArrayView)> observer)
    {
        m_observer = std::move(observer);
    }
    // The next bytes, fewer at the end of the input; consumes nothing.
    QByteArrayView peek(qsizetype count);
    // Skips bytes already looked at, such as a byte-order mark.
    void skip(qsizetype count);

    // False at the end of the input or on a read error (see failed()).
    bool readLine(Line &line)
    {
        // Most lines of a byte source lie whole in the buffer, with the byte
        // after their CR read too: those are handed out where they lie, with
        // no copy, no refill and no call but the search.
        if (m_width == UnitWidth::Byte) {
            const char *const buffer = m_buffer.constData();
            const auto *cr =
                static_cast<const char *>(std::memchr(buffer + m_pos, '\r', m_end - m_pos));
            if (cr && cr + 2 <= buffer + m_end) {
                handOut(line, cr - buffer, cr[1] == '\n', 1);
                return true;
            }
        }
        return readLineSlowly(line);
    }
    // Reads to the end of the input and returns how many lines readLine()
    // would have handed out, or stops once that is more than `limit`. Lines
    // of bytes are only counted, not split, a word at a time.
    qint64 countLines(qint64 limit);
    // The bytes already read after the last line handed out, up to the end of
    // the last line whose terminator is known: the lines that the next calls
    // of readLine() will hand out without reading, terminators included.
    QByteArrayView wholeLinesAhead() const;
    bool failed() const { return m_failed; }
    qint64 bytesConsumed() const { return m_consumed; }
    // How many lines readLine() has handed out.
    qint64 linesRead() const { return m_linesRead; }

private:
    // Hands out the line from m_pos to the CR at `cr`, the unit after which
    // is already read.
    void handOut(Line &line, qsizetype cr, bool lf, qsizetype unit)
    {
        const qsizetype length = cr - m_pos;
        line.bytes = QByteArrayView(m_buffer.constData() + m_pos, std::min(length, m_keepLimit));
        line.length = length;
        line.cut = length > m_keepLimit;
        line.terminator = lf ? Terminator::CrLf : Terminator::Cr;
        const qsizetype next = cr + (lf ? 2 * unit : unit);
        m_consumed += next - m_pos;
        m_pos = next;
        ++m_linesRead;
    }
    bool readLineSlowly(Line &line);
    bool fill();
    bool ensure(qsizetype count);
    qsizetype unitSize() const { return m_width == UnitWidth::Byte ? 1 : 2; }
    qsizetype findCr(qsizetype from) const;
    bool isUnit(qsizetype at, char value) const;
    void keep(qsizetype from, qsizetype to);

    QIODevice &m_device;
    qsizetype m_keepLimit;
    UnitWidth m_width = UnitWidth::Byte;
    std::function<void(QByteArrayView)> m_observer;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qsizetype m_end = 0;
    qint64 m_consumed = 0;
    qint64 m_linesRead = 0;
    bool m_eof = false;
    bool m_failed = false;
    QByteArray m_line;
    qint64 m_lineLength = 0;
};

} // namespace captiloom::platform

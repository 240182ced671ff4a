#include "line_reader.h"

#include "cr_scan.h"

#include <cstring>

namespace captiloom::platform {

namespace {
constexpr qsizetype chunkSize = 64 * 1024;
}

LineReader::LineReader(QIODevice &device, qsizetype keepLimit)
    : m_device(device)
    , m_keepLimit(keepLimit)
{
    m_buffer.resize(chunkSize);
    m_line.reserve(keepLimit + 1);
}

bool LineReader::fill()
{
    if (m_eof || m_failed)
        return false;
    // Keep an unfinished unit (half of a UTF-16 character) in front of the new bytes.
    const qsizetype rest = m_end - m_pos;
    if (rest > 0)
        std::memmove(m_buffer.data(), m_buffer.constData() + m_pos, rest);
    m_pos = 0;
    m_end = rest;
    const qint64 got = m_device.read(m_buffer.data() + m_end, m_buffer.size() - m_end);
    if (got < 0) {
        m_failed = true;
        return false;
    }
    if (got == 0) {
        m_eof = true;
        return false;
    }
    if (m_observer)
        m_observer(QByteArrayView(m_buffer.constData() + m_end, got));
    m_end += got;
    return true;
}

bool LineReader::ensure(qsizetype count)
{
    while (m_end - m_pos < count) {
        if (!fill())
            return false;
    }
    return true;
}

QByteArrayView LineReader::peek(qsizetype count)
{
    ensure(count);
    return QByteArrayView(m_buffer.constData() + m_pos, std::min(count, m_end - m_pos));
}

void LineReader::skip(qsizetype count)
{
    while (count > 0 && (m_pos < m_end || fill())) {
        const qsizetype step = std::min(count, m_end - m_pos);
        m_pos += step;
        m_consumed += step;
        count -= step;
    }
}

inline bool LineReader::isUnit(qsizetype at, char value) const
{
    switch (m_width) {
    case UnitWidth::Byte:
        return m_buffer[at] == value;
    case UnitWidth::Utf16LittleEndian:
        return m_buffer[at] == value && m_buffer[at + 1] == 0;
    case UnitWidth::Utf16BigEndian:
        return m_buffer[at] == 0 && m_buffer[at + 1] == value;
    }
    return false;
}

inline qsizetype LineReader::findCr(qsizetype from) const
{
    if (m_width == UnitWidth::Byte) {
        const void *hit = std::memchr(m_buffer.constData() + from, '\r', m_end - from);
        return hit ? static_cast<const char *>(hit) - m_buffer.constData() : -1;
    }
    for (qsizetype at = from; at + 1 < m_end; at += 2) {
        if (isUnit(at, '\r'))
            return at;
    }
    return -1;
}

void LineReader::keep(qsizetype from, qsizetype to)
{
    const qsizetype room = m_keepLimit - m_line.size();
    if (room > 0)
        m_line.append(m_buffer.constData() + from, std::min(room, to - from));
    m_lineLength += to - from;
    m_consumed += to - from;
}

qint64 LineReader::countLines(qint64 limit)
{
    qint64 count = 0;
    if (m_width != UnitWidth::Byte) {
        for (Line line; count <= limit && readLine(line);)
            ++count;
        return count;
    }
    // Every CR ends one line, whatever follows it; the input ends with one
    // more line when bytes follow its last terminator.
    char last = 0;
    char beforeLast = 0;
    bool any = false;
    while (count <= limit && (m_pos < m_end || fill())) {
        const QByteArrayView bytes(m_buffer.constData() + m_pos, m_end - m_pos);
        count += countCrBytes(bytes);
        beforeLast = bytes.size() > 1 ? bytes[bytes.size() - 2] : last;
        last = bytes.back();
        any = true;
        m_consumed += bytes.size();
        m_pos = m_end;
    }
    const bool endsWithTerminator = last == '\r' || (last == '\n' && beforeLast == '\r');
    if (any && !endsWithTerminator)
        ++count;
    m_linesRead += count;
    return count;
}

QByteArrayView LineReader::wholeLinesAhead() const
{
    // A CR in the last unit read might yet be followed by an LF.
    const qsizetype unit = unitSize();
    for (qsizetype at = m_pos + ((m_end - m_pos) / unit - 2) * unit; at >= m_pos; at -= unit) {
        if (isUnit(at, '\r')) {
            const qsizetype end = at + (isUnit(at + unit, '\n') ? 2 * unit : unit);
            return QByteArrayView(m_buffer.constData() + m_pos, end - m_pos);
        }
    }
    return {};
}

bool LineReader::readLineSlowly(Line &line)
{
    const qsizetype unit = unitSize();

    // The lines readLine() hands out inline, for UTF-16 units; then any line,
    // reading more as it needs.
    if (const qsizetype cr = findCr(m_pos); cr >= 0 && cr + 2 * unit <= m_end) {
        handOut(line, cr, isUnit(cr + unit, '\n'), unit);
        return true;
    }

    m_line.resize(0);
    m_lineLength = 0;
    bool any = false;
    for (;;) {
        if (!ensure(unit)) {
            if (m_failed)
                return false;
            // A last odd byte of a UTF-16 file still belongs to the last line.
            if (m_pos < m_end) {
                keep(m_pos, m_end);
                m_pos = m_end;
                any = true;
            }
            if (!any)
                return false;
            line = { m_line, m_lineLength, m_lineLength > m_line.size(), Terminator::None };
            ++m_linesRead;
            return true;
        }
        any = true;
        const qsizetype cr = findCr(m_pos);
        if (cr < 0) {
            // Leave a trailing half unit for the next fill.
            const qsizetype whole = m_pos + (m_end - m_pos) / unit * unit;
            keep(m_pos, whole);
            m_pos = whole;
            continue;
        }
        keep(m_pos, cr);
        m_pos = cr + unit;
        m_consumed += unit;
        Terminator terminator = Terminator::Cr;
        if (ensure(unit) && isUnit(m_pos, '\n')) {
            m_pos += unit;
            m_consumed += unit;
            terminator = Terminator::CrLf;
        }
        if (m_failed)
            return false;
        line = { m_line, m_lineLength, m_lineLength > m_line.size(), terminator };
        ++m_linesRead;
        return true;
    }
}

} // namespace captiloom::platform

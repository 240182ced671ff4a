#pragma once

#include <QByteArrayView>
#include <QStringView>

#include <bit>
#include <cstring>

namespace captiloom::platform {

// Lines are short: a search call for each would cost more than the search, so
// the CRs are looked for a machine word at a time. In a word of bytes or of
// UTF-16 units that was XORed with CRs, these set the top bit of each byte or
// unit that was a CR, and of no other.
inline constexpr quint64 crBytes = 0x0D0D0D0D0D0D0D0DULL;
inline constexpr quint64 crUnits = 0x000D000D000D000DULL;

constexpr quint64 topBitsOfZeroBytes(quint64 x)
{
    constexpr quint64 low7 = 0x7F7F7F7F7F7F7F7FULL;
    return ~(((x & low7) + low7) | x | low7);
}

constexpr quint64 topBitsOfZeroUnits(quint64 x)
{
    constexpr quint64 low15 = 0x7FFF7FFF7FFF7FFFULL;
    return ~(((x & low15) + low15) | x | low15);
}

inline qsizetype countCrBytes(QByteArrayView bytes)
{
    qsizetype count = 0;
    qsizetype at = 0;
    for (; at + 8 <= bytes.size(); at += 8) {
        quint64 word;
        std::memcpy(&word, bytes.data() + at, 8);
        // One bit a CR, in the bytes' lowest bits; the product adds them up
        // in the top byte.
        count += ((topBitsOfZeroBytes(word ^ crBytes) >> 7) * 0x0101010101010101ULL) >> 56;
    }
    for (; at < bytes.size(); ++at)
        count += bytes[at] == '\r';
    return count;
}

// Calls found(at) for every CR of `text`, in order.
template<typename Found> void forEachCrUnit(QStringView text, Found found)
{
    const char16_t *units = text.utf16();
    const qsizetype size = text.size();
    qsizetype at = 0;
    for (; at + 4 <= size; at += 4) {
        quint64 word;
        std::memcpy(&word, units + at, 8);
        for (quint64 hits = topBitsOfZeroUnits(word ^ crUnits); hits; hits &= hits - 1) {
            const int unit = std::countr_zero(hits) / 16;
            found(at + (std::endian::native == std::endian::little ? unit : 3 - unit));
        }
    }
    for (; at < size; ++at) {
        if (units[at] == u'\r')
            found(at);
    }
}

} // namespace captiloom::platform

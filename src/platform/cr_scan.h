#pragma once

#include <QByteArrayView>
#include <QStringView>

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Writes the index of every CR of `text` to `out`, in order, and returns how
// many there are. `out` needs room for one index more than there are CRs:
// every unit's index is written there and only a CR's is kept, since a branch
// on each unit would guess wrong at nearly every line end. `text` is shorter
// than 2^31 units.
inline qsizetype findCrUnits(QStringView text, qint32 *out)
{
    const char16_t *units = text.utf16();
    const qsizetype size = text.size();
    qsizetype count = 0;
    qsizetype at = 0;
#if defined(__SSE2__)
    const __m128i crs = _mm_set1_epi16(u'\r');
    for (; at + 8 <= size; at += 8) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(units + at));
        // Two bits a unit, both set for a CR.
        const auto hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(block, crs)));
        for (int unit = 0; unit < 8; ++unit) {
            out[count] = static_cast<qint32>(at + unit);
            count += (hits >> (2 * unit)) & 1;
        }
    }
#else
    for (; at + 4 <= size; at += 4) {
        quint64 word;
        std::memcpy(&word, units + at, 8);
        const quint64 hits = topBitsOfZeroUnits(word ^ crUnits);
        for (int unit = 0; unit < 4; ++unit) {
            const int lane = std::endian::native == std::endian::little ? unit : 3 - unit;
            out[count] = static_cast<qint32>(at + unit);
            count += (hits >> (16 * lane + 15)) & 1;
        }
    }
#endif
    for (; at < size; ++at) {
        out[count] = static_cast<qint32>(at);
        count += units[at] == u'\r';
    }
    return count;
}

} // namespace captiloom::platform

#include "word_breaks.h"

#include <unicode/ubrk.h>

#include <limits>

namespace captiloom::platform {

struct WordBreaks::Iterator
{
    // Making an iterator loads its rules and the Chinese dictionary: done
    // once, and every paragraph only handed to it.
    UBreakIterator *words = nullptr;
};

WordBreaks::WordBreaks()
    : m_iterator(std::make_unique<Iterator>())
{
    UErrorCode status = U_ZERO_ERROR;
    m_iterator->words = ubrk_open(UBRK_WORD, "zh_CN", nullptr, 0, &status);
    if (U_FAILURE(status)) {
        ubrk_close(m_iterator->words);
        m_iterator->words = nullptr;
    }
}

WordBreaks::~WordBreaks()
{
    ubrk_close(m_iterator->words);
}

bool WordBreaks::knowsWords() const
{
    return m_iterator->words != nullptr;
}

QList<qsizetype> WordBreaks::boundaries(QStringView text)
{
    QList<qsizetype> found;
    UErrorCode status = U_ZERO_ERROR;
    if (m_iterator->words && text.size() <= std::numeric_limits<int32_t>::max()) {
        // The iterator reads the text where it lies, without a copy.
        ubrk_setText(m_iterator->words, reinterpret_cast<const UChar *>(text.utf16()),
                     static_cast<int32_t>(text.size()), &status);
        if (U_SUCCESS(status)) {
            for (int32_t at = ubrk_first(m_iterator->words); at != UBRK_DONE;
                 at = ubrk_next(m_iterator->words))
                found << at;
            // Nothing is left pointing at the caller's text.
            ubrk_setText(m_iterator->words, nullptr, 0, &status);
            return found;
        }
    }
    found << 0 << text.size();
    return found;
}

} // namespace captiloom::platform

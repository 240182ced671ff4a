#include "word_breaks.h"

#include <QTextBoundaryFinder>

#include <windows.h>

#include <limits>

namespace captiloom::platform {

namespace {

// The few functions of ICU's C interface that are needed, as Windows 10
// exports them from its own ICU: unversioned names, the C calling convention.
// MinGW has no header for that ICU, so they are declared here as ICU's
// ubrk.h declares them.
using UChar = char16_t;
using UErrorCode = int;
struct UBreakIterator;
constexpr int UBRK_WORD = 1;
constexpr int32_t UBRK_DONE = -1;
constexpr bool succeeded(UErrorCode status)
{
    return status <= 0;
}

using OpenFunction = UBreakIterator *(__cdecl *)(int type, const char *locale, const UChar *text,
                                                 int32_t length, UErrorCode *status);
using SetTextFunction = void(__cdecl *)(UBreakIterator *iterator, const UChar *text, int32_t length,
                                        UErrorCode *status);
using StepFunction = int32_t(__cdecl *)(UBreakIterator *iterator);
using CloseFunction = void(__cdecl *)(UBreakIterator *iterator);

template<typename Function> Function resolve(HMODULE library, const char *name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(library, name)));
}

} // namespace

struct WordBreaks::Iterator
{
    HMODULE library = nullptr;
    OpenFunction open = nullptr;
    SetTextFunction setText = nullptr;
    StepFunction first = nullptr;
    StepFunction next = nullptr;
    CloseFunction close = nullptr;
    UBreakIterator *words = nullptr;
};

WordBreaks::WordBreaks()
    : m_iterator(std::make_unique<Iterator>())
{
    // Windows 10 carries ICU, with its Chinese dictionary, in System32:
    // icu.dll from version 1903 on, icuuc.dll before. Only System32 is
    // searched, so that no file beside a source can stand in for it. Wine
    // and older Windows have neither.
    Iterator &it = *m_iterator;
    for (const wchar_t *name : { L"icu.dll", L"icuuc.dll" }) {
        it.library = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (it.library)
            break;
    }
    if (!it.library)
        return;
    it.open = resolve<OpenFunction>(it.library, "ubrk_open");
    it.setText = resolve<SetTextFunction>(it.library, "ubrk_setText");
    it.first = resolve<StepFunction>(it.library, "ubrk_first");
    it.next = resolve<StepFunction>(it.library, "ubrk_next");
    it.close = resolve<CloseFunction>(it.library, "ubrk_close");
    UErrorCode status = 0;
    if (it.open && it.setText && it.first && it.next && it.close)
        it.words = it.open(UBRK_WORD, "zh_CN", nullptr, 0, &status);
    if (!succeeded(status) && it.words) {
        it.close(it.words);
        it.words = nullptr;
    }
}

WordBreaks::~WordBreaks()
{
    if (m_iterator->words)
        m_iterator->close(m_iterator->words);
    if (m_iterator->library)
        FreeLibrary(m_iterator->library);
}

bool WordBreaks::knowsWords() const
{
    return m_iterator->words != nullptr;
}

QList<qsizetype> WordBreaks::boundaries(QStringView text)
{
    QList<qsizetype> found;
    Iterator &it = *m_iterator;
    if (it.words && text.size() <= std::numeric_limits<int32_t>::max()) {
        UErrorCode status = 0;
        it.setText(it.words, reinterpret_cast<const UChar *>(text.utf16()),
                   static_cast<int32_t>(text.size()), &status);
        if (succeeded(status)) {
            for (int32_t at = it.first(it.words); at != UBRK_DONE; at = it.next(it.words))
                found << at;
            it.setText(it.words, nullptr, 0, &status);
            return found;
        }
    }
    // Without ICU, Unicode's rules without a dictionary: a boundary between
    // any two ideographs, so a break may fall inside a Chinese word.
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text.data(), text.size());
    for (qsizetype at = 0; at >= 0; at = finder.toNextBoundary())
        found << at;
    return found;
}

} // namespace captiloom::platform

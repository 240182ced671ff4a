#pragma once

#include <QList>
#include <QStringView>

#include <memory>

namespace captiloom::platform {

// Where Chinese text may be broken between words. Chinese is written without
// spaces, so the boundaries come from a dictionary: ICU's word break
// iterator for Chinese, the one in the system's ICU.
class WordBreaks
{
public:
    WordBreaks();
    Q_DISABLE_COPY_MOVE(WordBreaks)
    ~WordBreaks();

    // Every place in `text` where a word starts or ends, as offsets in UTF-16
    // units, from 0 to the text's size, in order. Never inside a surrogate pair.
    QList<qsizetype> boundaries(QStringView text);

    // False where no dictionary was found and boundaries fall only where the
    // script changes, at spaces and punctuation, and between ideographs.
    bool knowsWords() const;

private:
    struct Iterator;
    std::unique_ptr<Iterator> m_iterator;
};

} // namespace captiloom::platform

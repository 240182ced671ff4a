#pragma once

#include <QList>
#include <QStringView>

namespace captiloom::conversion {

// What a word does in its phrase, as far as that tells where a line may end:
// whether it leans on the word before it (的, 了, 吗, 里), on the word after
// it (在, 和, 这个, 一), or stands as a part of a phrase of its own.
enum class WordRole : quint8 {
    Other,
    Noun,
    VerbalNoun, // 工作, 发展: a verb as often as a noun
    Verb,
    Adjective,
    Attribute, // 主要, 大型: only ever before a noun
    Adverb,
    Auxiliary, // 要, 会, 能, 可以: before the verb they go with
    Pronoun,
    Determiner, // 这, 那个, 每, 某
    Numeral,
    Measure,
    Time, // 今天, 以前, 后来
    Preposition,
    Conjunction,
    Coordinator, // 和, 或, 及: between nouns as often as between clauses
    Structural, // 的, 地, 得, 之
    Aspect, // 了, 着, 过
    Modal, // 吗, 呢, 吧, 啊
    Localiser, // 里, 中, 上, 时, 之间, 之一
    Suffix, // 们, 者
    Idiom,
};

struct Word
{
    qsizetype start = 0;
    qsizetype size = 0;
    WordRole role = WordRole::Other;
};

// The words of `text`, in order and without a gap: the reading whose words
// are together the most frequent in jieba's dictionary, as jieba reads it
// without guessing at unknown words. A character that is not a hanzi, and a
// hanzi that is no word of the dictionary by itself, is a word of its own.
QList<Word> readWords(QStringView text);

} // namespace captiloom::conversion

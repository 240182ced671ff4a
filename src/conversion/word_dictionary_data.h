#pragma once

#include <QtGlobal>

// jieba's dictionary, as make_word_dictionary.py lays it out at build time
// (the source it writes defines these): its words of hanzi grouped by their
// first character, then by their length.
namespace captiloom::conversion::dictionary {

extern const qsizetype firstCount;
// What a character that is no word by itself costs.
extern const int unknownCost;
// Each first character once, in order; the groups of the one at `f` are
// firstBuckets[f] up to firstBuckets[f + 1].
extern const char16_t firstCharacters[];
extern const quint32 firstBuckets[];
// The characters that follow the first at `f` in a word, in order, are
// pairSeconds[firstPairs[f]] up to pairSeconds[firstPairs[f + 1]]; the bit
// n - 1 of the pair's pairLengths says that it starts a word of n characters.
extern const quint32 firstPairs[];
extern const char16_t pairSeconds[];
extern const quint16 pairLengths[];
// A group holds the words bucketWords[b] up to bucketWords[b + 1], all
// bucketLengths[b] characters long and in order; their characters after the
// first lie one after another in wordRests from bucketRests[b] on.
extern const quint8 bucketLengths[];
extern const quint32 bucketWords[];
extern const quint32 bucketRests[];
extern const char16_t wordRests[];
// Per word: how unlikely it is (tenths of a natural logarithm) and its part
// of speech, an index into tagNames.
extern const char wordCosts[];
extern const char wordTags[];
extern const char *const tagNames[];
extern const qsizetype tagCount;

} // namespace captiloom::conversion::dictionary

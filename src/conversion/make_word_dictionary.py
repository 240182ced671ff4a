#!/usr/bin/env python3
"""Turns jieba's dictionary (Debian's python3-jieba, dict.txt: "word frequency
tag" on each line) into the C++ source of the word list the splitter looks
words up in: compiled into the program, so that nothing is read or parsed
when it starts, and the same on every system it is built for.

    make_word_dictionary.py DICT_TXT OUTPUT_CPP

Only words written wholly in hanzi are kept: letters and digits are told
apart without a dictionary. The words are grouped by their first character,
then by their length; within a group every word has the same length, so its
other characters lie at fixed places and a binary search needs no offsets.
"""

import math
import sys


def is_hanzi(c):
    return ("\u3400" <= c <= "\u4dbf" or "\u4e00" <= c <= "\u9fff"
            or "\uf900" <= c <= "\ufaff" or c == "\u3007")


def octal_bytes(values):
    # Octal escapes of three digits: no following character can extend them.
    return "".join("\\%03o" % value for value in values)


def wrapped(text, width=4000):
    # Adjacent literals are one literal; short source lines are easier on tools.
    return "\n".join(text[at:at + width] for at in range(0, len(text), width))


def main(source, output):
    frequencies = {}
    tags = {}
    total = 0
    with open(source, encoding="utf-8") as lines:
        for line in lines:
            fields = line.split()
            if len(fields) < 2:
                continue
            word, frequency = fields[0], int(fields[1])
            total += frequency
            if all(is_hanzi(c) for c in word) and frequency > 0:
                # A word given twice keeps its last line, as jieba does.
                frequencies[word] = frequency
                tags[word] = fields[2] if len(fields) > 2 else "x"
    if not frequencies:
        sys.exit("make_word_dictionary: no words in " + source)

    # A word's cost: how unlikely it is, in tenths of a natural logarithm,
    # so that the likeliest reading of a text has the lowest sum.
    def cost(frequency):
        return min(255, round(10 * math.log(total / frequency)))

    tag_names = sorted(set(tags.values()))
    tag_index = {name: index for index, name in enumerate(tag_names)}
    words = sorted(frequencies, key=lambda word: (word[0], len(word), word))

    firsts = []  # each first character once, in order
    first_buckets = []  # where its groups start
    bucket_lengths, bucket_words, bucket_rests = [], [], []
    rests = []
    costs, word_tags = [], []
    rest_size = 0
    previous = ""
    for index, word in enumerate(words):
        if previous[:1] != word[0]:
            firsts.append(word[0])
            first_buckets.append(len(bucket_lengths))
        if previous[:1] != word[0] or len(previous) != len(word):
            bucket_lengths.append(len(word))
            bucket_words.append(index)
            bucket_rests.append(rest_size)
        rests.append(word[1:])
        rest_size += len(word) - 1
        costs.append(cost(frequencies[word]))
        word_tags.append(tag_index[tags[word]])
        previous = word
    first_buckets.append(len(bucket_lengths))
    bucket_words.append(len(words))

    # The second characters that follow each first one, and for each such
    # pair the lengths of its words (bit n - 1 for n characters): most places
    # in a text start no word of two or more, and need no search of the groups.
    if max(len(word) for word in words) > 16:
        sys.exit("make_word_dictionary: a word longer than 16 characters")
    pair_lengths = {}
    for word in words:
        if len(word) > 1:
            pair_lengths[word[:2]] = pair_lengths.get(word[:2], 0) | (1 << (len(word) - 1))
    seconds_of = {}
    for pair in sorted(pair_lengths):
        seconds_of.setdefault(pair[0], []).append(pair[1])
    first_pairs, pair_seconds, pair_masks = [], [], []
    for first in firsts:
        first_pairs.append(len(pair_seconds))
        for second in seconds_of.get(first, []):
            pair_seconds.append(second)
            pair_masks.append(pair_lengths[first + second])
    first_pairs.append(len(pair_seconds))

    def numbers(values):
        items = [str(value) for value in values]
        return ",\n".join(",".join(items[at:at + 24]) for at in range(0, len(items), 24))

    with open(output, "w", encoding="utf-8", newline="\n") as out:
        out.write("// Made from jieba's dictionary by make_word_dictionary.py: not to be edited.\n")
        out.write("// jieba: Copyright 2012-2017 Sun Junyi, MIT licence (see data/copyright).\n\n")
        out.write('#include "word_dictionary_data.h"\n\n')
        out.write("namespace captiloom::conversion::dictionary {\n\n")
        out.write("const qsizetype firstCount = %d;\n" % len(firsts))
        out.write("const int unknownCost = %d;\n" % cost(1))
        out.write("const char16_t firstCharacters[] =\nu\"%s\";\n" % wrapped("".join(firsts)).replace("\n", "\"\nu\""))
        out.write("const quint32 firstBuckets[] = {\n%s\n};\n" % numbers(first_buckets))
        out.write("const quint8 bucketLengths[] = {\n%s\n};\n" % numbers(bucket_lengths))
        out.write("const quint32 bucketWords[] = {\n%s\n};\n" % numbers(bucket_words))
        out.write("const quint32 bucketRests[] = {\n%s\n};\n" % numbers(bucket_rests))
        out.write("const quint32 firstPairs[] = {\n%s\n};\n" % numbers(first_pairs))
        out.write("const char16_t pairSeconds[] =\nu\"%s\";\n" % wrapped("".join(pair_seconds)).replace("\n", "\"\nu\""))
        out.write("const quint16 pairLengths[] = {\n%s\n};\n" % numbers(pair_masks))
        out.write("const char16_t wordRests[] =\nu\"%s\";\n" % wrapped("".join(rests)).replace("\n", "\"\nu\""))
        out.write("const char wordCosts[] =\n\"%s\";\n" % wrapped(octal_bytes(costs)).replace("\n", "\"\n\""))
        out.write("const char wordTags[] =\n\"%s\";\n" % wrapped(octal_bytes(word_tags)).replace("\n", "\"\n\""))
        out.write("const char *const tagNames[] = {\n%s\n};\n" % ",\n".join('"%s"' % name for name in tag_names))
        out.write("const qsizetype tagCount = %d;\n\n" % len(tag_names))
        out.write("} // namespace captiloom::conversion::dictionary\n")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: make_word_dictionary.py DICT_TXT OUTPUT_CPP")
    main(sys.argv[1], sys.argv[2])

#include "chinese_words.h"

#include "word_dictionary_data.h"

#include <QHash>

#include <algorithm>
#include <string>
#include <vector>

namespace captiloom::conversion {

namespace {

namespace data = dictionary;
using namespace Qt::StringLiterals;

// The role each of jieba's parts of speech gives a word. Its tags are those
// of the ICTCLAS set: n nouns, v verbs, uj 的, ul 了, y modal particles...
WordRole roleOfTag(QLatin1StringView tag)
{
    const char first = tag.isEmpty() ? 'x' : tag.front().toLatin1();
    if (tag == "uj"_L1 || tag == "uv"_L1 || tag == "ud"_L1 || tag == "u"_L1)
        return WordRole::Structural;
    if (tag == "ul"_L1 || tag == "uz"_L1 || tag == "ug"_L1)
        return WordRole::Aspect;
    if (tag == "vn"_L1)
        return WordRole::VerbalNoun;
    if (tag == "an"_L1)
        return WordRole::Noun;
    if (tag == "zg"_L1)
        return WordRole::Other; // a leftover class, too mixed to say
    switch (first) {
    case 'n':
    case 'j': // abbreviations
    case 's': // places
        return WordRole::Noun;
    case 'v':
        return WordRole::Verb;
    case 'a':
    case 'z': // states
        return WordRole::Adjective;
    case 'b':
        return WordRole::Attribute;
    case 'd':
        return WordRole::Adverb;
    case 'r':
        return WordRole::Pronoun;
    case 'm':
        return WordRole::Numeral;
    case 'q':
        return WordRole::Measure;
    case 't':
        return WordRole::Time;
    case 'p':
        return WordRole::Preposition;
    case 'c':
        return WordRole::Conjunction;
    case 'y':
    case 'e':
        return WordRole::Modal;
    case 'f':
        return WordRole::Localiser;
    case 'k':
        return WordRole::Suffix;
    case 'i':
        return WordRole::Idiom;
    case 'l': // set phrases, most of them names of things (组成部分, 软件包)
        return WordRole::Noun;
    default:
        return WordRole::Other;
    }
}

// The function words whose tag in the dictionary says too little (将 and 则
// are tagged adverbs, 如 a verb, 很 and 每 leftovers, 时 a noun), or whose
// role in a line matters most; their roles here hold over their tags.
struct RoleWords
{
    WordRole role;
    QStringView words;
};
constexpr RoleWords functionWords[] = {
    { WordRole::Preposition,
      u"在 将 把 被 从 跟 与 对 向 往 朝 于 以 为 由 给 按 按照 依照 根据 通过 随着 关于 对于 "
      u"至于 除了 比 替 自 自从 当 趁 沿着 凭 为了 鉴于 针对 基于 距 离 同 让" },
    { WordRole::Conjunction,
      u"而 而且 并 并且 但 但是 可是 然而 不过 因为 所以 因此 如果 假如 要是 如 若 则 "
      u"即使 虽然 尽管 只要 只有 除非 无论 不管 既然 于是 然后 以便 以免 否则 不然 甚至 "
      u"况且 何况 由于 因而 进而 从而 还是" },
    { WordRole::Coordinator, u"和 或 或者 及 以及" },
    { WordRole::Determiner,
      u"这 那 这个 那个 这些 那些 这种 那种 该 每 各 某 此 本 其 任何 所有 一切 整个 另 其他 其它 "
      u"其余 哪 哪个 哪些 各种 每个 每一 这位 那位 这次 那次 这项 所 某个 某些 这类 那类 上述 "
      u"下列" },
    { WordRole::Structural, u"的 地 得 之" },
    { WordRole::Aspect, u"了 着 过" },
    { WordRole::Modal, u"吗 呢 吧 啊 呀 嘛 哦 啦 呗 罢了 而已" },
    { WordRole::Localiser,
      u"里 时 中 上 下 内 外 前 后 间 之间 之中 之内 之外 之前 之后 以前 以后 以来 以上 以下 以内 "
      u"以外 之一 左右 期间 为止 等 等等 似的 一样 般 时候 当中 来说 而言" },
    { WordRole::Noun, u"内部 外部" },
    { WordRole::Suffix, u"们 者 性 化" },
    { WordRole::Auxiliary,
      u"要 会 能 能够 可以 可 应 应该 应当 必须 可能 愿意 敢 肯 想 需要 得以 值得 不得 不必 不可" },
    { WordRole::Adverb,
      u"很 最 太 都 也 还 就 才 又 再 已 已经 正在 正 不 没 别 非常 十分 更 更加 越 越来越 一直 "
      u"马上 立即 常常 经常 总是 往往 只 仅 仅仅 也许 大概 一定 同样 首先 其次 另外 此外 总之 "
      u"其实 当然 例如 比如 一起 共同 互相 相互 尽量 特别 尤其 并不 不再 不会 不能 没有 如何 怎么 "
      u"怎样 为什么 一边 是否 预先 事先 同时 显然 突然 确实 完全 全然 公然 顺便" },
    { WordRole::Time,
      u"每年 每天 每月 每周 每晚 每次 当时 此时 这时 那时 随后 后来 最近 目前 如今 当年 那年 最后 "
      u"最初 最终" },
};

class Dictionary
{
public:
    Dictionary()
        : m_firsts(0x10000, 0)
    {
        // What a place in a text needs first, side by side: most places
        // start no word of more than one character.
        m_entries.reserve(data::firstCount + 1);
        for (qsizetype f = 0; f <= data::firstCount; ++f) {
            First entry { data::firstBuckets[f], data::firstPairs[f], -1, 0 };
            if (f < data::firstCount) {
                m_firsts[data::firstCharacters[f]] = quint16(f + 1);
                if (data::bucketLengths[entry.buckets] == 1) {
                    entry.single = qint32(data::bucketWords[entry.buckets]);
                    entry.singleCost = cost(entry.single);
                    ++entry.buckets;
                }
            }
            m_entries.push_back(entry);
        }
        m_tagRoles.reserve(data::tagCount);
        for (qsizetype tag = 0; tag < data::tagCount; ++tag)
            m_tagRoles.push_back(roleOfTag(QLatin1StringView(data::tagNames[tag])));
        for (const RoleWords &group : functionWords) {
            for (const QStringView word : group.words.tokenize(u' ')) {
                if (const qsizetype index = find(word); index >= 0)
                    m_roles.insert(index, group.role);
            }
        }
    }

    static const Dictionary &instance()
    {
        static const Dictionary dictionary;
        return dictionary;
    }

    // Calls `found(size, index, cost)` for every word that `text` holds from
    // `at` on, shortest first.
    template<typename Found> void wordsAt(QStringView text, qsizetype at, Found found) const
    {
        const qsizetype f = qsizetype(m_firsts[text[at].unicode()]) - 1;
        if (f < 0)
            return;
        const First &entry = m_entries[f];
        const First &next = m_entries[f + 1];
        if (entry.single >= 0)
            found(1, entry.single, entry.singleCost);
        if (at + 1 == text.size())
            return;
        // The lengths of the longer words that start with this character and
        // the next, if any do.
        const char16_t *const wanted = text.utf16() + at + 1;
        const char16_t *const seconds = data::pairSeconds + entry.pairs;
        const char16_t *const end = data::pairSeconds + next.pairs;
        const char16_t *const second = std::lower_bound(seconds, end, *wanted);
        if (second == end || *second != *wanted)
            return;
        const unsigned lengths = data::pairLengths[second - data::pairSeconds];
        for (quint32 bucket = entry.buckets; bucket < next.buckets; ++bucket) {
            const qsizetype size = data::bucketLengths[bucket];
            if (at + size > text.size() || (lengths >> (size - 1)) == 0)
                return;
            if ((lengths >> (size - 1) & 1) == 0)
                continue;
            // The words of one length have their other characters one after
            // another, each as wide as the next: sorted, as a list of equals.
            const qsizetype rest = size - 1;
            const char16_t *const rests = data::wordRests + data::bucketRests[bucket];
            const qsizetype count = data::bucketWords[bucket + 1] - data::bucketWords[bucket];
            qsizetype low = 0;
            qsizetype high = count;
            while (low < high) {
                const qsizetype middle = (low + high) / 2;
                if (std::char_traits<char16_t>::compare(rests + middle * rest, wanted, rest) < 0)
                    low = middle + 1;
                else
                    high = middle;
            }
            if (low < count
                && std::char_traits<char16_t>::compare(rests + low * rest, wanted, rest) == 0) {
                const qsizetype index = data::bucketWords[bucket] + low;
                found(size, index, cost(index));
            }
        }
    }

    qsizetype find(QStringView word) const
    {
        qsizetype index = -1;
        if (!word.isEmpty())
            wordsAt(word, 0, [&](qsizetype size, qsizetype at, int) {
                if (size == word.size())
                    index = at;
            });
        return index;
    }

    static int cost(qsizetype index) { return quint8(data::wordCosts[index]); }

    WordRole role(qsizetype index) const
    {
        return m_roles.value(index, m_tagRoles[quint8(data::wordTags[index])]);
    }

private:
    struct First
    {
        quint32 buckets; // its groups of two characters or more
        quint32 pairs;
        qint32 single; // the word of this character alone, or -1
        int singleCost;
    };
    // Where each character is among the first characters, plus one; 0 for
    // none. A table rather than a search: every character is looked up.
    std::vector<quint16> m_firsts;
    std::vector<First> m_entries;
    std::vector<WordRole> m_tagRoles;
    QHash<qsizetype, WordRole> m_roles;
};

bool isHanzi(QChar c)
{
    const char16_t unit = c.unicode();
    return (unit >= 0x3400 && unit <= 0x9FFF) || (unit >= 0xF900 && unit <= 0xFAFF)
        || unit == 0x3007;
}

} // namespace

QList<Word> readWords(QStringView text)
{
    const Dictionary &dictionary = Dictionary::instance();
    // From the end, as jieba does: the cheapest reading of each tail of the
    // text, and the word it starts with; of two readings that cost the same,
    // the one whose first word is longer.
    const qsizetype size = text.size();
    // Kept from one call to the next: most texts are short, and many.
    thread_local std::vector<int> best;
    thread_local std::vector<qsizetype> lengths;
    thread_local std::vector<qsizetype> indexes;
    best.assign(size + 1, 0);
    lengths.assign(size, 1);
    indexes.assign(size, -1);
    for (qsizetype at = size - 1; at >= 0; --at) {
        if (!isHanzi(text[at])) {
            best[at] = best[at + 1];
            continue;
        }
        best[at] = data::unknownCost + best[at + 1];
        dictionary.wordsAt(text, at, [&](qsizetype length, qsizetype index, int wordCost) {
            const int cost = wordCost + best[at + length];
            if (cost <= best[at]) {
                best[at] = cost;
                lengths[at] = length;
                indexes[at] = index;
            }
        });
    }
    QList<Word> words;
    words.reserve(size);
    for (qsizetype at = 0; at < size; at += lengths[at]) {
        words.append(
            { at, lengths[at], indexes[at] < 0 ? WordRole::Other : dictionary.role(indexes[at]) });
    }
    return words;
}

} // namespace captiloom::conversion

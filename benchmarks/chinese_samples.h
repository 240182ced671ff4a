#pragma once

// Chinese texts written both in GBK and in UTF-8, for measuring how often a
// rule takes one for the other: every GB2312 hanzi alone, every pair of the
// level-1 ones, real text cut into subtitle lines, and random mixes of hanzi
// and ASCII. The encoding tests check the same rule on a few texts each of
// these sets taught them. GBK goes through the program's own code page, GBK
// under a UTF-8 or C locale and 936 on a Chinese Windows, whose Qt may have no
// converter named GBK.

#include "code_page.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QRegularExpression>
#include <QString>

#include <random>

namespace captiloom::samples {

// A text in GBK and in UTF-8.
struct Text
{
    QByteArray gbk;
    QByteArray utf8;
};
using Hanzi = Text;

constexpr qsizetype level1Count = 3755;

// The 6 763 GB2312 hanzi in code order, the level-1 ones first.
inline QList<Hanzi> gb2312Hanzi()
{
    platform::CodePage codePage;
    QList<Hanzi> hanzi;
    QString one;
    for (int lead = 0xB0; lead <= 0xF7; ++lead) {
        for (int trail = 0xA1; trail <= 0xFE; ++trail) {
            const char cell[] = { char(lead), char(trail) };
            codePage.decodeLine(QByteArrayView(cell, 2), one);
            // The empty cells at the end of level 1 decode to no hanzi.
            if (one.size() == 1 && one[0].category() == QChar::Letter_Other)
                hanzi.append({ QByteArray(cell, 2), one.toUtf8() });
        }
    }
    return hanzi;
}

// The lines of fortunes-zh's texts (prose, Tang and Song poems) cut into
// subtitle lines of at most 23 characters, without colour codes, separators,
// empty lines or lines that GBK cannot hold; none when it is not installed.
inline QList<Text> fortuneLines()
{
    const QRegularExpression colour(QStringLiteral("\x1b\\[[0-9;]*m"));
    QList<Text> lines;
    for (const char *name : { "chinese", "song100", "tang300" }) {
        QFile file(QStringLiteral("/usr/share/games/fortunes/") + QLatin1StringView(name));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QString text = QString::fromUtf8(file.readAll()).remove(colour);
        for (QStringView line : QStringView(text).split(u'\n')) {
            line = line.trimmed();
            if (line == u"%")
                continue;
            for (qsizetype at = 0; at < line.size(); at += 23) {
                const QStringView piece = line.mid(at, 23);
                // A code page of its own for each: one reports only its first failure.
                QByteArray bytes;
                if (!platform::CodePage().encode(piece, bytes))
                    lines.append({ std::move(bytes), piece.toUtf8() });
            }
        }
    }
    return lines;
}

// Each calls visit(gbk, utf8) with every text of a set.
template<typename Visit> void forEachSingle(const QList<Hanzi> &hanzi, Visit visit)
{
    for (const Hanzi &one : hanzi)
        visit(one.gbk, one.utf8);
}

template<typename Visit> void forEachLevel1Pair(const QList<Hanzi> &hanzi, Visit visit)
{
    QByteArray gbk;
    QByteArray utf8;
    for (qsizetype first = 0; first < level1Count; ++first) {
        for (qsizetype second = 0; second < level1Count; ++second) {
            gbk.truncate(0);
            gbk.append(hanzi[first].gbk).append(hanzi[second].gbk);
            utf8.truncate(0);
            utf8.append(hanzi[first].utf8).append(hanzi[second].utf8);
            visit(gbk, utf8);
        }
    }
}

// Files of 1, 2, 3, 5 and 10 consecutive lines, from every line on, ended by
// CR LF but the last; files of nothing but ASCII read the same either way.
template<typename Visit> void forEachFortuneFile(const QList<Text> &lines, Visit visit)
{
    for (const qsizetype count : { 1, 2, 3, 5, 10 }) {
        for (qsizetype first = 0; first + count <= lines.size(); ++first) {
            Text file;
            for (qsizetype i = first; i < first + count; ++i) {
                const char *end = i + 1 < first + count ? "\r\n" : "";
                file.gbk += lines[i].gbk + end;
                file.utf8 += lines[i].utf8 + end;
            }
            if (file.gbk != file.utf8)
                visit(file.gbk, file.utf8);
        }
    }
}

// `count` strings of 1 to 8 hanzi from all of GB2312, with up to as many ASCII
// letters, digits and spaces put in at random places.
template<typename Visit> void forEachRandomMix(const QList<Hanzi> &hanzi, qint64 count, Visit visit)
{
    static constexpr char ascii[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ";
    std::mt19937 random(20240611);
    const auto below = [&random](qsizetype bound) {
        return qsizetype(random() % bound);
    };
    QList<qsizetype> picks; // a hanzi's index, or -1 - an ASCII character's
    QByteArray gbk;
    QByteArray utf8;
    for (qint64 n = 0; n < count; ++n) {
        picks.clear();
        const qsizetype hanziCount = 1 + below(8);
        for (qsizetype i = 0; i < hanziCount; ++i)
            picks.append(below(hanzi.size()));
        for (qsizetype i = below(hanziCount + 1); i > 0; --i)
            picks.insert(below(picks.size() + 1), -1 - below(sizeof ascii - 1));
        gbk.truncate(0);
        utf8.truncate(0);
        for (const qsizetype pick : picks) {
            if (pick < 0) {
                gbk.append(ascii[-1 - pick]);
                utf8.append(ascii[-1 - pick]);
            } else {
                gbk.append(hanzi[pick].gbk);
                utf8.append(hanzi[pick].utf8);
            }
        }
        visit(gbk, utf8);
    }
}

} // namespace captiloom::samples

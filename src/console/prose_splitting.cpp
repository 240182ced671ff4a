#include "prose_splitting.h"

#include "batch_conversion.h"
#include "terminal.h"

#include "script_writing.h"

#include <QDir>
#include <QFileInfo>

namespace captiloom::console {

namespace {

using conversion::ScriptOutcome;
using Kind = ScriptOutcome::Kind;

// The character of a script line that the subtitle file's code page lacks.
QString unsavable(const ScriptOutcome &outcome)
{
    return QStringView(QChar::fromUcs4(outcome.unsavable)).toString();
}

// What the user reads about one source, without its name.
QString report(const ScriptOutcome &outcome, const QString &script)
{
    const QString shown = QDir::toNativeSeparators(script);
    switch (outcome.kind) {
    case Kind::Written: {
        QString text = localized(u"已断成 %1 行字幕、%2 处停顿，写入 %3",
                                 u"split into %1 subtitle lines and %2 pauses, written to %3")
                           .arg(outcome.textLines)
                           .arg(outcome.pauses)
                           .arg(shown);
        if (outcome.overlongLine > 0)
            text += localized(u"；但其中第%1行是一个超过23字的词，无法断开，转换前请手工修改",
                              u"; but its line %1 is a single word of more than 23 characters "
                              u"that cannot be broken: edit it by hand before converting")
                        .arg(outcome.overlongLine);
        if (outcome.unsavableLine > 0)
            text += (outcome.overlongLine > 0 ? localized(u"；另外", u"; and its")
                                              : localized(u"；但其中", u"; but its"))
                + localized(u"第%1行的字符“%2”只有 .srt 字幕文件能保存：用 --convert --srt "
                            u"转换可以保留它，转换成 .utf 前请删掉或换掉它",
                            u" line %1 holds \"%2\", which only an .srt subtitle file can hold: "
                            u"--convert --srt keeps it; remove or replace it before converting "
                            u"to .utf")
                      .arg(outcome.unsavableLine)
                      .arg(unsavable(outcome));
        return text;
    }
    case Kind::AlreadyScript:
        return localized(u"每行都不超过23字，可以直接转换，无需断行；没有写出文件",
                         u"every line has at most 23 characters and converts as it is: "
                         u"nothing to split, nothing written");
    case Kind::ScriptExists:
        return localized(u"%1 已存在，保持原样（加 --overwrite 可重新断行并覆盖它）",
                         u"%1 exists and is left as it is (--overwrite splits again and "
                         u"replaces it)")
            .arg(shown);
    case Kind::SourceMissing:
        return localized(u"没找到源文件", u"source file not found");
    case Kind::ReadFailed:
        return localized(u"无法读取文件：%1", u"cannot read the file: %1").arg(outcome.reason);
    case Kind::SourceChanged:
        return localized(u"源文件在断行过程中被改动，没有写出文件，请重试",
                         u"the source changed while it was read: nothing written, try again");
    case Kind::Undecodable:
        return localized(u"第%1行含有无法识别的字节，文件可能既不是 GBK 也不是 UTF-8 编码；"
                         u"没有写出文件。请在编辑器中把它另存为 UTF-8 后再试",
                         u"line %1 holds bytes that form no character: the file may be "
                         u"neither GBK nor UTF-8. Nothing written; save it as UTF-8 in an "
                         u"editor and try again")
            .arg(outcome.line);
    case Kind::ParagraphTooLong:
        return localized(u"第%1行太长（超过 %2 KB），无法自动断行；没有写出文件。"
                         u"请先在其中分出段落后再试",
                         u"line %1 is too long to split (more than %2 KB): nothing written. "
                         u"Break it into paragraphs first")
            .arg(outcome.line)
            .arg(conversion::longestParagraphBytes / 1024);
    case Kind::ScriptTooLong:
        return localized(u"断行后超过 32767 行，一个字幕文件容纳不下；没有写出文件。"
                         u"请把源文件分成几个文件后再试",
                         u"the script would have more than 32767 lines, more than one "
                         u"subtitle file takes: nothing written. Split the source into "
                         u"several files first");
    case Kind::WriteFailed:
        return localized(u"无法写入文件 %1：%2", u"cannot write %1: %2").arg(shown, outcome.reason);
    }
    return {};
}

// What the window says of a script written just now: where it is, that it
// deserves a reading before converting, and what will not convert as it is.
QString writtenText(const ScriptOutcome &outcome, const QString &prose, const QString &script)
{
    // The button's caption, kept whole on one line.
    QString text =
        localized(
            u"已把“%1”断成 %2 行字幕、%3 处停顿，写成断行稿“%4”，放在原文旁边；"
            u"窗口里选好的源文件就是它。\n\n"
            u"转换之前，请先打开断行稿读一遍：每行是否断在自然的停顿处，"
            u"人名、术语等词语有没有被拆开。需要时在编辑器里修改并保存，"
            u"再按“生\u00A0成\u00A0字\u00A0幕”。",
            u"\"%1\" was split into %2 subtitle lines and %3 pauses, written "
            u"beside it as the script \"%4\", which the window has chosen as "
            u"the source.\n\nRead the script before converting: each line "
            u"should break at a natural pause, with no name or term cut in two. "
            u"Change it in an editor if need be, save it, then press 生\u00A0成\u00A0字\u00A0幕.")
            .arg(prose)
            .arg(outcome.textLines)
            .arg(outcome.pauses)
            .arg(script);
    if (outcome.overlongLine > 0)
        text += localized(u"\n\n注意：断行稿第%1行是一个超过23字的词，无法自动断开；"
                          u"不把它改短就不能转换。",
                          u"\n\nNote: line %1 of the script is a single word of more than 23 "
                          u"characters that cannot be broken; it will not convert until you "
                          u"shorten it.")
                    .arg(outcome.overlongLine);
    if (outcome.unsavableLine > 0)
        text += localized(u"\n\n注意：断行稿第%1行的字符“%2”只有 .srt 字幕文件能保存：输出文件选择"
                          u"“SRT 字幕 UTF-8”类型就能保留它；要转换成 .utf，请先删掉或换掉它。",
                          u"\n\nNote: line %1 of the script holds \"%2\", which only an .srt "
                          u"subtitle file can hold: choose the SRT type for the output to keep "
                          u"it, or remove or replace it before converting to .utf.")
                    .arg(outcome.unsavableLine)
                    .arg(unsavable(outcome));
    return text;
}

// A character that only an SRT file can hold does not keep the script from
// converting; a word too long for a line does.
bool succeeded(const ScriptOutcome &outcome)
{
    return (outcome.kind == Kind::Written && outcome.overlongLine == 0)
        || outcome.kind == Kind::AlreadyScript;
}

void say(const QString &name, const QString &text)
{
    QString line = name + u": " + text;
    line.replace(u'\n', u' ').remove(u'\r');
    writeLine(Stream::Error, line);
}

} // namespace

int splitFiles(const QStringList &sources, bool overwrite)
{
    return runBatch(BatchWork::Split, sources, conversion::ScriptPath, [&](const BatchJob &job) {
        const ScriptOutcome outcome = conversion::WriteScript(job.source, job.output, overwrite);
        say(job.name, report(outcome, job.output));
        return outcome.kind == Kind::AlreadyScript ? JobOutcome::Unneeded
            : succeeded(outcome)                   ? JobOutcome::Done
            : outcome.kind == Kind::ScriptExists   ? JobOutcome::Kept
                                                   : JobOutcome::Failed;
    });
}

SplitForWindow splitForWindow(const QString &source, bool overwrite)
{
    SplitForWindow result;
    const QString path = QDir::toNativeSeparators(QFileInfo(source).absoluteFilePath());
    const QString script = conversion::ScriptPath(path);
    result.chosen = path;
    if (const QFileInfo info(path); info.exists() && !info.isFile()) {
        result.message = localized(u"这不是普通文件", u"this is not a regular file");
        say(source, result.message);
        result.status = 1;
        return result;
    }
    const ScriptOutcome outcome = conversion::WriteScript(path, script, overwrite);
    const QString text = report(outcome, script);
    say(source, text);
    result.status = succeeded(outcome) ? 0 : 1;
    // The script kept is the one to review; it may hold the user's corrections.
    if (outcome.kind == Kind::Written || outcome.kind == Kind::ScriptExists)
        result.chosen = script;
    result.written = outcome.kind == Kind::Written;
    if (result.written)
        result.message =
            writtenText(outcome, QFileInfo(path).fileName(), QFileInfo(script).fileName());
    else if (outcome.kind == Kind::ScriptExists)
        result.message =
            localized(u"已有断行稿“%1”，没有重新断行，窗口里选好的就是它。"
                      u"要按原文重新断行，请先删除这份断行稿或给它改名。",
                      u"The script \"%1\" exists already and was not split again; it is "
                      u"the one chosen in the window. To split the text anew, delete or "
                      u"rename that script first.")
                .arg(QFileInfo(script).fileName());
    else
        result.message = localized(u"%1：%2", u"%1: %2").arg(QFileInfo(path).fileName(), text);
    return result;
}

} // namespace captiloom::console

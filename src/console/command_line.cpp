#include "command_line.h"

#include "batch_conversion.h"
#include "prose_splitting.h"
#include "terminal.h"
#include "timed_conversion.h"

#include <QCommandLineParser>

#include <algorithm>
#include <cstring>

namespace captiloom::console {

using namespace Qt::StringLiterals;

namespace {

enum class Key { Help, Version, Convert, Split, Open, Overwrite, Srt, Audio, Display, Platform };

// Every option, one row each. A `windowless` option alone asks for something
// that needs no window, and is looked for before any application exists so
// that it starts no window system. An option with a `value` and no help text
// is one of Qt's window options: QApplication takes it out of the arguments,
// and without a window it is accepted and has no effect.
struct OptionRow
{
    Key key;
    const char *names[3];
    const char16_t *chinese;
    const char16_t *english;
    bool windowless = false;
    const char16_t *value = nullptr;
    const char16_t *englishValue = nullptr; // the value's name in English, where it differs
};

constexpr OptionRow optionTable[] = {
    { Key::Help, { "h", "?", "help" }, u"显示本帮助。", u"Shows this help.", true },
    { Key::Version, { "v", "version" }, u"显示版本号。", u"Shows the version.", true },
    { Key::Convert,
      { "convert" },
      u"不打开窗口，依次把每个“名称.txt”转换成“名称(字幕).utf”。",
      u"Converts each name.txt, in order, to name(字幕).utf without a window.",
      true },
    // Without --open, --split needs no window either: see windowNeed().
    { Key::Split,
      { "split" },
      u"不打开窗口，把每个“名称.txt”断成字幕短行，写成“名称(断行).txt”。",
      u"Breaks the prose of each name.txt into subtitle lines, written to "
      u"name(断行).txt to be reviewed, then converted." },
    { Key::Open,
      { "open" },
      u"与 --split 同用：断行后打开窗口，选好断行稿作为源文件。",
      u"With --split: then opens the window with the script chosen as the source." },
    { Key::Overwrite,
      { "overwrite" },
      u"与 --convert 或 --split 同用：替换已有的字幕文件或断行稿（默认保留）。",
      u"With --convert or --split: replaces subtitle files or scripts that exist "
      u"(kept otherwise)." },
    { Key::Srt,
      { "srt" },
      u"与 --convert 同用：改为生成 UTF-8 编码的“名称(字幕).srt”，"
      u"供 ffmpeg、Kdenlive、Shotcut 等软件导入。",
      u"With --convert: writes name(字幕).srt in UTF-8 instead, for ffmpeg, "
      u"Kdenlive, Shotcut and other editors." },
    { Key::Audio,
      { "audio" },
      u"与 --convert 同用：按录音里说话的时间给唯一的一个字幕稿对时。",
      u"With --convert: times the one script to where it is spoken in this recording.",
      true,
      u"录音",
      u"recording" },
    { Key::Display, { "display" }, nullptr, nullptr, false, u"display" },
    { Key::Platform, { "platform" }, nullptr, nullptr, false, u"platform" },
};

// Windows users ask for help so.
constexpr char windowsHelp[] = "/?";

struct Parser
{
    Parser()
    {
        // The file arguments are told of here and in the usage line: Qt's
        // own list of arguments would misalign a Chinese name.
        parser.setApplicationDescription(
            localized(u"把逐行书写的解说文字转换成带时间的字幕文件。\n"
                      u"给出一个文件时，窗口打开后即已选好它作为源文件。",
                      u"Turns a text of narration lines into a timed subtitle file.\n"
                      u"Given a file, the window opens with it chosen as the source."));
        // -version and -help, as Qt's own options are written, are words,
        // not runs of one-letter options.
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        for (const OptionRow &row : optionTable) {
            QStringList names;
            for (const char *name : row.names) {
                if (name)
                    names << QString::fromLatin1(name);
            }
            QCommandLineOption option(names);
            if (row.chinese)
                option.setDescription(localized(row.chinese, row.english));
            else
                option.setFlags(QCommandLineOption::HiddenFromHelp);
            if (row.value)
                option.setValueName(
                    localized(row.value, row.englishValue ? row.englishValue : row.value));
            options.append(option);
        }
        parser.addOptions(options);
    }

    bool isSet(Key key) const
    {
        for (qsizetype row = 0; row < options.size(); ++row) {
            if (optionTable[row].key == key)
                return parser.isSet(options[row]);
        }
        return false;
    }

    QString value(Key key) const
    {
        for (qsizetype row = 0; row < options.size(); ++row) {
            if (optionTable[row].key == key)
                return parser.value(options[row]);
        }
        return {};
    }

    QCommandLineParser parser;
    QList<QCommandLineOption> options; // in the order of optionTable
};

// Each unknown option as the user wrote it, with one dash or two.
QString unknownOptions(const QStringList &names, const QStringList &arguments)
{
    QStringList shown;
    for (const QString &name : names) {
        const QString single = u'-' + name;
        const bool oneDash =
            std::any_of(arguments.cbegin(), arguments.cend(), [&](const QString &a) {
                return a == single || a.startsWith(single + u'=');
            });
        shown << (oneDash ? single : u"--"_s + name);
    }
    return localized(u"未知选项：%1", u"unknown option: %1").arg(shown.join(u", "));
}

QString usageLine()
{
    return localized(u"用法：captiloom [选项] [文件]\n"
                     u"　　　captiloom --convert [--overwrite] [--srt] 文件…\n"
                     u"　　　captiloom --convert --audio 录音 [--overwrite] [--srt] 文件\n"
                     u"　　　captiloom --split [--open] [--overwrite] 文件…",
                     u"Usage: captiloom [options] [file]\n"
                     u"       captiloom --convert [--overwrite] [--srt] file...\n"
                     u"       captiloom --convert --audio recording [--overwrite] [--srt] file\n"
                     u"       captiloom --split [--open] [--overwrite] file...");
}

// Qt's help with the usage line above in place of its own, which would name
// the program by the path it was started with.
QString helpText(const Parser &parser)
{
    QStringList lines = parser.parser.helpText().section(u'\n', 1).trimmed().split(u'\n');
    // Qt pads the options' column by characters, and a Chinese value name
    // is two columns wide for each.
    for (QString &line : lines) {
        const qsizetype gap = line.indexOf(u"  ", 2);
        if (!line.startsWith(u"  -") || gap < 0)
            continue;
        const auto wide = std::count_if(line.cbegin(), line.cbegin() + gap,
                                        [](QChar c) { return c.unicode() >= 0x2E80; });
        if (line.mid(gap, wide + 2).trimmed().isEmpty())
            line.remove(gap, wide);
    }
    return usageLine() + u'\n' + lines.join(u'\n');
}

} // namespace

WindowNeed windowNeed(int argc, char **argv)
{
    bool split = false;
    bool open = false;
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], windowsHelp) == 0)
            return WindowNeed::NoWindow;
        const char *name = argv[i];
        if (*name++ != '-')
            continue;
        if (*name == '-')
            ++name;
        // Given a value, as in --convert=x, it is a mistake to be told of, and
        // telling it needs no window either.
        const std::size_t length = std::strcspn(name, "=");
        for (const OptionRow &row : optionTable) {
            for (const char *option : row.names) {
                if (!option || std::strncmp(name, option, length) != 0 || option[length] != '\0')
                    continue;
                if (row.windowless)
                    return WindowNeed::NoWindow;
                split = split || row.key == Key::Split;
                open = open || row.key == Key::Open;
            }
        }
    }
    // Splitting needs a window only to show its result in.
    if (split)
        return open ? WindowNeed::SplitFirst : WindowNeed::NoWindow;
    return WindowNeed::Window;
}

CommandLine parseCommandLine(const QStringList &givenArguments)
{
    using Action = CommandLine::Action;
    QStringList arguments = givenArguments;
    for (QString &argument : arguments) {
        if (argument == u"--")
            break;
        if (argument == QLatin1StringView(windowsHelp))
            argument = u"--help"_s;
    }
    CommandLine line;
    Parser parser;
    if (!parser.parser.parse(arguments)) {
        line.action = Action::UsageError;
        const QStringList unknown = parser.parser.unknownOptionNames();
        line.error =
            unknown.isEmpty() ? parser.parser.errorText() : unknownOptions(unknown, arguments);
        return line;
    }
    line.files = parser.parser.positionalArguments();
    line.overwrite = parser.isSet(Key::Overwrite);
    line.srt = parser.isSet(Key::Srt);
    line.audio = parser.value(Key::Audio);
    if (parser.isSet(Key::Help)) {
        line.action = Action::Help;
    } else if (parser.isSet(Key::Version)) {
        line.action = Action::Version;
    } else if (parser.isSet(Key::Split)) {
        line.action = parser.isSet(Key::Open) ? Action::SplitAndOpen : Action::Split;
        if (parser.isSet(Key::Convert) || line.srt || parser.isSet(Key::Audio)) {
            line.action = Action::UsageError;
            line.error = localized(u"%1 不能与 --split 同时使用：先断行，检查后再转换",
                                   u"%1 does not go with --split: split, review, then convert")
                             .arg(line.srt                       ? u"--srt"_s
                                      : parser.isSet(Key::Audio) ? u"--audio"_s
                                                                 : u"--convert"_s);
        } else if (line.files.isEmpty() && line.action == Action::Split) {
            line.action = Action::UsageError;
            line.error = localized(u"--split 需要至少一个文件", u"--split needs at least one file");
        } else if (line.action == Action::SplitAndOpen && line.files.size() > 1) {
            line.action = Action::UsageError;
            line.error = localized(u"窗口一次只能打开一个文件；要给多个文件断行，请去掉 --open",
                                   u"the window takes one file at a time; to split several, "
                                   u"leave out --open");
        }
    } else if (parser.isSet(Key::Open)) {
        line.action = Action::UsageError;
        line.error = localized(u"--open 只能与 --split 一起使用", u"--open goes only with --split");
    } else if (parser.isSet(Key::Convert)) {
        line.action = Action::Convert;
        if (line.files.isEmpty()) {
            line.action = Action::UsageError;
            line.error =
                localized(u"--convert 需要至少一个文件", u"--convert needs at least one file");
        } else if (parser.isSet(Key::Audio) && line.files.size() > 1) {
            line.action = Action::UsageError;
            line.error = localized(u"一个录音只能给一个字幕稿对时，这里给了 %1 个",
                                   u"one recording times one script, not %1")
                             .arg(line.files.size());
        }
    } else if (parser.isSet(Key::Audio)) {
        line.action = Action::UsageError;
        line.error = localized(u"%1 只能与 --convert 一起使用", u"%1 goes only with --convert")
                         .arg(u"--audio"_s);
    } else if (line.srt) {
        line.action = Action::UsageError;
        line.error = localized(u"%1 只能与 --convert 一起使用", u"%1 goes only with --convert")
                         .arg(u"--srt"_s);
    } else if (line.overwrite) {
        line.action = Action::UsageError;
        line.error = localized(u"--overwrite 只能与 --convert 或 --split 一起使用",
                               u"--overwrite goes only with --convert or --split");
    } else if (line.files.size() > 1) {
        line.action = Action::UsageError;
        line.error = localized(u"窗口一次只能打开一个文件；要转换多个文件，请用 --convert",
                               u"the window takes one file at a time; to convert several, "
                               u"use --convert");
    }
    return line;
}

int runWithoutWindow(const CommandLine &commandLine)
{
    using Action = CommandLine::Action;
    switch (commandLine.action) {
    case Action::Help:
        writeLine(Stream::Output, helpText(Parser()));
        return 0;
    case Action::Version:
        writeLine(Stream::Output, u"captiloom " CAPTILOOM_VERSION ""_s);
        return 0;
    case Action::Convert:
        if (!commandLine.audio.isEmpty())
            return convertToRecording(commandLine.files.first(), commandLine.audio,
                                      commandLine.overwrite,
                                      commandLine.srt ? conversion::DocumentFormat::Srt
                                                      : conversion::DocumentFormat::Utf);
        return convertFiles(commandLine.files, commandLine.overwrite,
                            commandLine.srt ? conversion::DocumentFormat::Srt
                                            : conversion::DocumentFormat::Utf);
    case Action::Split:
        return splitFiles(commandLine.files, commandLine.overwrite);
    case Action::UsageError:
    case Action::Window:
    case Action::SplitAndOpen:
        break;
    }
    writeLine(Stream::Error, u"captiloom: "_s + commandLine.error);
    writeLine(Stream::Error, usageLine());
    writeLine(Stream::Error,
              localized(u"“captiloom --help”列出全部选项。",
                        u"\"captiloom --help\" lists every option."));
    return usageErrorStatus;
}

} // namespace captiloom::console

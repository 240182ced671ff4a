#include "command_line.h"

#include "batch_conversion.h"
#include "prose_splitting.h"
#include "terminal.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTranslator>

#include <cstring>

namespace captiloom::console {

using namespace Qt::StringLiterals;

namespace {

// The few words of Qt's command-line parser that its help shows, in Chinese
// whether or not Qt's own translations are installed.
class ParserTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        static constexpr std::pair<const char *, QStringView> texts[] = {
            { "Options:", u"选项：" },
        };
        if (std::strcmp(context, "QCommandLineParser") != 0)
            return {};
        for (const auto &[english, chinese] : texts) {
            if (std::strcmp(sourceText, english) == 0)
                return chinese.toString();
        }
        return {};
    }
    bool isEmpty() const override { return false; }
};

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
        parser.addOptions({ help, version, convert, split, open, overwrite });
    }

    QCommandLineParser parser;
    const QCommandLineOption help { { u"h"_s, u"?"_s, u"help"_s },
                                    localized(u"显示本帮助。", u"Shows this help.") };
    const QCommandLineOption version { { u"v"_s, u"version"_s },
                                       localized(u"显示版本号。", u"Shows the version.") };
    const QCommandLineOption convert {
        u"convert"_s,
        localized(u"不打开窗口，依次把每个“名称.txt”转换成“名称(字幕).utf”。",
                  u"Converts each name.txt, in order, to name(字幕).utf without a window.")
    };
    const QCommandLineOption split {
        u"split"_s,
        localized(u"不打开窗口，把每个“名称.txt”里成段的文字自动断成字幕短行，"
                  u"写成“名称(断行).txt”，检查后再转换。",
                  u"Breaks the prose of each name.txt into subtitle lines, written to "
                  u"name(断行).txt to be reviewed, then converted.")
    };
    const QCommandLineOption open {
        u"open"_s,
        localized(u"与 --split 同用：断行后打开窗口，并选好断行稿作为源文件。",
                  u"With --split: then opens the window with the script chosen as the source.")
    };
    const QCommandLineOption overwrite {
        u"overwrite"_s,
        localized(u"与 --convert 或 --split 同用：替换已有的字幕文件或断行稿（默认保留）。",
                  u"With --convert or --split: replaces subtitle files or scripts that exist "
                  u"(kept otherwise).")
    };
};

QString unknownOptions(const QStringList &names)
{
    QStringList shown;
    for (const QString &name : names)
        shown << (name.size() == 1 ? u"-"_s : u"--"_s) + name;
    return localized(u"未知选项：%1", u"unknown option: %1").arg(shown.join(u", "));
}

QString usageLine()
{
    return localized(u"用法：captiloom [选项] [文件…]\n"
                     u"　　　captiloom --convert [--overwrite] 文件…\n"
                     u"　　　captiloom --split [--overwrite] 文件…\n"
                     u"　　　captiloom --split --open [--overwrite] 文件",
                     u"Usage: captiloom [options] [file]\n"
                     u"       captiloom --convert [--overwrite] file...\n"
                     u"       captiloom --split [--overwrite] file...\n"
                     u"       captiloom --split --open [--overwrite] file");
}

// Qt's help with the usage line above in place of its own, which would name
// the program by the path it was started with.
QString helpText(const Parser &parser)
{
    return usageLine() + u'\n' + parser.parser.helpText().section(u'\n', 1).trimmed();
}

void installParserTranslation()
{
    static bool installed = false;
    if (installed || !userReadsChinese())
        return;
    installed = true;
    auto *translator = new ParserTranslator;
    translator->setParent(QCoreApplication::instance());
    QCoreApplication::installTranslator(translator);
}

} // namespace

bool needsNoWindow(int argc, char **argv)
{
    static constexpr const char *options[] = {
        "--convert", "--help", "-h", "-?", "--version", "-v"
    };
    bool split = false;
    bool open = false;
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        for (const char *option : options) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
        split = split || std::strcmp(argv[i], "--split") == 0;
        open = open || std::strcmp(argv[i], "--open") == 0;
    }
    // Splitting needs a window only to show its result in.
    return split && !open;
}

CommandLine parseCommandLine(const QStringList &arguments)
{
    using Action = CommandLine::Action;
    CommandLine line;
    Parser parser;
    if (!parser.parser.parse(arguments)) {
        line.action = Action::UsageError;
        const QStringList unknown = parser.parser.unknownOptionNames();
        line.error = unknown.isEmpty() ? parser.parser.errorText() : unknownOptions(unknown);
        return line;
    }
    line.files = parser.parser.positionalArguments();
    line.overwrite = parser.parser.isSet(parser.overwrite);
    if (parser.parser.isSet(parser.help)) {
        line.action = Action::Help;
    } else if (parser.parser.isSet(parser.version)) {
        line.action = Action::Version;
    } else if (parser.parser.isSet(parser.split)) {
        line.action = parser.parser.isSet(parser.open) ? Action::SplitAndOpen : Action::Split;
        if (parser.parser.isSet(parser.convert)) {
            line.action = Action::UsageError;
            line.error = localized(u"--split 与 --convert 不能同时使用：先断行，检查后再转换",
                                   u"--split and --convert do not go together: split, review, "
                                   u"then convert");
        } else if (line.files.isEmpty() && line.action == Action::SplitAndOpen) {
            // A launcher's action gives no file: the window opens as it would.
            line.action = Action::Window;
        } else if (line.files.isEmpty()) {
            line.action = Action::UsageError;
            line.error = localized(u"--split 需要至少一个文件", u"--split needs at least one file");
        } else if (line.action == Action::SplitAndOpen && line.files.size() > 1) {
            line.action = Action::UsageError;
            line.error = localized(u"窗口一次只能打开一个文件；要给多个文件断行，请去掉 --open",
                                   u"the window takes one file at a time; to split several, "
                                   u"leave out --open");
        }
    } else if (parser.parser.isSet(parser.open)) {
        line.action = Action::UsageError;
        line.error = localized(u"--open 只能与 --split 一起使用", u"--open goes only with --split");
    } else if (parser.parser.isSet(parser.convert)) {
        line.action = Action::Convert;
        if (line.files.isEmpty()) {
            line.action = Action::UsageError;
            line.error =
                localized(u"--convert 需要至少一个文件", u"--convert needs at least one file");
        }
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
    installParserTranslation();
    const Parser parser;
    switch (commandLine.action) {
    case Action::Help:
        writeLine(Stream::Output, helpText(parser));
        return 0;
    case Action::Version:
        writeLine(Stream::Output, u"captiloom " CAPTILOOM_VERSION_MARK ""_s);
        return 0;
    case Action::Convert:
        return convertFiles(commandLine.files, commandLine.overwrite);
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

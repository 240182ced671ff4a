#include "run_translator.h"

#include "terminal.h"

#include "qt_translations.h"
#include "run_texts.h"
#include "voice_texts.h"

#include <QCoreApplication>

#include <cstring>

namespace captiloom::console {

namespace {

namespace texts = conversion::texts;

struct Words
{
    const char *window;
    QStringView chinese;
    QStringView english;
};

// %1 and %2 mean what they mean in the window's text; see run_texts.h.
constexpr Words table[] = {
    { texts::noSource, u"没有选择源文件", u"no source file chosen" },
    { texts::noOutput, u"没有选择输出文件", u"no output file chosen" },
    { texts::sourceMissing, u"没找到源文件", u"source file not found" },
    { texts::overwrite, u"目标文件已存在，要覆盖吗？！", u"the output file exists; replace it?" },
    { texts::sameFile, u"输出文件与源文件相同（文件名不以小写的 .txt 结尾），不转换",
      u"the output would be the source itself (its name does not end in lower-case .txt); "
      u"not converted" },
    { texts::finished, u"转换成功，已写入 %1", u"converted, written to %1" },
    { texts::tooLong, u"第%1行太长。一般每行不超过20字。请修改后再试！",
      u"line %1 is too long: keep lines to 20 characters (23 at most), then try again" },
    { texts::unsavable, u"第%1行含有无法保存的字符“%2”。请修改后再试！",
      u"line %1 holds the character \"%2\", which the output cannot store; change it, then "
      u"try again" },
    { texts::undecodable, u"第%1行含有无法识别的字节，不能写入SRT文件。请修改后再试！",
      u"line %1 holds bytes that form no character, which an SRT file cannot take; change "
      u"it, then try again" },
    { texts::cannotOpen, u"无法打开文件：%2", u"cannot open the file: %2" },
    { texts::cannotRead, u"无法读取文件：%2", u"cannot read the file: %2" },
    { texts::cannotWrite, u"无法写入文件 %1：%2", u"cannot write %1: %2" },
    { texts::changed, u"文件在转换过程中被改动，没有生成字幕文件，请重新转换。",
      u"the file changed while it was converted; nothing was written, convert it again" },
    { texts::tooManyLines, u"超过 32767 行，无法转换。",
      u"more than 32767 lines, cannot be converted" },
};

// The aligner's texts say the same in the window and here: only English
// needs words of its own. %1 is the recording.
constexpr Words voiceTable[] = {
    { voice::texts::missing, {}, u"recording %1 not found" },
    { voice::texts::unreadable, {}, u"cannot read recording %1: %2" },
    { voice::texts::notAudio, {}, u"%1 is not a recording: it holds no sound that can be played" },
    { voice::texts::noDecoder,
      {},
      u"cannot decode recording %1: this system has no decoder for its format, or the file is "
      u"damaged; save it as WAV or MP3 and try again" },
    { voice::texts::stopped, {}, u"timing to the recording was stopped; nothing was written" },
    { voice::texts::noSpeech, {}, u"no speech can be heard in recording %1" },
    { voice::texts::fewStretches,
      {},
      u"only %2 stretch(es) of speech heard in recording %1, for a script of %3 lines: they do "
      u"not match" },
    { voice::texts::tooShort,
      {},
      u"recording %1 holds %2 seconds of speech, but the %3 lines of the script take at least "
      u"%4 seconds to read: they do not match" },
    { voice::texts::tooLong,
      {},
      u"recording %1 holds %2 seconds of speech, but the %3 lines of the script take at most "
      u"%4 seconds to read: they do not match" },
};

} // namespace

QString RunTranslator::translate(const char *context, const char *sourceText, const char *,
                                 int) const
{
    if (std::strcmp(context, voice::texts::context) == 0) {
        for (const Words &words : voiceTable) {
            if (std::strcmp(sourceText, words.window) == 0)
                return localized(QString::fromUtf8(words.window), words.english);
        }
        return {};
    }
    if (std::strcmp(context, texts::context) != 0)
        return {};
    for (const Words &words : table) {
        if (std::strcmp(sourceText, words.window) == 0)
            return localized(words.chinese, words.english);
    }
    return {};
}

void installConsoleTranslations()
{
    QCoreApplication *application = QCoreApplication::instance();
    platform::installQtTranslations(*application);
    auto *translator = new RunTranslator;
    translator->setParent(application);
    QCoreApplication::installTranslator(translator);
}

} // namespace captiloom::console

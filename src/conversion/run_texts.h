#pragma once

#include <QString>

// What a conversion run says, as the window shows it. The run looks every
// text up in the context below before it shows it: the window installs no
// translation for that context, so the texts reach it unchanged, while the
// command line puts them in its own words (and in English). A text may then
// drop the path that the window's text names, or add the path of the output,
// which a finished run's text does not name in the window.
namespace captiloom::conversion::texts {

inline constexpr char context[] = "captiloom::conversion";

// The leading spaces centre a text in its box.
inline constexpr char noSource[] = "          请选择源文件";
inline constexpr char noOutput[] = "         请选择输出文件";
inline constexpr char sourceMissing[] = "          没找到源文件";
inline constexpr char overwrite[] = "目标文件已存在，要覆盖吗？！";
inline constexpr char overwriteTitle[] = "覆盖确认";
inline constexpr char sameFile[] = "输出文件与源文件相同，请另选输出文件";
inline constexpr char finished[] = "      恭喜，恭喜！ 转换成功！"; // %1: the output, if named
// %1: the line number; %2: the character.
inline constexpr char tooLong[] = "第%1行太长。一般每行不超过20字。请修改后再试！";
inline constexpr char unsavable[] = "第%1行含有无法保存的字符“%2”。请修改后再试！";
inline constexpr char undecodable[] = "第%1行含有无法识别的字节，不能写入SRT文件。请修改后再试！";
// %1: the file, if named; %2: the system's reason.
inline constexpr char cannotOpen[] = "无法打开文件 %1：%2";
inline constexpr char cannotRead[] = "无法读取文件 %1：%2";
inline constexpr char cannotWrite[] = "无法写入文件 %1：%2";
inline constexpr char changed[] = "源文件 %1 在转换过程中被改动，没有生成字幕文件，请重新转换。";
inline constexpr char tooManyLines[] = "源文件 %1 超过 32767 行，无法转换。";

} // namespace captiloom::conversion::texts

#pragma once

// What the aligner says, in the window's words. Every text is looked up in
// the context below before it is shown, so that the command line can put it
// in English for a user who does not read Chinese; %1 names the recording.
namespace captiloom::voice::texts {

inline constexpr char context[] = "captiloom::voice";

inline constexpr char missing[] = "没找到录音文件 %1";
// %2: the system's reason.
inline constexpr char unreadable[] = "无法读取录音文件 %1：%2";
inline constexpr char notAudio[] = "%1 不是录音文件：里面没有能播放的声音。";
inline constexpr char noDecoder[] =
    "无法解码录音文件 %1：本机没有这种格式的解码器，或者文件已损坏。可以先把它转存为 WAV 或 MP3 "
    "再试。";
inline constexpr char stopped[] = "已停止按录音对时，没有生成字幕文件。";
inline constexpr char noSpeech[] = "录音文件 %1 里听不到说话声。";
// %2: the stretches heard; %3: the script's lines.
inline constexpr char fewStretches[] =
    "录音文件 %1 里只听到 %2 段说话，字幕稿却有 %3 行：录音和字幕稿对不上。";
// %2: seconds of speech heard; %3: the script's lines; %4: seconds.
inline constexpr char tooShort[] =
    "录音文件 %1 里的说话声只有 %2 秒，字幕稿的 %3 行读得再快也要 %4 秒：录音和字幕稿对不上。";
inline constexpr char tooLong[] =
    "录音文件 %1 里的说话声长达 %2 秒，字幕稿的 %3 行读得再慢也用不了 %4 秒：录音和字幕稿对不上。";

} // namespace captiloom::voice::texts

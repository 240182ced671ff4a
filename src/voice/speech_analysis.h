#pragma once

#include <QList>

#include <array>
#include <vector>

namespace captiloom::voice {

// Recordings are heard at this rate, in mono, whatever they were made in:
// all of speech that tells one syllable from the next lies below 8 kHz.
inline constexpr int analysisRate = 16000;
// One step of the analysis, the unit of every time below.
inline constexpr int frameMs = 10;
inline constexpr int frameSamples = analysisRate / 1000 * frameMs;

// The power of a frame in bands a little narrower than a critical band,
// from 100 Hz to 6 kHz.
inline constexpr int bandCount = 20;
using Bands = std::array<float, bandCount>;

// Turns samples, as they are decoded, into band powers: one frame every
// 10 ms, each over 25 ms of sound.
class FrameAnalyser
{
public:
    FrameAnalyser();
    void add(const float *samples, qsizetype count);
    const QList<Bands> &frames() const { return m_frames; }

private:
    void analyse();

    std::vector<float> m_window; // the Hann window
    std::array<int, bandCount + 1> m_bandEdges {}; // first bin of each band, and the end
    std::vector<float> m_pending; // samples not yet in a full frame
    std::vector<float> m_frame; // windowed, zero-padded to the FFT's length
    std::vector<float> m_power;
    QList<Bands> m_frames;
};

// A nucleus of a syllable: where the speech's loudness peaks.
struct Syllable
{
    qsizetype frame = 0;
    float level = 0;
};

// What lies between two syllables: the quietest frame, and the pause around
// it, if the sound drops to the background there.
struct Gap
{
    qsizetype valley = 0;
    qsizetype pauseFrames = 0; // frames of background around the valley
    qsizetype speechEnd = 0; // the frame after the last one of the syllable before
    qsizetype speechStart = 0; // the first frame of the syllable after
};

// What the aligner hears in a recording.
struct SpeechMap
{
    // Per frame, how far the sound stands above the background, in dB: as
    // heard, in which syllables are found, and without the room's echo, in
    // which pauses are heard and a sound's start is looked for.
    QList<float> level;
    QList<float> direct;
    // From this level on a frame is speech; below `edge`, background.
    float threshold = 0;
    float edge = 0;
    QList<Syllable> syllables;
    // gaps[j] lies between syllables[j] and syllables[j + 1].
    QList<Gap> gaps;
    qsizetype speechFrames = 0;
    // Runs of speech between pauses of at least `stretchPauseMs`.
    qsizetype stretches = 0;
    // Where the first syllable's sound begins and the last one's ends.
    qsizetype firstSpeech = 0;
    qsizetype lastSpeech = 0;
};

// A pause this long or longer parts two spoken stretches.
inline constexpr int stretchPauseMs = 150;

SpeechMap mapSpeech(const QList<Bands> &frames);

// Where the sound that reaches the threshold at `frame` rose out of the
// background, its echo left out, looking back no further than `limit`: a
// consonant before a vowel is quieter than the vowel.
qsizetype onsetFrom(const SpeechMap &map, qsizetype frame, qsizetype limit);
// Where the sound that falls below the threshold at `frame` has faded into
// the background, looking no further than `limit`: a room's echo included.
qsizetype fadeFrom(const SpeechMap &map, qsizetype frame, qsizetype limit);
inline constexpr qsizetype onsetFrames = 5;
inline constexpr qsizetype fadeFrames = 50;

// The first millisecond of a frame's sound, as the aligner places a time.
constexpr qint64 frameTimeMs(qsizetype frame)
{
    return static_cast<qint64>(frame) * frameMs;
}

} // namespace captiloom::voice

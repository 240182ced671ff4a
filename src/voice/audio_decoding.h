#pragma once

#include "recording_alignment.h"

#include <QString>

#include <functional>

namespace captiloom::voice {

// What became of decoding a recording.
enum class DecodeOutcome {
    Decoded,
    Missing, // no file there
    Unreadable, // `reason` says why
    NotAudio, // nothing in it that a decoder knows
    NoDecoder, // audio of a kind no decoder on this system takes, or damaged
    Stopped, // the caller's progress asked to stop
};

struct Decoding
{
    DecodeOutcome outcome = DecodeOutcome::Decoded;
    QString reason; // the system's, for an unreadable file
};

// Receives the samples in order: mono, at analysisRate, from -1 to 1.
using SampleSink = std::function<void(const float *samples, qsizetype count)>;

// Decodes the recording with Qt Multimedia, running an event loop until it
// is done.
Decoding decodeRecording(const QString &path, const SampleSink &sink, const Progress &progress);

// Whether a file's first bytes are those of a kind of file that holds sound.
bool looksLikeAudio(QByteArrayView head);

} // namespace captiloom::voice

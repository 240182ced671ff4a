#include "audio_decoding.h"

#include "speech_analysis.h"

#include <QAudioBuffer>
#include <QAudioDecoder>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTimer>

#include <vector>

#ifdef Q_OS_LINUX
#include <sched.h>
#endif

#ifdef CAPTILOOM_QUIET_FFMPEG
extern "C" {
#include <libavutil/log.h>
}
#endif

namespace captiloom::voice {

using namespace Qt::StringLiterals;

namespace {

// A decoder that has handed out no sound for this many looks, a second
// apart, has given up: Qt 6.4's backends report no error for a file they
// cannot read, they simply never finish. A file of a kind that holds sound
// may take a moment to start; one of no such kind gets less time. The looks
// are counted, not the time: on a machine so busy that this program is not
// run for seconds, the sound handed out meanwhile is seen first.
constexpr int lookMs = 1000;
constexpr int stalledLooks = 8;
constexpr int unknownKindLooks = 3;

// Qt Multimedia's plugins: "ffmpeg" for libffmpegmediaplugin.so and the like.
QStringList mediaBackends()
{
    QStringList backends;
    for (const QString &folder : QCoreApplication::libraryPaths()) {
        const QStringList files = QDir(folder + u"/multimedia"_s).entryList(QDir::Files);
        for (QString name : files) {
            if (name.startsWith(u"lib"))
                name.remove(0, 3);
            const qsizetype end = name.indexOf(u"mediaplugin");
            if (end > 0 && !backends.contains(name.left(end)))
                backends.append(name.left(end));
        }
    }
    return backends;
}

// Picks the backend before Qt Multimedia first looks for one. Where Qt's
// FFmpeg backend is there it decodes every common kind with no more
// packages, while GStreamer's needs plugins a system may lack and then
// neither finishes nor fails; a user's own choice stands. Without any
// backend Qt Multimedia ends the program, so that is found out first.
bool chooseBackend()
{
    static const bool chosen = [] {
        const QStringList backends = mediaBackends();
        const QString wanted = qEnvironmentVariable("QT_MEDIA_BACKEND");
        if (!wanted.isEmpty())
            return backends.contains(wanted);
        if (backends.contains(u"ffmpeg"_s))
            qputenv("QT_MEDIA_BACKEND", "ffmpeg");
        return !backends.isEmpty();
    }();
    return chosen;
}

// The FFmpeg backend speaks to standard error on its own: Qt 6.4's plugin
// lists its codecs, and FFmpeg warns of things it copes with (an mp3's
// padding). None of that is the user's business.
void quietDecoders()
{
    static const bool done = [] {
#ifdef CAPTILOOM_QUIET_FFMPEG
        av_log_set_level(AV_LOG_QUIET);
#endif
        if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
            QLoggingCategory::setFilterRules(u"default.debug=false"_s);
        return true;
    }();
    Q_UNUSED(done);
}

// Qt's FFmpeg backend decodes in threads of its own, which hand every buffer
// (26 ms of an mp3) on to one another and to this one: each handing-over
// between two processors wakes the other one, and a ten-minute mp3 took more
// processor time in that than in the decoding itself. Its threads are made
// by the thread that starts it and run on that one's processors, so while
// they live, that thread keeps to the processor it is on; it gets its own
// back afterwards.
class OneProcessor
{
public:
#ifdef Q_OS_LINUX
    OneProcessor()
    {
        const int current = sched_getcpu();
        if (current < 0 || sched_getaffinity(0, sizeof m_own, &m_own) != 0)
            return;
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(current, &one);
        m_kept = sched_setaffinity(0, sizeof one, &one) == 0;
    }
    ~OneProcessor()
    {
        if (m_kept)
            sched_setaffinity(0, sizeof m_own, &m_own);
    }

private:
    cpu_set_t m_own {};
    bool m_kept = false;
#endif
};

// The sound of a buffer in any format, as mono samples at analysisRate. The
// backends hand out the format asked for as a rule; one that does not is
// heard all the same rather than misread. Linear interpolation is enough
// for the band levels the analysis takes.
class MonoResampler
{
public:
    void convert(const QAudioBuffer &buffer, std::vector<float> &out)
    {
        const QAudioFormat format = buffer.format();
        const int channels = format.channelCount();
        const auto *data = buffer.constData<char>();
        const double step = static_cast<double>(format.sampleRate()) / analysisRate;
        for (qsizetype i = 0; i < buffer.frameCount(); ++i) {
            float sum = 0;
            for (int c = 0; c < channels; ++c)
                sum += format.normalizedSampleValue(data + i * format.bytesPerFrame()
                                                    + c * format.bytesPerSample());
            const float value = sum / static_cast<float>(channels);
            // The samples wanted between the last one and this one.
            for (; m_position <= static_cast<double>(m_index); m_position += step) {
                const auto after =
                    static_cast<float>(m_position - static_cast<double>(m_index - 1));
                out.push_back(m_previous + (value - m_previous) * after);
            }
            m_previous = value;
            ++m_index;
        }
    }

private:
    double m_position = 0; // of the next sample wanted, in the decoder's samples
    qint64 m_index = 0; // of the next sample the decoder hands out
    float m_previous = 0;
};

} // namespace

bool looksLikeAudio(QByteArrayView head)
{
    const auto at = [&](qsizetype offset, QByteArrayView magic) {
        return head.size() >= offset + magic.size() && head.sliced(offset, magic.size()) == magic;
    };
    const auto byte = [&](qsizetype offset) {
        return offset < head.size() ? static_cast<unsigned char>(head[offset]) : 0U;
    };
    return at(0, "RIFF") || at(0, "RF64") || at(0, "ID3") || at(0, "fLaC") || at(0, "OggS")
        || at(4, "ftyp") || at(0, "FORM") || at(0, "caff") || at(0, "#!AMR") || at(0, ".snd")
        || at(0, "wvpk") || at(0, "MAC ") || at(0, "FLV") || at(0, "\x1a\x45\xdf\xa3")
        || at(0, "\x30\x26\xb2\x75")
        || at(0, "\x0b\x77")
        // An MPEG audio frame or an ADTS one: eleven, or twelve, bits set.
        || (byte(0) == 0xFF && (byte(1) & 0xE0) == 0xE0);
}

Decoding decodeRecording(const QString &path, const SampleSink &sink, const Progress &progress)
{
    Decoding result;
    const QFileInfo info(path);
    if (!info.exists()) {
        result.outcome = DecodeOutcome::Missing;
        return result;
    }
    // A folder, a FIFO or a device holds no recording, and opening a FIFO
    // would wait for a writer that never comes.
    if (!info.isFile()) {
        result.outcome = DecodeOutcome::NotAudio;
        return result;
    }
    QFile file(info.absoluteFilePath());
    if (!file.open(QIODevice::ReadOnly)) {
        result.outcome = DecodeOutcome::Unreadable;
        result.reason = file.errorString();
        return result;
    }
    const QByteArray head = file.read(64);
    const bool audioKind = looksLikeAudio(head);
    const DecodeOutcome unreadable = audioKind ? DecodeOutcome::NoDecoder : DecodeOutcome::NotAudio;
    if (head.isEmpty()) {
        result.outcome = DecodeOutcome::NotAudio;
        return result;
    }
    if (!chooseBackend()) {
        result.outcome = DecodeOutcome::NoDecoder;
        return result;
    }
    quietDecoders();

    [[maybe_unused]] const OneProcessor oneProcessor; // nothing to keep off Linux
    QAudioDecoder decoder;
    if (!decoder.isSupported()) {
        result.outcome = DecodeOutcome::NoDecoder;
        return result;
    }
    QAudioFormat format;
    format.setSampleRate(analysisRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Float);
    decoder.setAudioFormat(format);
    // Read through the file already open, not by its address: Qt 6.4's
    // FFmpeg backend never finishes a file whose path is not ASCII (片头.wav),
    // and Wine's Media Foundation does not find the file a file:/// address
    // names.
    file.seek(0);
    decoder.setSourceDevice(&file);

    QEventLoop loop;
    QTimer watchdog;
    qint64 frames = 0;
    qint64 framesSeen = 0;
    int idleLooks = 0;
    bool ended = false;
    const auto end = [&](DecodeOutcome outcome) {
        if (ended)
            return;
        ended = true;
        result.outcome = outcome;
        watchdog.stop();
        loop.quit();
    };
    MonoResampler resampler;
    std::vector<float> converted;
    QObject::connect(&decoder, &QAudioDecoder::bufferReady, &loop, [&] {
        const QAudioBuffer buffer = decoder.read();
        if (ended || !buffer.isValid() || !buffer.format().isValid())
            return;
        const QAudioFormat got = buffer.format();
        if (got.sampleFormat() == QAudioFormat::Float && got.channelCount() == 1
            && got.sampleRate() == analysisRate) {
            sink(buffer.constData<float>(), buffer.frameCount());
            frames += buffer.frameCount();
        } else {
            converted.clear();
            resampler.convert(buffer, converted);
            sink(converted.data(), static_cast<qsizetype>(converted.size()));
            frames += static_cast<qint64>(converted.size());
        }
        if (progress && !progress(frames * 1000 / analysisRate)) {
            decoder.stop();
            end(DecodeOutcome::Stopped);
        }
    });
    QObject::connect(&decoder, &QAudioDecoder::finished, &loop,
                     [&] { end(frames > 0 ? DecodeOutcome::Decoded : unreadable); });
    QObject::connect(&decoder, qOverload<QAudioDecoder::Error>(&QAudioDecoder::error), &loop,
                     [&] { end(unreadable); });
    QObject::connect(&watchdog, &QTimer::timeout, &loop, [&] {
        QCoreApplication::sendPostedEvents();
        if (ended)
            return;
        idleLooks = frames == framesSeen ? idleLooks + 1 : 0;
        framesSeen = frames;
        if (idleLooks < (frames > 0 || audioKind ? stalledLooks : unknownKindLooks))
            return;
        decoder.stop();
        end(unreadable);
    });
    watchdog.start(lookMs);
    decoder.start();
    if (!ended)
        loop.exec();
    decoder.stop();
    return result;
}

} // namespace captiloom::voice

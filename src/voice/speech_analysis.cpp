#include "speech_analysis.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace captiloom::voice {

namespace {

constexpr int windowSamples = analysisRate / 1000 * 25;
constexpr int fftSize = 512;
constexpr float lowestHz = 100;
constexpr float highestHz = 6000;

// The background under each band is the quietest it gets within this many
// frames either side: long enough to reach past a stretch of speech into a
// pause, short enough to follow music that changes.
constexpr qsizetype floorReach = 500;
constexpr qsizetype steadyReach = 3;
// The quietest moments of a band lie this far below its average background.
constexpr float floorBias = 2.0F;
// Power below which a band counts as digital silence: about -90 dB.
constexpr float silentPower = 1e-9F;

// A room's echo dies away at the same pace after every sound, and nothing
// heard in the room falls faster than it: the time that a band's quickest
// falls (the quickest tenth of them) take from 10 to 25 dB below a peak is
// how fast the room lets sound die away. The echo heard now is then the
// sound of `echoLag` frames before, faded by as much.
constexpr float echoFallFrom = 10;
constexpr float echoFallTo = 25;
constexpr double echoQuickest = 0.1;
constexpr qsizetype echoLongestFall = 200;
constexpr qsizetype echoLag = 5;
// An echo is never taken to be more than this share of what is heard.
constexpr float echoMostShare = 0.999F;

// Speech stands at least this many dB above the background.
constexpr float leastThreshold = 8;
// A sound fades into the background within this many dB below `threshold`.
constexpr float edgeDepth = 10;
constexpr float leastEdge = 3;

// Two loudness peaks are two syllables when the sound between them drops by
// this many dB and they lie this far apart.
constexpr float syllableDip = 3;
constexpr qsizetype syllableFrames = 8;
// A run of speech shorter than this is a click or a breath, not a stretch.
constexpr qsizetype leastStretchFrames = 5;

float melOf(float hz)
{
    return 2595 * std::log10(1 + hz / 700);
}

float hzOfMel(float mel)
{
    return 700 * (std::pow(10.0F, mel / 2595) - 1);
}

// The power spectrum of fftSize real samples, by a complex FFT of half as
// many points whose result is unfolded: all the analysis needs, and small
// enough not to bring a library into both platforms' builds for it.
class RealFft
{
public:
    static constexpr int half = fftSize / 2;

    RealFft()
    {
        for (int n = 0, reversed = 0; n < half; ++n) {
            m_reverse[n] = reversed;
            int bit = half >> 1;
            for (; reversed & bit; bit >>= 1)
                reversed ^= bit;
            reversed |= bit;
        }
        // The twiddles of each stage from the third on, one stage after the
        // other, so that a stage reads them in order.
        for (int length = 8, at = 0; length <= half; at += length / 2, length <<= 1) {
            for (int k = 0; k < length / 2; ++k) {
                const double angle = 2 * std::numbers::pi * k / length;
                m_cos[at + k] = static_cast<float>(std::cos(angle));
                m_sin[at + k] = static_cast<float>(-std::sin(angle));
            }
        }
        for (int k = 0; k <= half; ++k) {
            const double angle = 2 * std::numbers::pi * k / fftSize;
            m_unfoldCos[k] = static_cast<float>(std::cos(angle));
            m_unfoldSin[k] = static_cast<float>(-std::sin(angle));
        }
    }

    // power: the first `bins` of the half + 1 values from 0 Hz to half the
    // rate.
    void power(const float *samples, float *power, int bins) const
    {
        Points re;
        Points im;
        for (int n = 0; n < half; ++n) {
            re[m_reverse[n]] = samples[2 * n];
            im[m_reverse[n]] = samples[2 * n + 1];
        }
        // The first two stages multiply by 1 and -i alone.
        for (int a = 0; a < half; a += 4) {
            const float sumRe = re[a] + re[a + 1];
            const float sumIm = im[a] + im[a + 1];
            const float differenceRe = re[a] - re[a + 1];
            const float differenceIm = im[a] - im[a + 1];
            const float nextSumRe = re[a + 2] + re[a + 3];
            const float nextSumIm = im[a + 2] + im[a + 3];
            const float nextDifferenceRe = re[a + 2] - re[a + 3];
            const float nextDifferenceIm = im[a + 2] - im[a + 3];
            re[a] = sumRe + nextSumRe;
            im[a] = sumIm + nextSumIm;
            re[a + 2] = sumRe - nextSumRe;
            im[a + 2] = sumIm - nextSumIm;
            re[a + 1] = differenceRe + nextDifferenceIm;
            im[a + 1] = differenceIm - nextDifferenceRe;
            re[a + 3] = differenceRe - nextDifferenceIm;
            im[a + 3] = differenceIm + nextDifferenceRe;
        }
        stages<8, 0>(re, im);
        for (int k = 0; k < bins; ++k) {
            const int i = k % half;
            const int j = (half - k) % half;
            // The spectra of the even and the odd samples, then the whole.
            const float evenRe = (re[i] + re[j]) / 2;
            const float evenIm = (im[i] - im[j]) / 2;
            const float oddRe = (im[i] + im[j]) / 2;
            const float oddIm = (re[j] - re[i]) / 2;
            const float xr = evenRe + oddRe * m_unfoldCos[k] - oddIm * m_unfoldSin[k];
            const float xi = evenIm + oddRe * m_unfoldSin[k] + oddIm * m_unfoldCos[k];
            power[k] = xr * xr + xi * xi;
        }
    }

private:
    using Points = std::array<float, half>;

    // The stages of butterflies `length` points long and longer, the first
    // one's twiddles from `at`.
    template<int length, int at> void stages(Points &re, Points &im) const
    {
        constexpr int step = length / 2;
        for (int start = 0; start < half; start += length) {
            for (int k = 0; k < step; ++k) {
                const int a = start + k;
                const int b = a + step;
                const float tr = re[b] * m_cos[at + k] - im[b] * m_sin[at + k];
                const float ti = re[b] * m_sin[at + k] + im[b] * m_cos[at + k];
                re[b] = re[a] - tr;
                im[b] = im[a] - ti;
                re[a] += tr;
                im[a] += ti;
            }
        }
        if constexpr (length < half)
            stages<2 * length, at + step>(re, im);
    }

    std::array<int, half> m_reverse {};
    std::array<float, half> m_cos {};
    std::array<float, half> m_sin {};
    std::array<float, half + 1> m_unfoldCos {};
    std::array<float, half + 1> m_unfoldSin {};
};

// Each value averaged with its two neighbours.
QList<float> smoothed(const QList<float> &values)
{
    const qsizetype n = values.size();
    QList<float> result(n);
    for (qsizetype t = 0; t < n; ++t)
        result[t] =
            (values[std::max<qsizetype>(t - 1, 0)] + values[t] + values[std::min(t + 1, n - 1)])
            / 3;
    return result;
}

// The smallest value within `reach` either side of each one.
QList<float> runningMinimum(const QList<float> &values, qsizetype reach)
{
    const qsizetype n = values.size();
    QList<float> result(n);
    QList<qsizetype> queue; // indices of increasing values
    queue.reserve(2 * reach + 2);
    qsizetype head = 0;
    qsizetype next = 0;
    for (qsizetype i = 0; i < n; ++i) {
        for (; next < n && next <= i + reach; ++next) {
            while (queue.size() > head && values[queue.last()] >= values[next])
                queue.removeLast();
            queue.append(next);
        }
        while (queue[head] < i - reach)
            ++head;
        result[i] = values[queue[head]];
        if (head > 4 * reach) {
            queue.remove(0, head);
            head = 0;
        }
    }
    return result;
}

// The level that parts the frames best into two kinds, background and
// speech, by Otsu's rule: the one between whose two sides the variance is
// greatest, in steps of a decibel.
float partingLevel(const QList<float> &levels)
{
    constexpr int steps = 120;
    std::array<double, steps + 1> count {};
    for (const float level : levels)
        count[std::clamp(static_cast<int>(level), 0, steps)] += 1;
    const auto total = static_cast<double>(levels.size());
    double sum = 0;
    for (int i = 0; i <= steps; ++i)
        sum += i * count[i];
    double below = 0;
    double sumBelow = 0;
    double best = -1;
    int parting = 0;
    for (int i = 0; i < steps; ++i) {
        below += count[i];
        sumBelow += i * count[i];
        if (below == 0 || below == total)
            continue;
        const double meanBelow = sumBelow / below;
        const double meanAbove = (sum - sumBelow) / (total - below);
        const double between =
            below * (total - below) * (meanAbove - meanBelow) * (meanAbove - meanBelow);
        if (between > best) {
            best = between;
            parting = i + 1;
        }
    }
    return static_cast<float>(parting);
}

QList<Syllable> findSyllables(const QList<float> &envelope, float threshold)
{
    QList<Syllable> peaks;
    const qsizetype n = envelope.size();
    const auto valleyBetween = [&](qsizetype from, qsizetype to) {
        return *std::min_element(envelope.begin() + from, envelope.begin() + to + 1);
    };
    for (qsizetype t = 1; t + 1 < n; ++t) {
        const float here = envelope[t];
        if (here < threshold || here <= envelope[t - 1] || here < envelope[t + 1])
            continue;
        Syllable peak { t, here };
        // A peak that does not stand out from the last one is the same
        // syllable: the louder of the two stays.
        while (!peaks.isEmpty()) {
            const Syllable last = peaks.last();
            const float dip = std::min(last.level, peak.level) - valleyBetween(last.frame, t);
            if (dip >= syllableDip && peak.frame - last.frame >= syllableFrames)
                break;
            peaks.removeLast();
            if (last.level >= peak.level)
                peak = last;
        }
        peaks.append(peak);
    }
    return peaks;
}

// How much of a band's power is the room's echo, as a share of its power
// `echoLag` frames before: about none in a dry recording, whose sound falls
// by 15 dB within a frame or two.
float echoShare(const QList<float> &power)
{
    const float fallFrom = std::pow(10.0F, -echoFallFrom / 10);
    const float fallTo = std::pow(10.0F, -echoFallTo / 10);
    const qsizetype n = power.size();
    const auto at = [&](qsizetype t) {
        return std::max(power[t], silentPower);
    };
    QList<qsizetype> falls;
    for (qsizetype t = 1; t + 1 < n; ++t) {
        if (at(t) <= at(t - 1) || at(t) < at(t + 1))
            continue;
        qsizetype fallen = -1;
        for (qsizetype u = t + 1; u < std::min(n, t + echoLongestFall); ++u) {
            if (at(u) > at(t))
                break;
            if (fallen < 0 && at(u) <= at(t) * fallFrom)
                fallen = u;
            if (at(u) <= at(t) * fallTo) {
                falls.append(u - fallen);
                break;
            }
        }
    }
    if (falls.isEmpty())
        return 0;
    const auto quickest = falls.begin() + static_cast<qsizetype>(echoQuickest * (falls.size() - 1));
    std::nth_element(falls.begin(), quickest, falls.end());
    const float dbPerFrame =
        (echoFallTo - echoFallFrom) / static_cast<float>(std::max<qsizetype>(*quickest, 1));
    return std::pow(10.0F, -dbPerFrame * echoLag / 10);
}

} // namespace

FrameAnalyser::FrameAnalyser()
{
    m_window.resize(windowSamples);
    float sum = 0;
    for (int i = 0; i < windowSamples; ++i) {
        m_window[i] = 0.5F - 0.5F * std::cos(2 * std::numbers::pi_v<float> * i / windowSamples);
        sum += m_window[i];
    }
    // A full-scale sine then has a power of about a quarter in its bin.
    for (float &w : m_window)
        w /= sum;
    const float lowest = melOf(lowestHz);
    const float highest = melOf(highestHz);
    for (int band = 0; band <= bandCount; ++band) {
        const float hz = hzOfMel(lowest + (highest - lowest) * band / bandCount);
        m_bandEdges[band] = static_cast<int>(std::lround(hz * fftSize / analysisRate));
    }
    m_frame.resize(fftSize);
    m_power.resize(fftSize / 2 + 1);
    m_pending.reserve(windowSamples + 4096);
}

void FrameAnalyser::add(const float *samples, qsizetype count)
{
    m_pending.insert(m_pending.end(), samples, samples + count);
    std::size_t used = 0;
    while (m_pending.size() - used >= windowSamples) {
        for (int i = 0; i < windowSamples; ++i)
            m_frame[i] = m_pending[used + i] * m_window[i];
        std::fill(m_frame.begin() + windowSamples, m_frame.end(), 0.0F);
        analyse();
        used += frameSamples;
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(used));
}

void FrameAnalyser::analyse()
{
    static const RealFft fft;
    fft.power(m_frame.data(), m_power.data(), m_bandEdges.back());
    Bands bands;
    for (int band = 0; band < bandCount; ++band) {
        float power = 0;
        for (int bin = m_bandEdges[band];
             bin < std::max(m_bandEdges[band + 1], m_bandEdges[band] + 1); ++bin)
            power += m_power[bin];
        bands[band] = power;
    }
    m_frames.append(bands);
}

qsizetype onsetFrom(const SpeechMap &map, qsizetype frame, qsizetype limit)
{
    for (qsizetype back = 0;
         back < onsetFrames && frame > limit && map.direct[frame - 1] >= map.edge; ++back)
        --frame;
    return frame;
}

qsizetype fadeFrom(const SpeechMap &map, qsizetype frame, qsizetype limit)
{
    for (qsizetype on = 0; on < fadeFrames && frame < limit && map.level[frame] >= map.edge; ++on)
        ++frame;
    return frame;
}

SpeechMap mapSpeech(const QList<Bands> &frames)
{
    SpeechMap map;
    const qsizetype n = frames.size();
    if (n < 3)
        return map;

    // How far each frame's bands stand above their own background: half the
    // summed bands' excess over the background summed, which follows the
    // vowels, and half the mean of each band's own excess in dB, in which
    // the dips that an echo fills at low frequencies still show.
    struct Loudness
    {
        QList<float> excess;
        QList<float> logMean;
        void add(qsizetype t, float power, float noise)
        {
            const float above = std::max(power - noise, 0.0F);
            excess[t] += above;
            logMean[t] += 10 * std::log10(1 + above / noise) / bandCount;
        }
        QList<float> level(const QList<float> &background) const
        {
            QList<float> level(excess.size());
            for (qsizetype t = 0; t < level.size(); ++t)
                level[t] =
                    0.5F * (10 * std::log10(1 + excess[t] / background[t])) + 0.5F * logMean[t];
            return level;
        }
    };
    Loudness heard { QList<float>(n, 0.0F), QList<float>(n, 0.0F) };
    Loudness direct = heard;
    QList<float> background(n, 0.0F);
    QList<float> raw(n);
    QList<float> dry(n);
    QList<float> steady(n);
    for (int b = 0; b < bandCount; ++b) {
        for (qsizetype t = 0; t < n; ++t)
            raw[t] = frames[t][b];
        const QList<float> band = smoothed(raw);
        // The sound as it would be without the room's echo: the background
        // is looked for in it, and pauses are heard in it. Where a narrator
        // runs lines together for seconds in a reverberant room, the
        // quietest moment nearby is the echo of the last line, which would
        // be taken for the background, and the echo fills short pauses.
        const float share = echoShare(band);
        for (qsizetype t = 0; t < n; ++t) {
            const float echo = t >= echoLag ? share * band[t - echoLag] : 0;
            dry[t] = std::max(raw[t] - echo, raw[t] * (1 - echoMostShare));
        }
        const QList<float> dryBand = smoothed(dry);
        // The background is looked for in a longer average, which a short
        // dip in a music bed does not pull down.
        float sum = 0;
        for (qsizetype t = 0; t < n + steadyReach; ++t) {
            if (t < n)
                sum += dry[t];
            if (t - 2 * steadyReach - 1 >= 0)
                sum -= dry[t - 2 * steadyReach - 1];
            if (t - steadyReach >= 0) {
                const qsizetype from = std::max<qsizetype>(t - 2 * steadyReach, 0);
                const qsizetype to = std::min(t, n - 1);
                steady[t - steadyReach] = sum / static_cast<float>(to - from + 1);
            }
        }
        const QList<float> floor = runningMinimum(steady, floorReach);
        for (qsizetype t = 0; t < n; ++t) {
            const float noise = std::max(floor[t] * floorBias, silentPower);
            background[t] += noise;
            heard.add(t, band[t], noise);
            direct.add(t, dryBand[t], noise);
        }
    }
    map.level = heard.level(background);
    map.direct = direct.level(background);

    map.threshold = std::max(leastThreshold, partingLevel(map.level));
    map.edge = std::max(leastEdge, map.threshold - edgeDepth);

    QList<float> envelope(n);
    for (qsizetype t = 0; t < n; ++t) {
        float sum = 0;
        float weights = 0;
        for (qsizetype d = -2; d <= 2; ++d) {
            if (t + d < 0 || t + d >= n)
                continue;
            const float weight = static_cast<float>(3 - std::abs(d));
            sum += weight * map.level[t + d];
            weights += weight;
        }
        envelope[t] = sum / weights;
    }
    map.syllables = findSyllables(envelope, map.threshold);

    const auto isSpeech = [&](qsizetype t) {
        return map.direct[t] >= map.threshold;
    };
    for (qsizetype j = 0; j + 1 < map.syllables.size(); ++j) {
        const qsizetype from = map.syllables[j].frame;
        const qsizetype to = map.syllables[j + 1].frame;
        Gap gap;
        gap.valley =
            std::min_element(envelope.begin() + from, envelope.begin() + to + 1) - envelope.begin();
        gap.speechEnd = gap.valley;
        gap.speechStart = gap.valley;
        if (!isSpeech(gap.valley)) {
            while (gap.speechEnd > from && !isSpeech(gap.speechEnd - 1))
                --gap.speechEnd;
            while (gap.speechStart < to && !isSpeech(gap.speechStart))
                ++gap.speechStart;
            gap.pauseFrames = gap.speechStart - gap.speechEnd;
        }
        map.gaps.append(gap);
    }

    qsizetype pause = 0;
    qsizetype run = 0;
    bool inStretch = false;
    for (qsizetype t = 0; t < n; ++t) {
        if (isSpeech(t)) {
            ++map.speechFrames;
            ++run;
            pause = 0;
            if (run >= leastStretchFrames && !inStretch) {
                inStretch = true;
                ++map.stretches;
            }
        } else {
            run = 0;
            if (++pause * frameMs >= stretchPauseMs)
                inStretch = false;
        }
    }

    if (!map.syllables.isEmpty()) {
        qsizetype first = map.syllables.first().frame;
        while (first > 0 && isSpeech(first - 1))
            --first;
        map.firstSpeech = onsetFrom(map, first, 0);
        qsizetype last = map.syllables.last().frame;
        while (last + 1 < n && isSpeech(last + 1))
            ++last;
        map.lastSpeech = fadeFrom(map, last + 1, n);
    }
    return map;
}

} // namespace captiloom::voice

#pragma once

#include "core/chapters.h"
#include "core/media.h"

#include <QCoroTask>
#include <QList>
#include <QProcess>

#include <functional>
#include <optional>
#include <vector>

// Even loudness and shorter silences: the input is read once through to measure it, and what was
// measured decides the one filter the conversion then runs it through. The sound is decoded twice in
// all, never more.

namespace tovel {

// A stretch of the input, in seconds from its start.
struct Span
{
    double start = 0;
    double end = 0;
    bool operator==(const Span &) const = default;
};

// What reading the whole input found.
struct SoundReading
{
    std::optional<double> length;   // seconds of audio read to its end
    std::optional<double> loudness; // integrated (EBU R128), LUFS; none when not asked or all silence
    std::optional<double> truePeak; // dBTP; none when not asked or all silence
    QList<Span> silences;           // silences long enough to shorten, when asked
    bool operator==(const SoundReading &) const = default;
};

// How quiet counts as silence, and how long a silence must last to be shortened.
inline constexpr double silenceThreshold = -50.0; // dBFS
inline constexpr double longSilence = 1.0;
// What is left of a shortened silence, half after the sound before it and half before the sound after.
inline constexpr double shortenedSilence = 0.5;

// The largest true peak of a sound, read as it streams by: four points between each two samples, by
// a 48-tap windowed-sinc interpolator in four phases, as broadcast meters measure it. Points that
// cannot beat the largest so far are not worked out.
class TruePeakMeter
{
public:
    explicit TruePeakMeter(int channels);
    // Takes interleaved samples (a frame holds one of each channel; a partial frame is kept for later).
    void add(const float *samples, qsizetype count);
    // In dBTP; none while nothing louder than silence came.
    [[nodiscard]] std::optional<double> peak() const;

    static constexpr int taps = 12;

private:
    int m_channels;
    qsizetype m_next = 0;         // the channel of the next sample
    std::vector<float> m_history; // per channel, the last `taps` samples twice over, for a straight window
    std::vector<int> m_at;        // per channel, where the newest sample goes
    std::vector<int> m_loud;      // per channel, how many more samples a loud one stays in the window
    float m_peak = 0;
};

// Reads a WAV header as ffmpeg streams it: the channel count and where the samples begin; none until
// the whole header has arrived, or for what is not a 32-bit float WAV.
struct StreamedWav
{
    int channels = 0;
    qsizetype dataOffset = 0;
};
[[nodiscard]] std::optional<StreamedWav> streamedWavHeader(const QByteArray &start);

// The integrated loudness, the true peak and the silences ffmpeg's ebur128 and silencedetect filters
// report on standard error, added to `reading`.
void readSoundReport(const QByteArray &report, SoundReading &reading);

// The gain, in dB, that brings `reading` to `target` LUFS while its true peak stays at or below
// `ceiling`; 0 for an input with no loudness to speak of.
[[nodiscard]] double loudnessGain(const SoundReading &reading, double target, double ceiling);

// The ceiling a format's encoder is given: a lossy one may overshoot what it was fed by a little.
[[nodiscard]] double peakCeilingFor(AudioFormat format);

// The parts of the silences in `reading` that are cut out: each keeps half of `shortenedSilence` at
// either end, so no sound is touched.
[[nodiscard]] QList<Span> cutsFor(const QList<Span> &silences);

// The seconds `cuts` take out.
[[nodiscard]] double cutLength(const QList<Span> &cuts);

// Where each chapter starts once `cuts` are taken out: earlier by what was cut before it; one that
// started inside a cut starts where the cut was.
[[nodiscard]] Chapters chaptersAfterCuts(const Chapters &chapters, const QList<Span> &cuts);

// The audio filter for ffmpeg that does what `sound` asks, given what was read: the cuts, then the
// gain. Empty when there is nothing to do.
[[nodiscard]] QString soundFilter(const SoundOptions &sound, const SoundReading &reading, AudioFormat format);

// Reads `input` through to its end, measuring what `sound` needs (its loudness and true peak, its long
// silences); nothing when ffmpeg could not read it. `progress` gets the fraction read so far, against
// `length` when known.
QCoro::Task<std::optional<SoundReading>> readSound(QString ffmpeg, QString input, SoundOptions sound,
                                                   std::optional<double> length,
                                                   std::function<void(QProcess *)> onStart,
                                                   std::function<void(double)> progress = {});

} // namespace tovel

#include "pipeline/sound.h"

#include "pipeline/conversion.h"
#include "pipeline/ffmpeg_progress.h"
#include "platform/child_process.h"

#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>

namespace tovel {

namespace {

// A value ffmpeg prints as "-inf" is no value.
std::optional<double> decibels(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

constexpr qsizetype maxCuts = 2000;

// ebur128 calls an input quieter than this all silence.
constexpr double silentLoudness = -70.0;

} // namespace

namespace {

// The interpolator's four phases: for the points a quarter, a half and three quarters of the way (and
// an eighth either side of them) between the two samples in the window's middle, a Kaiser-windowed sinc
// over the twelve nearest samples, each phase summing to one.
// Stored tap by tap: for each of the twelve samples, its weight in each of the four points.
using Phases = std::array<std::array<float, 4>, TruePeakMeter::taps>;
Phases interpolator()
{
    const auto bessel0 = [](double x) {
        double sum = 1, term = 1;
        for (int k = 1; k < 30; ++k) {
            term *= (x / (2 * k)) * (x / (2 * k));
            sum += term;
        }
        return sum;
    };
    constexpr double beta = 7.0, half = TruePeakMeter::taps / 2.0;
    Phases phases{};
    for (int phase = 0; phase < 4; ++phase) {
        const double offset = (phase + 0.5) / 4;
        double total = 0;
        for (int j = 0; j < TruePeakMeter::taps; ++j) {
            // Sample j of the window (0 the oldest) lies this far from the point worked out.
            const double t = j - (half - 1) - offset;
            const double sinc = t == 0 ? 1 : std::sin(M_PI * t) / (M_PI * t);
            const double ratio = t / half;
            const double window
                = std::abs(ratio) >= 1 ? 0 : bessel0(beta * std::sqrt(1 - ratio * ratio)) / bessel0(beta);
            phases[size_t(j)][size_t(phase)] = float(sinc * window);
            total += sinc * window;
        }
        for (auto &tap : phases)
            tap[size_t(phase)] = float(tap[size_t(phase)] / total);
    }
    return phases;
}

const Phases &phases()
{
    static const Phases computed = interpolator();
    return computed;
}

// The most a point can exceed the loudest sample in its window.
float overshoot()
{
    static const float most = [] {
        std::array<float, 4> sums{};
        for (const auto &tap : phases())
            for (size_t k = 0; k < 4; ++k)
                sums[k] += std::abs(tap[k]);
        return *std::max_element(sums.begin(), sums.end());
    }();
    return most;
}

} // namespace

TruePeakMeter::TruePeakMeter(int channels)
    : m_channels(std::max(1, channels)), m_history(size_t(m_channels) * taps * 2, 0.0f), m_at(size_t(m_channels), 0),
      m_loud(size_t(m_channels), 0)
{}

void TruePeakMeter::add(const float *samples, qsizetype count)
{
    const Phases &filter = phases();
    const float bound = overshoot();
    for (qsizetype i = 0; i < count; ++i) {
        const int channel = int(m_next);
        m_next = (m_next + 1) % m_channels;
        const float sample = samples[i];
        const float level = std::abs(sample);
        if (!(level <= 1e6f)) // not a number, or nothing a decoder gives
            continue;
        m_peak = std::max(m_peak, level);
        float *history = m_history.data() + size_t(channel) * taps * 2;
        int &at = m_at[size_t(channel)];
        history[at] = history[at + taps] = sample;
        at = (at + 1) % taps;
        int &loud = m_loud[size_t(channel)];
        if (level * bound > m_peak)
            loud = taps;
        if (loud == 0)
            continue;
        --loud;
        // The four points at once, tap by tap: a shape the compiler turns into vector arithmetic.
        const float *window = history + at; // oldest first
        std::array<float, 4> points{};
        for (int j = 0; j < taps; ++j)
            for (size_t k = 0; k < 4; ++k)
                points[k] += filter[size_t(j)][k] * window[j];
        for (float point : points)
            m_peak = std::max(m_peak, std::abs(point));
    }
}

std::optional<double> TruePeakMeter::peak() const
{
    if (m_peak <= 1e-7f)
        return std::nullopt;
    return 20 * std::log10(double(m_peak));
}

std::optional<StreamedWav> streamedWavHeader(const QByteArray &start)
{
    if (start.size() < 12)
        return std::nullopt;
    if (!start.startsWith("RIFF") || start.mid(8, 4) != "WAVE")
        return StreamedWav{};
    const auto word = [&start](qsizetype at, int bytes) {
        quint32 value = 0;
        for (int k = bytes - 1; k >= 0; --k)
            value = value << 8 | quint8(start[at + k]);
        return value;
    };
    StreamedWav wav;
    for (qsizetype at = 12; at + 8 <= start.size();) {
        const QByteArray id = start.mid(at, 4);
        const quint32 size = word(at + 4, 4);
        if (id == "fmt ") {
            if (at + 8 + 16 > start.size())
                return std::nullopt;
            const quint32 tag = word(at + 8, 2), bits = word(at + 8 + 14, 2);
            // Plain IEEE float (3), or the extensible form (0xFFFE) ffmpeg writes past two channels.
            if ((tag != 3 && tag != 0xFFFE) || bits != 32)
                return StreamedWav{};
            wav.channels = int(word(at + 8 + 2, 2));
        } else if (id == "data") {
            wav.dataOffset = at + 8;
            return wav.channels > 0 ? std::optional<StreamedWav>(wav) : StreamedWav{};
        }
        at += 8 + qsizetype(size) + (size & 1);
    }
    return std::nullopt;
}

void readSoundReport(const QByteArray &report, SoundReading &reading)
{
    static const QRegularExpression integrated(QStringLiteral("^\\s+I:\\s+(\\S+) LUFS"),
                                               QRegularExpression::MultilineOption);
    static const QRegularExpression peak(QStringLiteral("^\\s+Peak:\\s+(\\S+) dBFS"),
                                         QRegularExpression::MultilineOption);
    static const QRegularExpression silence(QStringLiteral("silence_(start|end): (-?[0-9.]+)"));
    const QString text = QString::fromUtf8(report);
    // The summary comes last, after the lines ebur128 may print as it goes.
    const qsizetype summary = text.lastIndexOf(QLatin1String("Summary:"));
    if (summary >= 0) {
        if (const auto match = integrated.match(text, summary); match.hasMatch())
            if (const auto lufs = decibels(match.captured(1)); lufs && *lufs > silentLoudness)
                reading.loudness = lufs;
        if (const auto match = peak.match(text, summary); match.hasMatch())
            reading.truePeak = decibels(match.captured(1));
    }
    std::optional<double> start;
    for (auto it = silence.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        const double at = std::max(0.0, match.captured(2).toDouble());
        if (match.captured(1) == QLatin1String("start"))
            start = at;
        else if (start && at > *start)
            reading.silences.append({*std::exchange(start, std::nullopt), at});
    }
}

double loudnessGain(const SoundReading &reading, double target, double ceiling)
{
    if (!reading.loudness)
        return 0;
    double gain = target - *reading.loudness;
    if (reading.truePeak)
        gain = std::min(gain, ceiling - *reading.truePeak);
    return gain;
}

double peakCeilingFor(AudioFormat format)
{
    // The meter's short interpolator reads sound near the top of the band up to about half a decibel
    // lower than longer ones do. MP3 and AAC rebuild the wave from fewer bits, and their peaks land a
    // little above or below the original's: another half.
    const bool lossy = format == AudioFormat::mp3 || format == AudioFormat::m4a || format == AudioFormat::mp4;
    return truePeakCeiling - 0.5 - (lossy ? 0.5 : 0.0);
}

QList<Span> cutsFor(const QList<Span> &silences)
{
    QList<Span> cuts;
    const double kept = shortenedSilence / 2;
    for (const Span &silence : silences)
        if (silence.end - silence.start >= longSilence && silence.end - kept > silence.start + kept)
            cuts.append({silence.start + kept, silence.end - kept});
    // Each cut is a term of one expression on ffmpeg's command line, which has room for a few thousand:
    // past that, the longest silences are the ones shortened.
    if (cuts.size() > maxCuts) {
        std::sort(cuts.begin(), cuts.end(),
                  [](const Span &a, const Span &b) { return a.end - a.start > b.end - b.start; });
        cuts.resize(maxCuts);
        std::sort(cuts.begin(), cuts.end(), [](const Span &a, const Span &b) { return a.start < b.start; });
    }
    return cuts;
}

double cutLength(const QList<Span> &cuts)
{
    double total = 0;
    for (const Span &cut : cuts)
        total += cut.end - cut.start;
    return total;
}

Chapters chaptersAfterCuts(const Chapters &chapters, const QList<Span> &cuts)
{
    Chapters moved;
    for (Chapter chapter : chapters) {
        const double at = chapter.start / 1000.0;
        double earlier = 0;
        for (const Span &cut : cuts)
            earlier += std::clamp(at - cut.start, 0.0, cut.end - cut.start);
        chapter.start = qint64(std::llround((at - earlier) * 1000));
        moved.append(chapter);
    }
    return tidyChapters(moved);
}

QString soundFilter(const SoundOptions &sound, const SoundReading &reading, AudioFormat format)
{
    QStringList filters;
    const QList<Span> cuts = sound.shorterSilences ? cutsFor(reading.silences) : QList<Span>();
    if (!cuts.isEmpty()) {
        // In slices of about 10 ms, so a cut ends within about 10 ms of where it should; the slices inside a cut are
        // dropped and the rest closes up.
        QStringList inside;
        for (const Span &cut : cuts)
            inside << QStringLiteral("between(t,%1,%2)").arg(cut.start, 0, 'f', 3).arg(cut.end, 0, 'f', 3);
        filters << QStringLiteral("asetnsamples=n=%1:p=0").arg(480)
                << QStringLiteral("aselect='not(%1)'").arg(inside.join(u'+')) << QStringLiteral("asetpts=N/SR/TB");
    }
    if (sound.loudness) {
        const double gain = loudnessGain(reading, *sound.loudness, peakCeilingFor(format));
        if (std::abs(gain) >= 0.01)
            filters << QStringLiteral("volume=%1dB").arg(gain, 0, 'f', 2);
    }
    return filters.join(u',');
}

QCoro::Task<std::optional<SoundReading>> readSound(QString ffmpeg, QString input, SoundOptions sound,
                                                   std::optional<double> length,
                                                   std::function<void(QProcess *)> onStart,
                                                   std::function<void(double)> progress)
{
    // ebur128 gives the loudness; the true peak is read here from the decoded sound ffmpeg streams out,
    // on another core, at a fraction of what ebur128's own costs.
    QStringList filters;
    if (sound.shorterSilences)
        filters << QStringLiteral("silencedetect=n=%1dB:d=%2").arg(silenceThreshold).arg(longSilence);
    if (sound.loudness)
        filters << QStringLiteral("ebur128=framelog=verbose");
    QStringList arguments{QStringLiteral("-nostdin"), QStringLiteral("-nostats"), QStringLiteral("-hide_banner"),
                          QStringLiteral("-progress"), QStringLiteral("pipe:2")};
    arguments << mediaInputOptions() << QStringLiteral("-i") << input << QStringLiteral("-map")
              << QStringLiteral("0:a:0");
    if (!filters.isEmpty())
        arguments << QStringLiteral("-af") << filters.join(u',');
    if (sound.loudness)
        arguments << QStringLiteral("-map_metadata") << QStringLiteral("-1") << QStringLiteral("-fflags")
                  << QStringLiteral("+bitexact") << QStringLiteral("-c:a") << QStringLiteral("pcm_f32le")
                  << QStringLiteral("-f") << QStringLiteral("wav") << QStringLiteral("pipe:1");
    else
        arguments << QStringLiteral("-f") << QStringLiteral("null") << QStringLiteral("-");
    auto process = makeChildProcess(ffmpeg, arguments);
    QProcess *raw = process.get();
    if (!sound.loudness)
        process->setStandardOutputFile(QProcess::nullDevice());
    auto reader = std::make_shared<ProgressReader>();
    // What the filters say is kept line by line, and the progress followed; ffmpeg's other words are
    // not needed. A reading that makes no progress for as long as a conversion may is stuck.
    auto report = std::make_shared<QByteArray>();
    auto pending = std::make_shared<QByteArray>();
    auto watchdog = std::make_shared<QTimer>();
    watchdog->setSingleShot(true);
    QObject::connect(watchdog.get(), &QTimer::timeout, raw, [raw] { terminatePolitely(raw); });
    const auto keep = [report, pending, reader, progress, length, watchdog](const QByteArray &chunk) {
        *pending += chunk;
        qsizetype end;
        while ((end = pending->indexOf('\n')) >= 0) {
            const QByteArray line = pending->left(end + 1);
            pending->remove(0, end + 1);
            if (line.contains("silence_") || line.startsWith(' ') || line.contains("Summary:"))
                *report += line;
            else if (reader->feed(line)) {
                watchdog->start(conversionStallWindow);
                if (progress && length && *length > 0 && reader->written())
                    progress(std::min(1.0, *reader->written() / *length));
            }
        }
        if (pending->size() > 64 * 1024)
            pending->clear();
    };
    QObject::connect(raw, &QProcess::readyReadStandardError, raw, [raw, keep] { keep(raw->readAllStandardError()); });
    // The decoded sound: a WAV header, then 32-bit float samples, measured as they come and let go.
    struct Stream
    {
        QByteArray head;
        std::optional<TruePeakMeter> meter;
        QByteArray partial; // the bytes of a sample split between two reads
        std::vector<float> samples;
        bool unreadable = false;
    };
    auto stream = std::make_shared<Stream>();
    const auto measure = [stream](QByteArray chunk) {
        if (stream->unreadable)
            return;
        if (!stream->meter) {
            stream->head += chunk;
            const auto header = streamedWavHeader(stream->head);
            if (!header)
                return;
            if (header->channels == 0) {
                stream->unreadable = true;
                return;
            }
            stream->meter.emplace(header->channels);
            chunk = stream->head.mid(header->dataOffset);
            stream->head.clear();
        }
        if (!stream->partial.isEmpty())
            chunk.prepend(std::exchange(stream->partial, {}));
        const qsizetype whole = chunk.size() / qsizetype(sizeof(float));
        stream->partial = chunk.mid(whole * qsizetype(sizeof(float)));
        if (whole == 0)
            return;
        stream->samples.resize(size_t(whole));
        std::memcpy(stream->samples.data(), chunk.constData(), size_t(whole) * sizeof(float));
        stream->meter->add(stream->samples.data(), whole);
    };
    if (sound.loudness)
        QObject::connect(raw, &QProcess::readyReadStandardOutput, raw,
                         [raw, measure] { measure(raw->readAllStandardOutput()); });
    if (onStart)
        onStart(raw);
    watchdog->start(conversionStallWindow);
    const ChildExit exit = co_await runToExit(raw);
    watchdog->stop();
    keep(raw->readAllStandardError() + '\n');
    if (sound.loudness)
        measure(raw->readAllStandardOutput());
    QObject::disconnect(raw, nullptr, nullptr, nullptr);
    if (!exit.started || exit.crashed || exit.exitCode != 0 || !reader->written() || (sound.loudness && !stream->meter))
        co_return std::nullopt;
    SoundReading reading;
    reading.length = reader->written();
    readSoundReport(*report, reading);
    if (stream->meter)
        reading.truePeak = stream->meter->peak();
    co_return reading;
}

} // namespace tovel

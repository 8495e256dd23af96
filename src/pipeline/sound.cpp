#include "pipeline/sound.h"

#include "pipeline/conversion.h"
#include "pipeline/ffmpeg_progress.h"
#include "platform/child_process.h"

#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <cmath>
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
    // MP3 and AAC rebuild the wave from fewer bits, and their peaks land a little above or below the
    // original's; half a decibel keeps them under the ceiling.
    const bool lossy = format == AudioFormat::mp3 || format == AudioFormat::m4a || format == AudioFormat::mp4;
    return truePeakCeiling - (lossy ? 0.5 : 0.0);
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
    QStringList filters;
    if (sound.shorterSilences)
        filters << QStringLiteral("silencedetect=n=%1dB:d=%2").arg(silenceThreshold).arg(longSilence);
    if (sound.loudness)
        filters << QStringLiteral("ebur128=peak=true:framelog=verbose");
    QStringList arguments{QStringLiteral("-nostdin"), QStringLiteral("-nostats"), QStringLiteral("-hide_banner"),
                          QStringLiteral("-progress"), QStringLiteral("pipe:1")};
    arguments << mediaInputOptions() << QStringLiteral("-i") << input << QStringLiteral("-map")
              << QStringLiteral("0:a:0");
    if (!filters.isEmpty())
        arguments << QStringLiteral("-af") << filters.join(u',');
    arguments << QStringLiteral("-f") << QStringLiteral("null") << QStringLiteral("-");
    auto process = makeChildProcess(ffmpeg, arguments);
    QProcess *raw = process.get();
    auto reader = std::make_shared<ProgressReader>();
    // What the filters say is kept line by line; ffmpeg's other words are not needed.
    auto report = std::make_shared<QByteArray>();
    auto pending = std::make_shared<QByteArray>();
    const auto keep = [report, pending](const QByteArray &chunk) {
        *pending += chunk;
        qsizetype end;
        while ((end = pending->indexOf('\n')) >= 0) {
            const QByteArray line = pending->left(end + 1);
            pending->remove(0, end + 1);
            if (line.contains("silence_") || line.startsWith(' ') || line.contains("Summary:"))
                *report += line;
        }
        if (pending->size() > 64 * 1024)
            pending->clear();
    };
    QObject::connect(raw, &QProcess::readyReadStandardError, raw, [raw, keep] { keep(raw->readAllStandardError()); });
    // A reading that makes no progress for as long as a conversion may is stuck.
    auto watchdog = std::make_shared<QTimer>();
    watchdog->setSingleShot(true);
    QObject::connect(watchdog.get(), &QTimer::timeout, raw, [raw] { terminatePolitely(raw); });
    QObject::connect(raw, &QProcess::readyReadStandardOutput, raw, [raw, reader, progress, length, watchdog] {
        if (!reader->feed(raw->readAllStandardOutput()))
            return;
        watchdog->start(conversionStallWindow);
        if (progress && length && *length > 0 && reader->written())
            progress(std::min(1.0, *reader->written() / *length));
    });
    if (onStart)
        onStart(raw);
    watchdog->start(conversionStallWindow);
    const ChildExit exit = co_await runToExit(raw);
    watchdog->stop();
    keep(raw->readAllStandardError() + '\n');
    reader->feed(raw->readAllStandardOutput() + '\n');
    QObject::disconnect(raw, nullptr, nullptr, nullptr);
    if (!exit.started || exit.crashed || exit.exitCode != 0 || !reader->written())
        co_return std::nullopt;
    SoundReading reading;
    reading.length = reader->written();
    readSoundReport(*report, reading);
    co_return reading;
}

} // namespace tovel

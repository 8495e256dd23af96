#include "pipeline/conversion.h"

#include "engine/tools.h"
#include "pipeline/ffmpeg_progress.h"
#include "platform/child_process.h"
#include "platform/text.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QTimer>

#include <QCoreApplication>
#include <memory>

namespace tovel {

std::optional<MediaProbe> parseStreamSummary(const QByteArray &summary)
{
    const QString text = strictUtf8(summary).value_or(QString::fromLatin1(summary));
    static const QRegularExpression stream(
        QStringLiteral("^\\s*Stream #0:(\\d+)[^:]*: (Audio|Video): ([A-Za-z0-9_]+)([^\\n]*)$"),
        QRegularExpression::MultilineOption);
    static const QRegularExpression container(QStringLiteral("^Input #0, ([^ ]+), from"),
                                              QRegularExpression::MultilineOption);
    // "  Metadata:" under the input (before its first stream), then "    title           : Ep 1".
    static const QRegularExpression tag(QStringLiteral("^    ([A-Za-z0-9_-]+)\\s*: (.*\\S)"),
                                        QRegularExpression::MultilineOption);
    static const QRegularExpression duration(QStringLiteral("Duration: (\\d+):(\\d{2}):(\\d{2}(?:\\.\\d+)?)"));
    MediaProbe probe;
    bool any = false;
    for (auto it = stream.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        any = true;
        const QString codec = match.captured(3);
        const QString rest = match.captured(4);
        if (match.captured(2) == QLatin1String("Audio")) {
            if (probe.audioCodec.isEmpty()) {
                probe.audioCodec = codec;
                probe.mono = rest.contains(QLatin1String(", mono,")) || rest.endsWith(QLatin1String(", mono"));
            }
        } else if (rest.contains(QLatin1String("(attached pic)"))) {
            probe.pictures << match.captured(1).toInt();
            probe.pictureCodecs << codec;
        } else if (probe.videoCodec.isEmpty()) {
            probe.videoCodec = codec;
        }
    }
    if (!any)
        return std::nullopt;
    if (const QRegularExpressionMatch match = container.match(text); match.hasMatch())
        probe.container = match.captured(1);
    // The input's own tags, and those of its first audio stream (where Ogg and Opus keep theirs).
    const QString head = text.left(text.indexOf(QLatin1String("Stream #0:")));
    for (auto it = tag.globalMatch(head); it.hasNext();)
        probe.tags << it.next().captured(1).toLower();
    probe.chapters = chaptersInSummary(head);
    static const QRegularExpression streamTag(QStringLiteral("^      ([A-Za-z0-9_-]+)\\s*: (.*\\S)"),
                                              QRegularExpression::MultilineOption);
    if (const qsizetype audio = text.indexOf(QLatin1String(": Audio: ")); audio >= 0) {
        const qsizetype next = text.indexOf(QLatin1String("Stream #0:"), audio);
        const QString block = text.mid(audio, next < 0 ? -1 : next - audio);
        probe.tagsInStream = probe.tags.isEmpty();
        for (auto it = streamTag.globalMatch(block); it.hasNext();)
            probe.tags << it.next().captured(1).toLower();
        probe.tagsInStream = probe.tagsInStream && !probe.tags.isEmpty();
    }
    probe.tags.removeDuplicates();
    if (const QRegularExpressionMatch match = duration.match(text); match.hasMatch())
        probe.duration
            = match.captured(1).toInt() * 3600.0 + match.captured(2).toInt() * 60.0 + match.captured(3).toDouble();
    probe.durationEstimated = text.contains(QLatin1String("Estimating duration from bitrate"));
    return probe;
}

bool copiesStreams(AudioFormat format, AudioQuality quality, const std::optional<MediaProbe> &probe)
{
    // A bitrate is a choice for the lossy audio formats alone: WAV, FLAC and a video keep what they hold.
    if (!probe || (usesQuality(format) && bitrate(quality)))
        return false;
    const QString &audio = probe->audioCodec;
    const bool mp4Audio = audio == QLatin1String("aac") || audio == QLatin1String("mp3");
    switch (format) {
    case AudioFormat::mp3: return audio == QLatin1String("mp3");
    case AudioFormat::m4a: return audio == QLatin1String("aac");
    case AudioFormat::flac: return audio == QLatin1String("flac");
    case AudioFormat::wav: return audio == QLatin1String("pcm_s16le");
    case AudioFormat::mp4:
        if (probe->videoCodec.isEmpty())
            return mp4Audio;
        return (probe->videoCodec == QLatin1String("h264") || probe->videoCodec == QLatin1String("hevc"))
            && (audio.isEmpty() || mp4Audio);
    }
    return false;
}

QList<QPair<QString, QString>> tagsToWrite(const QString &title, const MediaTags &tags,
                                           const std::optional<MediaProbe> &probe)
{
    const QList<QPair<QString, QString>> known{{QStringLiteral("title"), title},
                                               {QStringLiteral("album"), tags.album},
                                               {QStringLiteral("artist"), tags.artist},
                                               {QStringLiteral("date"), tags.date},
                                               {QStringLiteral("comment"), tags.comment}};
    QList<QPair<QString, QString>> missing;
    for (const auto &[key, value] : known) {
        const bool carried = probe
            && (probe->tags.contains(key)
                || (key == QLatin1String("date") && probe->tags.contains(QStringLiteral("year"))));
        if (!value.trimmed().isEmpty() && !carried)
            missing.append({key, value});
    }
    return missing;
}

bool isAlreadyTheFile(AudioFormat format, AudioQuality quality, const std::optional<MediaProbe> &probe,
                      const QString &title, const MediaTags &tags)
{
    if (!copiesStreams(format, quality, probe) || !probe->videoCodec.isEmpty())
        return false;
    // The date and where it came from are welcome when the file is rewritten anyway, but not worth a
    // rewrite of their own.
    for (const auto &[key, value] : tagsToWrite(title, tags, probe))
        if (key == QLatin1String("title") || key == QLatin1String("album") || key == QLatin1String("artist"))
            return false;
    switch (format) {
    case AudioFormat::mp3: return probe->container == QLatin1String("mp3");
    case AudioFormat::flac: return probe->container == QLatin1String("flac");
    case AudioFormat::wav: return probe->container == QLatin1String("wav");
    default: return false;
    }
}

bool wantsCover(AudioFormat format, const std::optional<MediaProbe> &probe)
{
    const bool carries = format == AudioFormat::mp3 || format == AudioFormat::m4a || format == AudioFormat::flac;
    return carries && !(probe && !probe->pictures.isEmpty());
}

bool isCoverPicture(const QString &path)
{
    QFile file(path);
    if (file.size() > maxCoverBytes || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray start = file.read(8);
    return start.startsWith("\xFF\xD8\xFF") || start.startsWith("\x89PNG\r\n\x1A\n");
}

QStringList mediaInputOptions()
{
    // mov covers MP4, M4A, M4B and MOV; matroska covers MKV and WebM; ogg covers Opus; asf covers WMA.
    return {QStringLiteral("-protocol_whitelist"), QStringLiteral("file"), QStringLiteral("-format_whitelist"),
            QStringLiteral("mp3,mov,aac,wav,flac,ogg,aiff,asf,matroska")};
}

QString ffmpegReason(const QByteArray &errorTail, const QString &input, const QString &output)
{
    static const QRegularExpression context(QStringLiteral("^\\[[^\\]]* @ 0x[0-9a-fA-F]+\\]\\s*"));
    const QString text = strictUtf8(errorTail).value_or(QString::fromLatin1(errorTail));
    QStringList lines = text.split(QRegularExpression(QStringLiteral("[\r\n]")), Qt::SkipEmptyParts);
    while (!lines.isEmpty()) {
        QString line = lines.takeLast();
        while (line.contains(context))
            line.remove(context);
        // Our own hidden output's name means nothing to anyone; the input is named as its file is.
        for (const QString &path : {output, input}) {
            if (path.isEmpty())
                continue;
            line.replace(path + QStringLiteral(": "), QString());
            line.replace(path, path == input ? QFileInfo(input).fileName() : QString());
        }
        QString clean;
        for (const char32_t c : line.toUcs4())
            if (!isControlCharacter(c) && !isLayoutCharacter(c))
                clean += QString::fromUcs4(&c, 1);
        clean = clean.simplified();
        // "Conversion failed!" is ffmpeg's summary of the line before it, which says why.
        if (clean.isEmpty() || clean == QLatin1String("Conversion failed!"))
            continue;
        if (clean.size() > 200)
            clean = clean.left(199) + QChar(0x2026);
        return clean;
    }
    return {};
}

bool isOutOfSpace(const QByteArray &errorTail, const QString &outputFolder)
{
    if (errorTail.contains("No space left on device") || errorTail.contains("Disk quota exceeded"))
        return true;
    const QStorageInfo disk(outputFolder);
    return disk.isValid() && disk.bytesAvailable() < 64 * 1024;
}

QStringList ffmpegArguments(AudioFormat format, AudioQuality quality, const QString &input, const QString &output,
                            const std::optional<MediaProbe> &probe, const QList<QPair<QString, QString>> &tags,
                            const QString &cover, const QString &chapters, const QString &audioFilter)
{
    QStringList arguments{QStringLiteral("-nostdin"), QStringLiteral("-nostats"), QStringLiteral("-progress"),
                          QStringLiteral("pipe:1"), QStringLiteral("-y")};
    arguments << mediaInputOptions() << QStringLiteral("-i") << input;
    const bool embeds = !cover.isEmpty() && wantsCover(format, probe);
    // The cover was checked to start like a JPEG or PNG; it is read as nothing else.
    if (embeds)
        arguments << QStringLiteral("-protocol_whitelist") << QStringLiteral("file")
                  << QStringLiteral("-format_whitelist") << QStringLiteral("jpeg_pipe,png_pipe") << QStringLiteral("-i")
                  << cover;
    // Chapters of our own making, read as FFMETADATA1 and nothing else.
    if (!chapters.isEmpty())
        arguments << QStringLiteral("-protocol_whitelist") << QStringLiteral("file") << QStringLiteral("-f")
                  << QStringLiteral("ffmetadata") << QStringLiteral("-i") << chapters << QStringLiteral("-map_chapters")
                  << QString::number(embeds ? 2 : 1);
    const bool filtered = !audioFilter.isEmpty();
    const bool copy = !filtered && copiesStreams(format, quality, probe);
    // Cover pictures go along into the formats that carry one.
    const bool keepsPictures = probe && !probe->pictures.isEmpty()
        && (format == AudioFormat::mp3 || format == AudioFormat::m4a || format == AudioFormat::flac);
    // Encoded AAC at its best: ffmpeg's own default of 128k is below the best bitrate one can choose.
    const QString bestAac = probe && probe->mono ? QStringLiteral("128k") : QStringLiteral("256k");
    if (format == AudioFormat::mp4 && probe && probe->videoCodec.isEmpty() && !probe->audioCodec.isEmpty()) {
        // Audio alone: copied as it is, a cover picture would become the film and PCM has no place in
        // MP4. The audio is taken (as AAC where it is neither AAC nor MP3), and the first cover rides
        // along as cover art when it is a JPEG or PNG, which is all MP4 carries.
        arguments << QStringLiteral("-map") << QStringLiteral("0:a:0");
        qsizetype picture = 0;
        while (picture < std::min(probe->pictures.size(), probe->pictureCodecs.size())
               && probe->pictureCodecs.at(picture) != QLatin1String("mjpeg")
               && probe->pictureCodecs.at(picture) != QLatin1String("png"))
            ++picture;
        if (picture < std::min(probe->pictures.size(), probe->pictureCodecs.size()))
            arguments << QStringLiteral("-map") << QStringLiteral("0:%1").arg(probe->pictures.at(picture))
                      << QStringLiteral("-c:v") << QStringLiteral("copy") << QStringLiteral("-disposition:v:0")
                      << QStringLiteral("attached_pic");
        if (copy)
            arguments << QStringLiteral("-c:a") << QStringLiteral("copy");
        else
            arguments << QStringLiteral("-c:a") << QStringLiteral("aac") << QStringLiteral("-b:a") << bestAac;
        arguments << QStringLiteral("-movflags") << QStringLiteral("+faststart");
    } else if (format == AudioFormat::mp4) {
        // A film whose sound alone is worked on keeps its picture as it is.
        if (filtered && copiesStreams(format, quality, probe))
            arguments << QStringLiteral("-c:v") << QStringLiteral("copy") << QStringLiteral("-c:a")
                      << QStringLiteral("aac") << QStringLiteral("-movflags") << QStringLiteral("+faststart");
        else if (probe && !copy)
            arguments << QStringLiteral("-c:v") << QStringLiteral("libx264") << QStringLiteral("-c:a")
                      << QStringLiteral("aac") << QStringLiteral("-movflags") << QStringLiteral("+faststart");
        else
            arguments << codecArguments(format);
    } else {
        if (keepsPictures) {
            arguments << QStringLiteral("-map") << QStringLiteral("0:a:0");
            for (int picture : probe->pictures)
                arguments << QStringLiteral("-map") << QStringLiteral("0:%1").arg(picture);
            arguments << QStringLiteral("-c:v") << QStringLiteral("copy");
        } else if (embeds) {
            arguments << QStringLiteral("-map") << QStringLiteral("0:a:0") << QStringLiteral("-map")
                      << QStringLiteral("1:0") << QStringLiteral("-c:v") << QStringLiteral("copy")
                      << QStringLiteral("-disposition:v:0") << QStringLiteral("attached_pic");
        } else if (copy) {
            arguments << QStringLiteral("-map") << QStringLiteral("0:a:0");
        } else {
            arguments << QStringLiteral("-vn");
        }
        if (copy) {
            arguments << QStringLiteral("-c:a") << QStringLiteral("copy");
        } else {
            arguments << codecArguments(format);
            if (usesQuality(format)) {
                if (const auto rate = bitrate(quality))
                    arguments << QStringLiteral("-b:a") << *rate;
                else if (format == AudioFormat::mp3)
                    arguments << QStringLiteral("-q:a") << QStringLiteral("0");
                else
                    arguments << QStringLiteral("-b:a") << bestAac;
            }
        }
        if (format == AudioFormat::m4a)
            arguments << QStringLiteral("-movflags") << QStringLiteral("+faststart");
    }
    if (filtered)
        arguments << QStringLiteral("-af") << audioFilter;
    // The input's tags go along, from wherever it keeps them.
    arguments << QStringLiteral("-map_metadata")
              << (probe && probe->tagsInStream ? QStringLiteral("0:s:a:0") : QStringLiteral("0"));
    for (const auto &[key, value] : tags)
        arguments << QStringLiteral("-metadata") << key + u'=' + value;
    arguments << output;
    return arguments;
}

QCoro::Task<std::optional<MediaProbe>> probeMedia(QString ffmpeg, QString input,
                                                  std::function<void(QProcess *)> onStart)
{
    // With no output named, ffmpeg describes the input on standard error and stops.
    auto process = makeChildProcess(ffmpeg,
                                    QStringList{QStringLiteral("-hide_banner"), QStringLiteral("-nostdin")}
                                        << mediaInputOptions() << QStringLiteral("-i") << input);
    process->setStandardOutputFile(QProcess::nullDevice());
    QProcess *raw = process.get();
    // An input ffmpeg chokes on is encoded as if it had not been asked about.
    QTimer::singleShot(probeLimitMs, raw, [raw] { terminatePolitely(raw); });
    if (onStart)
        onStart(raw);
    const ChildExit exit = co_await runToExit(raw);
    if (!exit.started || exit.crashed)
        co_return std::nullopt;
    co_return parseStreamSummary(process->readAllStandardError());
}

namespace {

// The length a RIFF WAVE header announces: its data chunk's size over the format's bytes a second.
// Nothing for another file, a header that says nothing (a streamed WAV's size is 0 or all ones), or
// one that cannot be read.
std::optional<double> wavHeaderLength(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray head = file.read(64 * 1024);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
        return std::nullopt;
    const auto word = [&head](qsizetype at) {
        return quint32(quint8(head[at])) | quint32(quint8(head[at + 1])) << 8 | quint32(quint8(head[at + 2])) << 16
            | quint32(quint8(head[at + 3])) << 24;
    };
    quint32 bytesPerSecond = 0;
    for (qsizetype at = 12; at + 8 <= head.size();) {
        const QByteArray id = head.mid(at, 4);
        const quint32 size = word(at + 4);
        if (id == "fmt " && at + 16 <= head.size())
            bytesPerSecond = word(at + 8 + 8);
        if (id == "data") {
            if (bytesPerSecond == 0 || size == 0 || size == 0xFFFFFFFFu)
                return std::nullopt;
            return double(size) / bytesPerSecond;
        }
        at += 8 + qsizetype(size) + (size & 1);
    }
    return std::nullopt;
}

} // namespace

std::optional<QStringList> headerTags(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray head = file.read(12);
    const bool wav = head.startsWith("RIFF") && head.mid(8, 4) == "WAVE";
    const bool aiff = head.startsWith("FORM") && (head.mid(8, 4) == "AIFF" || head.mid(8, 4) == "AIFC");
    if (!wav && !aiff)
        return std::nullopt;
    // WAV counts in little-endian words, AIFF in big-endian ones.
    const auto word = [wav](const QByteArray &bytes, qsizetype at) {
        const auto b = [&bytes, at](int k) { return quint32(quint8(bytes[at + k])); };
        return wav ? b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24 : b(3) | b(2) << 8 | b(1) << 16 | b(0) << 24;
    };
    static const QHash<QByteArray, QString> riffNames{
        {"INAM", QStringLiteral("title")}, {"IART", QStringLiteral("artist")},  {"IPRD", QStringLiteral("album")},
        {"ICRD", QStringLiteral("date")},  {"ICMT", QStringLiteral("comment")}, {"IGNR", QStringLiteral("genre")}};
    static const QHash<QByteArray, QString> aiffNames{
        {"NAME", QStringLiteral("title")}, {"AUTH", QStringLiteral("artist")}, {"ANNO", QStringLiteral("comment")}};
    QStringList tags;
    // Chunk by chunk, seeking past the sound itself: the tags may come after it. A handful of chunks is
    // the norm; a file of thousands is left to ffmpeg.
    qint64 at = 12;
    for (int chunks = 0; chunks < 64 && at + 8 <= file.size(); ++chunks) {
        if (!file.seek(at))
            return std::nullopt;
        const QByteArray chunk = file.read(8);
        if (chunk.size() < 8)
            break;
        const QByteArray id = chunk.left(4);
        const quint32 size = word(chunk, 4);
        // ID3 tags (and the cover they may hold) take ffmpeg to read.
        if (id.toLower() == "id3 ")
            return std::nullopt;
        if (wav && id == "LIST" && size >= 4 && size <= 1024 * 1024) {
            const QByteArray list = file.read(size);
            if (list.startsWith("INFO")) {
                for (qsizetype k = 4; k + 8 <= list.size();) {
                    const quint32 length = word(list, k + 4);
                    if (riffNames.contains(list.mid(k, 4)) && length > 1 && !list.mid(k + 8, length).trimmed().isEmpty()
                        && list.at(k + 8) != '\0')
                        tags << riffNames.value(list.mid(k, 4));
                    k += 8 + qsizetype(length) + (length & 1);
                }
            }
        } else if (aiff && aiffNames.contains(id) && size > 0) {
            tags << aiffNames.value(id);
        }
        at += 8 + qint64(size) + (size & 1);
    }
    tags.removeDuplicates();
    return tags;
}

std::optional<double> declaredLength(const std::optional<MediaProbe> &probe, const QString &input)
{
    if (probe && probe->duration && !probe->durationEstimated && *probe->duration > 0)
        return probe->duration;
    return wavHeaderLength(input);
}

double lengthTolerance(double seconds)
{
    return std::max(0.5, seconds * 0.01);
}

std::optional<double> shortfall(std::optional<double> declared, std::optional<double> written)
{
    if (!declared || *declared <= 0 || written.value_or(0) >= *declared - lengthTolerance(*declared))
        return std::nullopt;
    return declared;
}

QString shortfallSentence(double written, double declared)
{
    // Both in the same form, chosen by the longer: "49 s of the 62 s" reads better than a mix of forms.
    const qint64 longest = qint64(std::max(written, declared));
    const auto span = [longest](double seconds) {
        const qint64 whole = qint64(seconds);
        if (longest < 100)
            return QStringLiteral("%1 s").arg(whole);
        if (longest < 3600)
            return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
        return QStringLiteral("%1:%2:%3")
            .arg(whole / 3600)
            .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
            .arg(whole % 60, 2, 10, QLatin1Char('0'));
    };
    return QCoreApplication::translate("Tovel", "The source holds only %1 of the %2 it announces.")
        .arg(span(written), span(declared));
}

QCoro::Task<std::optional<double>> measureLength(QString ffmpeg, QString input, std::function<void(QProcess *)> onStart)
{
    auto process
        = makeChildProcess(ffmpeg,
                           QStringList{QStringLiteral("-nostdin"), QStringLiteral("-nostats"), QStringLiteral("-v"),
                                       QStringLiteral("error"), QStringLiteral("-progress"), QStringLiteral("pipe:1")}
                               << mediaInputOptions()
                               << QStringList{QStringLiteral("-i"), input, QStringLiteral("-map"),
                                              QStringLiteral("0:a:0"), QStringLiteral("-c"), QStringLiteral("copy"),
                                              QStringLiteral("-f"), QStringLiteral("null"), QStringLiteral("-")});
    process->setStandardErrorFile(QProcess::nullDevice());
    QProcess *raw = process.get();
    auto reader = std::make_shared<ProgressReader>();
    QObject::connect(raw, &QProcess::readyReadStandardOutput, raw,
                     [raw, reader] { reader->feed(raw->readAllStandardOutput()); });
    // Reading through a file without decoding it is quick; one that takes this long is not read.
    QTimer::singleShot(probeLimitMs, raw, [raw] { terminatePolitely(raw); });
    if (onStart)
        onStart(raw);
    const ChildExit exit = co_await runToExit(raw);
    reader->feed(raw->readAllStandardOutput() + '\n');
    QObject::disconnect(raw, nullptr, nullptr, nullptr);
    if (!exit.started || exit.crashed || exit.exitCode != 0)
        co_return std::nullopt;
    co_return reader->written();
}

QCoro::Task<Result<ConversionReport>> convert(QString input, QString output, AudioFormat format, AudioQuality quality,
                                              std::optional<MediaProbe> probe, std::function<void(QProcess *)> onStart,
                                              std::function<bool()> isCancelled, std::function<void(double)> progress,
                                              QList<QPair<QString, QString>> tags, QString cover,
                                              std::chrono::milliseconds stallWindow, QString chapters,
                                              QString audioFilter)
{
    const auto ffmpeg = Tools::ffmpegPath();
    if (!ffmpeg)
        co_return fail(Error::unsupported(QCoreApplication::translate("Tovel", "ffmpeg is missing.")));
    auto process = makeChildProcess(
        *ffmpeg, ffmpegArguments(format, quality, input, output, probe, tags, cover, chapters, audioFilter));
    QProcess *raw = process.get();
    // The length comes from the probe, else from the summary ffmpeg prints before it starts.
    auto length = std::make_shared<double>(probe && probe->duration && *probe->duration > 0 ? *probe->duration : 0);
    auto reader = std::make_shared<ProgressReader>();
    // Standard error is read throughout: its summary gives the length when nothing else did, and its
    // last lines say why a conversion failed.
    auto summary = std::make_shared<QByteArray>();
    auto tail = std::make_shared<QByteArray>();
    const bool wantsLength = progress && *length <= 0;
    QObject::connect(raw, &QProcess::readyReadStandardError, raw, [raw, summary, tail, length, wantsLength] {
        const QByteArray chunk = raw->readAllStandardError();
        *tail = (*tail + chunk).right(4096);
        if (!wantsLength || *length > 0)
            return;
        *summary += chunk;
        if (const auto read = parseStreamSummary(*summary); read && read->duration && *read->duration > 0)
            *length = *read->duration;
        else if (summary->size() > 64 * 1024)
            summary->clear();
    });
    // An ffmpeg that reports nothing new for the stall window is stuck (a hung input, a dead disk): ended.
    auto stalled = std::make_shared<bool>(false);
    auto watchdog = std::make_shared<QTimer>();
    watchdog->setSingleShot(true);
    QObject::connect(watchdog.get(), &QTimer::timeout, raw, [raw, stalled] {
        *stalled = true;
        terminatePolitely(raw);
    });
    QObject::connect(raw, &QProcess::readyReadStandardOutput, raw,
                     [raw, reader, progress, length, watchdog, stallWindow] {
                         if (!reader->feed(raw->readAllStandardOutput()))
                             return;
                         watchdog->start(stallWindow);
                         if (progress && *length > 0 && reader->written())
                             progress(std::min(1.0, *reader->written() / *length));
                     });
    if (onStart)
        onStart(raw);
    watchdog->start(stallWindow);
    const ChildExit exit = co_await runToExit(raw);
    watchdog->stop();
    *tail = (*tail + raw->readAllStandardError()).right(4096);
    reader->feed(raw->readAllStandardOutput() + '\n');
    QObject::disconnect(raw, nullptr, nullptr, nullptr);
    if (!exit.started)
        co_return fail(Error::plain(exit.launchError));
    if (isCancelled && isCancelled())
        co_return ConversionReport{reader->written()};
    if (*stalled)
        co_return fail(
            Error::plain(QCoreApplication::translate("Tovel", "ffmpeg made no progress for %1 seconds and was stopped.")
                             .arg(std::chrono::duration_cast<std::chrono::seconds>(stallWindow).count())));
    // ffmpeg exits 0 even when the last of its output could not be written, or nothing was encoded at
    // all; its own words tell.
    const bool unwritten = tail->contains("Error closing file") || tail->contains("Error writing trailer")
        || tail->contains("No space left on device");
    if (exit.exitCode != 0 || exit.crashed || unwritten) {
        if (isOutOfSpace(*tail, QFileInfo(output).absolutePath()))
            co_return fail(Error::plain(
                QCoreApplication::translate("Tovel", "There is no space left in the destination folder.")));
        if (exit.exitCode == 0 && !exit.crashed)
            co_return fail(
                Error::plain(QCoreApplication::translate("Tovel", "ffmpeg could not finish writing the file.")));
        // ffmpeg's own last words say why, which the exit code alone never does.
        QString reason = ffmpegReason(*tail, input, output);
        if (!reason.isEmpty() && !reason.endsWith(u'.') && !reason.endsWith(u'!') && !reason.endsWith(u'?'))
            reason += u'.';
        co_return fail(Error::unsupported(
            reason.isEmpty() ? QCoreApplication::translate("Tovel", "ffmpeg exited with code %1.").arg(exit.exitCode)
                             : QCoreApplication::translate("Tovel", "ffmpeg exited with code %1: %2")
                                   .arg(QString::number(exit.exitCode), reason)));
    }
    const QFileInfo written(output);
    if (!written.isFile() || written.size() == 0)
        co_return fail(Error::plain(QCoreApplication::translate("Tovel", "ffmpeg ended without writing the file.")));
    if (tail->contains("Output file is empty, nothing was encoded") || reader->written().value_or(0) <= 0)
        co_return fail(Error::unsupported(QCoreApplication::translate("Tovel", "ffmpeg found no audio to write.")));
    co_return ConversionReport{reader->written()};
}

} // namespace tovel

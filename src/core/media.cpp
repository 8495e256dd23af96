#include "core/media.h"

#include "core/url_text.h"

#include <QCoreApplication>
#include <QHash>
#include <QMetaEnum>

namespace tovel {

MediaItem::MediaItem(QString title, QUrl url, QString origin, std::optional<QString> hintedExtension,
                     std::optional<QString> engineLink)
    : id(QUuid::createUuid()), title(std::move(title)), url(std::move(url)), origin(std::move(origin)),
      hintedExtension(std::move(hintedExtension)), engineLink(std::move(engineLink))
{
    if (this->engineLink)
        identity = QStringLiteral("web ") + *this->engineLink;
    else if (this->url.isLocalFile())
        identity = QStringLiteral("file ") + this->url.toLocalFile();
    else if (this->url.isValid())
        identity = QStringLiteral("url ") + QString::fromLatin1(this->url.toEncoded());
}

static size_t hashOptional(const std::optional<QString> &text, size_t seed)
{
    seed = qHashMulti(seed, text.has_value() ? 1 : 0);
    return text ? qHash(*text, seed) : seed;
}

size_t qHash(const MediaItem &item, size_t seed)
{
    seed = qHashMulti(seed, item.id, item.title, item.url, item.origin);
    seed = hashOptional(item.hintedExtension, seed);
    return hashOptional(item.engineLink, seed);
}

QString rawValue(AudioFormat format)
{
    switch (format) {
    case AudioFormat::mp3: return QStringLiteral("mp3");
    case AudioFormat::m4a: return QStringLiteral("m4a");
    case AudioFormat::wav: return QStringLiteral("wav");
    case AudioFormat::flac: return QStringLiteral("flac");
    case AudioFormat::mp4: return QStringLiteral("mp4");
    }
    return {};
}

std::optional<AudioFormat> audioFormatFromRaw(const QString &raw)
{
    for (AudioFormat format : allAudioFormats)
        if (rawValue(format) == raw)
            return format;
    return std::nullopt;
}

QString label(AudioFormat format)
{
    return format == AudioFormat::mp4 ? QCoreApplication::translate("Tovel", "MP4 VIDEO") : rawValue(format).toUpper();
}

bool isVideo(AudioFormat format)
{
    return format == AudioFormat::mp4;
}

bool usesQuality(AudioFormat format)
{
    return format == AudioFormat::mp3 || format == AudioFormat::m4a;
}

QStringList codecArguments(AudioFormat format)
{
    switch (format) {
    case AudioFormat::mp3: return {QStringLiteral("-c:a"), QStringLiteral("libmp3lame")};
    case AudioFormat::m4a: return {QStringLiteral("-c:a"), QStringLiteral("aac")};
    case AudioFormat::wav: return {QStringLiteral("-c:a"), QStringLiteral("pcm_s16le")};
    case AudioFormat::flac: return {QStringLiteral("-c:a"), QStringLiteral("flac")};
    case AudioFormat::mp4:
        return {QStringLiteral("-c"), QStringLiteral("copy"), QStringLiteral("-movflags"),
                QStringLiteral("+faststart")};
    }
    return {};
}

QString rawValue(AudioQuality quality)
{
    switch (quality) {
    case AudioQuality::best: return QStringLiteral("Best available");
    case AudioQuality::k320: return QStringLiteral("320 kbps");
    case AudioQuality::k192: return QStringLiteral("192 kbps");
    case AudioQuality::k128: return QStringLiteral("128 kbps");
    }
    return {};
}

QString qualityLabel(AudioQuality quality)
{
    return quality == AudioQuality::best ? QCoreApplication::translate("Tovel", "Best available") : rawValue(quality);
}

std::optional<AudioQuality> audioQualityFromRaw(const QString &raw)
{
    for (AudioQuality quality : allAudioQualities)
        if (rawValue(quality) == raw)
            return quality;
    return std::nullopt;
}

std::optional<QString> bitrate(AudioQuality quality)
{
    switch (quality) {
    case AudioQuality::best: return std::nullopt;
    case AudioQuality::k320: return QStringLiteral("320k");
    case AudioQuality::k192: return QStringLiteral("192k");
    case AudioQuality::k128: return QStringLiteral("128k");
    }
    return std::nullopt;
}

QString rawValue(const SoundOptions &sound)
{
    QStringList parts;
    if (sound.loudness)
        parts << QStringLiteral("loudness=") + QString::number(*sound.loudness);
    if (sound.shorterSilences)
        parts << QStringLiteral("shorter-silences");
    return parts.join(u'+');
}

SoundOptions soundOptionsFromRaw(const QString &raw)
{
    SoundOptions sound;
    for (const QString &part : raw.split(u'+', Qt::SkipEmptyParts)) {
        bool ok = false;
        if (part.startsWith(QLatin1String("loudness="))) {
            const double target = part.mid(9).toDouble(&ok);
            if (ok && target >= quietestLoudness && target <= loudestLoudness)
                sound.loudness = target;
        } else if (part == QLatin1String("shorter-silences")) {
            sound.shorterSilences = true;
        }
    }
    return sound;
}

QString soundLabel(const SoundOptions &sound)
{
    QString loudness;
    if (sound.loudness && qFuzzyCompare(*sound.loudness, defaultLoudness))
        loudness = QCoreApplication::translate("Tovel", "Even loudness");
    else if (sound.loudness)
        loudness = QCoreApplication::translate("Tovel", "Even loudness (%1 LUFS)").arg(*sound.loudness);
    if (!sound.shorterSilences)
        return loudness;
    if (loudness.isEmpty())
        return QCoreApplication::translate("Tovel", "Shorter silences");
    return QCoreApplication::translate("Tovel", "%1, shorter silences", "after the loudness").arg(loudness);
}

QString timeSavedText(double seconds)
{
    const qint64 whole = qint64(seconds + 0.5);
    if (whole < 60)
        return QCoreApplication::translate("Tovel", "\u2212%1 s", "time a file was made shorter by").arg(whole);
    if (whole % 60 == 0)
        return QCoreApplication::translate("Tovel", "\u2212%1 min", "time a file was made shorter by").arg(whole / 60);
    return QCoreApplication::translate("Tovel", "\u2212%1 min %2 s", "time a file was made shorter by")
        .arg(whole / 60)
        .arg(whole % 60);
}

JobPhase JobPhase::failed(const QString &message)
{
    return JobPhase(Kind::failed, withoutCredentials(message));
}

QString JobPhase::label() const
{
    switch (m_kind) {
    case Kind::failed: return m_message;
    case Kind::waiting: return QCoreApplication::translate("Tovel", "Waiting");
    case Kind::resolving: return QCoreApplication::translate("Tovel", "Reading source\u2026");
    case Kind::fetching: return QCoreApplication::translate("Tovel", "Fetching\u2026");
    case Kind::converting: return QCoreApplication::translate("Tovel", "Converting\u2026");
    case Kind::done: return QCoreApplication::translate("Tovel", "Saved to Downloads");
    case Kind::cancelled: return QCoreApplication::translate("Tovel", "Cancelled");
    case Kind::retrying: return QCoreApplication::translate("Tovel", "Retrying\u2026");
    }
    return {};
}

bool JobPhase::isFinished() const
{
    return m_kind == Kind::failed || m_kind == Kind::done || m_kind == Kind::cancelled;
}

QString JobPhase::name() const
{
    return QString::fromLatin1(QMetaEnum::fromType<Kind>().valueToKey(int(m_kind)));
}

QString JobPhase::statusWord() const
{
    switch (m_kind) {
    case Kind::failed: return QCoreApplication::translate("Tovel", "Failed");
    case Kind::waiting: return QCoreApplication::translate("Tovel", "Queued");
    case Kind::resolving: return QCoreApplication::translate("Tovel", "Reading");
    case Kind::fetching: return QCoreApplication::translate("Tovel", "Fetching");
    case Kind::converting: return QCoreApplication::translate("Tovel", "Converting");
    case Kind::done: return QCoreApplication::translate("Tovel", "Saved");
    case Kind::cancelled: return QCoreApplication::translate("Tovel", "Stopped");
    case Kind::retrying: return QCoreApplication::translate("Tovel", "Retrying");
    }
    return {};
}

QString qualityFact(AudioFormat format, AudioQuality quality)
{
    if (!usesQuality(format))
        return QStringLiteral("\u2014");
    const auto rate = bitrate(quality);
    return rate ? rate->toUpper() : QCoreApplication::translate("Tovel", "BEST");
}

} // namespace tovel

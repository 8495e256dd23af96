#pragma once

#include "core/chapters.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QUuid>

#include <optional>

namespace tovel {

// What a source knows about an item beyond its title, written into the file as tags.
struct MediaTags
{
    QString album;             // a feed's title
    QString artist;            // the episode's or the show's author, else the show's title
    QString date;              // "yyyy-MM-dd", or a year
    QString comment;           // where the item came from (a feed item's guid or link)
    std::optional<QUrl> image; // a cover picture for a file that has none (always http or https)

    bool operator==(const MediaTags &) const = default;
};

// What a publisher lists for a file (its size and digests), checked while the file arrives. Empty where
// the source lists nothing.
struct ListedFile
{
    qint64 size = -1;
    QByteArray md5;    // lower-case hexadecimal
    QByteArray sha1;   // lower-case hexadecimal
    QString publisher; // who lists them, as a sentence names it ("the Internet Archive")

    [[nodiscard]] bool isEmpty() const { return size < 0 && md5.isEmpty() && sha1.isEmpty(); }
    bool operator==(const ListedFile &) const = default;
};

// One playable thing a source found.
struct MediaItem
{
    MediaItem(QString title, QUrl url, QString origin, std::optional<QString> hintedExtension = std::nullopt,
              std::optional<QString> engineLink = std::nullopt);

    QUuid id;
    QString title;
    QUrl url;
    QString origin;
    std::optional<QString> hintedExtension;
    std::optional<QString> engineLink;
    MediaTags tags;
    // What the item is, however it is reached: two items with one identity are the same thing to save.
    // A file's path, else its address, unless the source knows better (a feed item's guid).
    QString identity;
    // The title its source gives an item that has none; a saved file falls back to it too.
    QString defaultTitle = QStringLiteral("Audio");
    ListedFile listed;
    // The chapters a feed gives the episode: listed in the feed itself, or in a document it links to.
    Chapters chapters;
    std::optional<QUrl> chaptersUrl;
    // A transcript to save beside the file, the best of those the feed links.
    std::optional<TranscriptLink> transcript;
    // How long the feed says the episode is, in milliseconds; shown before gathering, never checked.
    std::optional<qint64> length;

    bool operator==(const MediaItem &) const = default;
};

size_t qHash(const MediaItem &item, size_t seed = 0);

using MediaItems = QList<MediaItem>;

enum class AudioFormat { mp3, m4a, wav, flac, mp4 };

inline constexpr AudioFormat allAudioFormats[]
    = {AudioFormat::mp3, AudioFormat::m4a, AudioFormat::wav, AudioFormat::flac, AudioFormat::mp4};

[[nodiscard]] QString rawValue(AudioFormat format);
[[nodiscard]] std::optional<AudioFormat> audioFormatFromRaw(const QString &raw);
[[nodiscard]] QString label(AudioFormat format);
[[nodiscard]] bool isVideo(AudioFormat format);
[[nodiscard]] bool usesQuality(AudioFormat format);
[[nodiscard]] QStringList codecArguments(AudioFormat format);

enum class AudioQuality { best, k320, k192, k128 };

inline constexpr AudioQuality allAudioQualities[]
    = {AudioQuality::best, AudioQuality::k320, AudioQuality::k192, AudioQuality::k128};

[[nodiscard]] QString rawValue(AudioQuality quality);
[[nodiscard]] std::optional<AudioQuality> audioQualityFromRaw(const QString &raw);
[[nodiscard]] std::optional<QString> bitrate(AudioQuality quality);
// The quality as the user picks it, in the user's language; rawValue is what is stored.
[[nodiscard]] QString qualityLabel(AudioQuality quality);
// The quality as the interface states it: a dash for a format that takes no bitrate (WAV, FLAC and MP4
// ignore it), "BEST" when none is asked for, else the bitrate in capitals ("320K").
[[nodiscard]] QString qualityFact(AudioFormat format, AudioQuality quality);

// What is done to the sound itself on its way into the file; nothing by default, and then the file is
// what the source holds.
struct SoundOptions
{
    // The integrated loudness (EBU R128, in LUFS) every file is brought to by one gain; none: left as it is.
    std::optional<double> loudness;
    // Silences longer than about a second are shortened to about half a second.
    bool shorterSilences = false;

    [[nodiscard]] bool any() const { return loudness.has_value() || shorterSilences; }
    bool operator==(const SoundOptions &) const = default;
};

// The loudness podcasts are commonly brought to, and the true peak no file is let past.
inline constexpr double defaultLoudness = -16.0;
inline constexpr double truePeakCeiling = -1.0;
// The targets one may ask for.
inline constexpr double quietestLoudness = -40.0;
inline constexpr double loudestLoudness = -5.0;

// As stored with each saved file: empty when nothing is done, else "loudness=-16", "shorter-silences"
// or both joined by "+". A stored value that cannot be read is nothing done.
[[nodiscard]] QString rawValue(const SoundOptions &sound);
[[nodiscard]] SoundOptions soundOptionsFromRaw(const QString &raw);
// "Even loudness", "Shorter silences", "Even loudness, shorter silences"; empty when nothing is done.
// A target other than the usual one is named ("Even loudness (-14 LUFS)").
[[nodiscard]] QString soundLabel(const SoundOptions &sound);
// "−3 min 12 s", "−45 s": how much shorter a file came out.
[[nodiscard]] QString timeSavedText(double seconds);

// Where a job stands. Only `failed` carries a message.
class JobPhase
{
    Q_GADGET
public:
    enum class Kind { failed, waiting, resolving, fetching, converting, done, cancelled, retrying };
    Q_ENUM(Kind)

    JobPhase(Kind kind = Kind::waiting) : m_kind(kind) {}
    // A failure's sentence, with any address in it stripped of user name and password.
    static JobPhase failed(const QString &message);
    // Waiting to download again; `nextTry` is the number of the try to come (2 for the first retry).
    static JobPhase retrying(int nextTry)
    {
        JobPhase phase(Kind::retrying);
        phase.m_try = nextTry;
        return phase;
    }

    [[nodiscard]] Kind kind() const { return m_kind; }
    [[nodiscard]] int nextTry() const { return m_try; }
    [[nodiscard]] const QString &message() const { return m_message; }
    [[nodiscard]] QString label() const;
    [[nodiscard]] bool isFinished() const;
    // The case's own name ("failed", "done"), as the command line and QML see it.
    [[nodiscard]] QString name() const;
    // The one-word status shown on a job card ("Queued", "Fetching", "Saved", ...).
    [[nodiscard]] QString statusWord() const;

    bool operator==(const JobPhase &) const = default;

private:
    JobPhase(Kind kind, QString message) : m_kind(kind), m_message(std::move(message)) {}

    Kind m_kind;
    QString m_message;
    int m_try = 0;
};

} // namespace tovel

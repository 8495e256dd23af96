#pragma once

#include "core/chapters.h"
#include "core/error.h"
#include "core/media.h"

#include <QCoroTask>
#include <QProcess>

#include <chrono>
#include <functional>
#include <optional>

namespace tovel {

// What an input holds, as ffmpeg's own stream summary tells it (or TagLib, in ffmpeg's terms).
struct MediaProbe
{
    QString container;              // the demuxer ffmpeg read it with ("mp3", "flac", "mov,mp4,m4a,...")
    QString audioCodec;             // of the first audio stream; empty when there is none
    QString videoCodec;             // of the first real video stream (not a cover picture); empty when none
    QList<int> pictures;            // stream numbers of attached pictures (cover art)
    QStringList tags;               // the input's own tags that hold something, lower-case ("title", "artist")
    std::optional<double> duration; // seconds, when the input says
    bool durationEstimated = false; // ffmpeg guessed the duration from the size and bitrate
    bool tagsInStream = false;      // the tags sit on the audio stream, not the file (Ogg, Opus)
    bool mono = false;              // the first audio stream has a single channel
    QStringList pictureCodecs = {}; // the codec of each attached picture, in the order of `pictures`
    bool writableInPlace = false;   // read by TagLib, which can write the file's tags where it lies
    Chapters chapters = {};         // the input's own chapters

    bool operator==(const MediaProbe &) const = default;
};

// Reads the summary `ffmpeg -i INPUT` prints on standard error; nothing when it names no stream.
[[nodiscard]] std::optional<MediaProbe> parseStreamSummary(const QByteArray &summary);

// Whether the input already is what `format` holds, so its streams can be copied untouched: only when
// no bitrate was asked for, for the formats that take one (MP3, M4A); the others ignore it. An MP4 of
// audio alone copies its AAC or MP3.
[[nodiscard]] bool copiesStreams(AudioFormat format, AudioQuality quality, const std::optional<MediaProbe> &probe);

// The tags a source knows, by ffmpeg's names, for those the input does not carry itself: the file's
// own tags stay. Empty values are left out.
[[nodiscard]] QList<QPair<QString, QString>> tagsToWrite(const QString &title, const MediaTags &tags,
                                                         const std::optional<MediaProbe> &probe);

// Whether the input's file already is the output, byte for byte: the right codec alone in the right
// container (MP3, FLAC or 16-bit WAV), no bitrate asked for, and its title, artist and album already
// tagged wherever the source knows them. Then it only needs moving into place.
[[nodiscard]] bool isAlreadyTheFile(AudioFormat format, AudioQuality quality, const std::optional<MediaProbe> &probe,
                                    const QString &title = {}, const MediaTags &tags = {});

// The exact ffmpeg argument list for a format and quality. With a probe, an input already in the target
// codec is copied, and cover pictures are kept for MP3, M4A and FLAC; without one, it is encoded as
// always. ffmpeg reports its progress on standard output.
// `cover` is a picture file to embed, for formats that carry one and an input without its own.
// `chapters` is an FFMETADATA1 file whose chapters the output takes instead of the input's.
// `audioFilter` is run on the audio (see sound.h), which is then always encoded.
[[nodiscard]] QStringList ffmpegArguments(AudioFormat format, AudioQuality quality, const QString &input,
                                          const QString &output, const std::optional<MediaProbe> &probe = std::nullopt,
                                          const QList<QPair<QString, QString>> &tags = {}, const QString &cover = {},
                                          const QString &chapters = {}, const QString &audioFilter = {});

// What ffmpeg is told before each media input: read it with one of the demuxers of the containers
// Tovel gathers, through the file protocol alone. A playlist, a concat list or an image sequence would
// otherwise make it open other files or addresses named inside the input.
[[nodiscard]] QStringList mediaInputOptions();

// The last line of a failed ffmpeg's standard error that says something, fit for a sentence: without
// the "[mp3 @ 0x…]" prefixes, control characters or the input's and output's paths (the input is named
// by its file name); empty when ffmpeg said nothing useful.
[[nodiscard]] QString ffmpegReason(const QByteArray &errorTail, const QString &input, const QString &output);

// Whether a failed ffmpeg's last words, or the output folder itself, say the disk is full.
[[nodiscard]] bool isOutOfSpace(const QByteArray &errorTail, const QString &outputFolder);

// Whether a cover picture would be embedded: the format carries one and the input has none.
[[nodiscard]] bool wantsCover(AudioFormat format, const std::optional<MediaProbe> &probe);

// The largest cover picture taken; a longer one is abandoned while it downloads.
inline constexpr qint64 maxCoverBytes = 10 * 1024 * 1024;

// Whether the file is a JPEG or PNG picture of at most 10 MB, as covers must be.
[[nodiscard]] bool isCoverPicture(const QString &path);

// Asks ffmpeg what `input` holds, within `probeLimitMs`; nothing when it cannot tell. `onStart`
// receives the process so the caller can end it.
inline constexpr int probeLimitMs = 20'000;
QCoro::Task<std::optional<MediaProbe>> probeMedia(QString ffmpeg, QString input,
                                                  std::function<void(QProcess *)> onStart = {});

// What a finished conversion wrote: the length of media in the output, as ffmpeg's last progress report
// gives it (nothing when it reported none).
struct ConversionReport
{
    std::optional<double> written;
};

// How long a conversion may go without ffmpeg reporting any progress before it is ended.
inline constexpr std::chrono::milliseconds conversionStallWindow{120'000};

// The length an input declares in its own header, when it declares one: what ffmpeg read from the
// container (a guess from the bitrate is no declaration), else, for WAV, the length its data chunk
// announces (ffmpeg only guesses for a WAV cut short).
[[nodiscard]] std::optional<double> declaredLength(const std::optional<MediaProbe> &probe, const QString &input);

// The tags (by ffmpeg's names: "title", "artist", …) a WAV or AIFF file carries in its own header
// chunks, read without ffmpeg; nothing for another kind of file, or one whose tags only ffmpeg can read
// (an ID3 chunk, with its cover).
[[nodiscard]] std::optional<QStringList> headerTags(const QString &path);

// How far two lengths may differ and still count as the same: half a second, or 1 % of a long file.
[[nodiscard]] double lengthTolerance(double seconds);

// `declared`, when the written length falls short of it by more than the tolerance.
[[nodiscard]] std::optional<double> shortfall(std::optional<double> declared, std::optional<double> written);

// "The source holds only 49 s of the 62 s it announces."
[[nodiscard]] QString shortfallSentence(double written, double declared);

// The length of audio `input` really holds, read through to its end without decoding (a stream copy
// into nothing); nothing when ffmpeg finds none or cannot read it.
QCoro::Task<std::optional<double>> measureLength(QString ffmpeg, QString input,
                                                 std::function<void(QProcess *)> onStart = {});

// Runs ffmpeg on `input`, writing `output`. `onStart` receives the process so the caller can end it;
// `isCancelled` tells whether a non-zero exit was our own doing; `progress` gets the fraction of the
// input written so far (0 to 1, when the input's length is known).
// `probe` is what probeMedia found (nothing: encode as always).
// A run that exits 0 still fails when it wrote nothing, or its output is missing or empty; one that
// reports no progress for `stallWindow` is ended and fails.
QCoro::Task<Result<ConversionReport>>
convert(QString input, QString output, AudioFormat format, AudioQuality quality, std::optional<MediaProbe> probe,
        std::function<void(QProcess *)> onStart, std::function<bool()> isCancelled,
        std::function<void(double)> progress = {}, QList<QPair<QString, QString>> tags = {}, QString cover = {},
        std::chrono::milliseconds stallWindow = conversionStallWindow, QString chapters = {}, QString audioFilter = {});

} // namespace tovel

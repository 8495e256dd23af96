#pragma once

#include "pipeline/conversion.h"

#include <QList>
#include <QPair>
#include <QString>

#include <optional>

// Reading and writing the tags of a file where it lies, with TagLib: what an MP3, FLAC, M4A or 16-bit
// WAV holds is told without starting ffmpeg, and a file kept as it is gets the source's tags and cover
// without being rewritten by it.

namespace tovel {

// What `path` holds, as ffmpeg would summarize it (its names for the container, codecs and tags, the
// stream numbers it would give the cover pictures), read by TagLib: for an MP3, a FLAC, an MP4 of audio
// alone, and a 16-bit PCM WAV without pictures. Nothing for any other file, or one TagLib cannot read
// soundly; ffmpeg is asked then.
[[nodiscard]] std::optional<MediaProbe> readMediaFile(const QString &path);

// Whether the input's audio is kept as it is in `format`, its container included, so the file itself
// can be saved and only its tags written: MP3 to MP3, FLAC to FLAC, AAC in MP4 to M4A, 16-bit WAV to WAV,
// when no bitrate is asked for and TagLib read it.
[[nodiscard]] bool keepsFile(AudioFormat format, AudioQuality quality, const std::optional<MediaProbe> &probe);

inline constexpr qint64 maxEditedInMemory = 512 * 1024 * 1024;

// Adds `tags` (by ffmpeg's names, as `tagsToWrite` gives them) and the picture `cover` (a JPEG or PNG;
// none when empty) to the file at `path`, in place: the tags it has stay, its audio is not touched.
// `chapters` replace the file's own, as ID3v2 CHAP and CTOC frames in an MP3 and CHAPTERnn comments in a
// FLAC (`length` in milliseconds ends the last); an MP4 or WAV takes none (false, when some are given).
// False when the file could not be written. A file up to `maxEditedInMemory` bytes is edited in memory
// and written back whole; a longer one where it lies.
[[nodiscard]] bool writeFileTags(const QString &path, const QList<QPair<QString, QString>> &tags, const QString &cover,
                                 const Chapters &chapters = {}, std::optional<qint64> length = std::nullopt);

} // namespace tovel

#pragma once

#include "core/chapters.h"
#include "core/error.h"
#include "core/media.h"
#include "pipeline/conversion.h"
#include "pipeline/job_context.h"

#include <QCoroTask>
#include <QString>

#include <optional>

// What a feed offers beside an episode's media: its chapters, written into the file, and its transcript,
// saved next to it. Neither ever fails the episode: what cannot be had leaves the file without it, and
// the card says so.

namespace tovel {

class JobControl;
struct Inspection;

// The most a chapters document or a transcript may hold; a longer one is abandoned while it arrives.
inline constexpr qint64 maxFeedDocumentBytes = 10 * 1024 * 1024;

// Whether a format holds chapters: MP3 (ID3v2 CHAP), M4A and MP4, FLAC (CHAPTERnn comments); WAV does not.
[[nodiscard]] bool holdsChapters(AudioFormat format);

// The chapters of the feed that go into a job's file, and what the card says when they could not be had.
struct FeedChapters
{
    Chapters chapters;            // none where the file has its own, or the format holds none
    std::optional<qint64> length; // the file's length in milliseconds, where the last chapter ends
    QString warning;
};

// The feed's chapters for the file `inspection` describes: those the feed lists, else those of the
// document it links to (fetched with the retries of a download, up to `maxFeedDocumentBytes`). Nothing to
// do where the file brings chapters of its own: they win.
QCoro::Task<FeedChapters> feedChaptersFor(const MediaItem &item, AudioFormat format, const Inspection &inspection,
                                          const JobContext &context, JobControl &control);

// Whether the input's file can still be kept as it is and tagged in place with the feed's chapters:
// TagLib writes an MP3's and a FLAC's, but not an M4A's, which ffmpeg then copies into a new file.
[[nodiscard]] bool keepsWithChapters(AudioFormat format, const FeedChapters &feed);

// The FFMETADATA1 file ffmpeg takes the feed's chapters from, in the temporary folder while this lives;
// no file (an empty path) where there are none or the format takes them otherwise (FLAC).
class ChapterFile
{
public:
    ChapterFile(const FeedChapters &feed, AudioFormat format);
    ~ChapterFile();
    ChapterFile(const ChapterFile &) = delete;
    ChapterFile &operator=(const ChapterFile &) = delete;
    [[nodiscard]] const QString &path() const { return m_path; }

private:
    QString m_path;
};

// ffmpeg writes no chapters into a FLAC: those of the feed, else the input's own, are written into the
// FLAC it made (`staged`) with TagLib. False when they could not be written; true when there were none.
QCoro::Task<bool> addFlacChapters(QString staged, AudioFormat format, std::optional<MediaProbe> probe,
                                  FeedChapters feed);

// A transcript fetched for a job, to be saved beside its file once that has its name.
struct FetchedTranscript
{
    QByteArray text;   // empty: none to save
    QString extension; // "srt" or "vtt"
    QString warning;   // why the feed's transcript is not saved, for the card
};

// Fetches the item's transcript (a JSON one is made into WebVTT when it is timed, else left out).
QCoro::Task<FetchedTranscript> fetchTranscript(const MediaItem &item, const JobContext &context, JobControl &control);

// Saves the transcript beside `audio`, under its name with the transcript's extension ("Episode 12.srt"),
// written under a hidden name first and never over a file that is there: an existing transcript stays.
// Returns the card's warning, when it could not be written.
[[nodiscard]] QString placeTranscript(const FetchedTranscript &transcript, const QString &audio);

// The sentences that are not empty, one after the other.
[[nodiscard]] QString joinSentences(const QStringList &sentences);

} // namespace tovel

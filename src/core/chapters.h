#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// Chapters and transcripts as feeds and files give them: what they hold, read from the forms they come
// in (a Podcasting 2.0 JSON document, Podlove Simple Chapters' times, ffmpeg's description of a file) and
// written in the form ffmpeg takes (an FFMETADATA1 file).

namespace tovel {

// One chapter: where it starts, in milliseconds from the start of the file, and its title. Where it ends
// is the next one's start, and the file's end for the last.
struct Chapter
{
    qint64 start = 0;
    QString title;

    bool operator==(const Chapter &) const = default;
};

using Chapters = QList<Chapter>;

// The most chapters taken from one document or file (as many as FLAC's CHAPTERnnn numbers); a longer list
// is cut there.
inline constexpr qsizetype maxChapters = 999;

// Podlove Simple Chapters' "HH:MM:SS.mmm" (also "MM:SS", "HH:MM:SS", "SS", with or without the
// fraction) in milliseconds; nothing when it is no such time.
[[nodiscard]] std::optional<qint64> parseChapterTime(QStringView text);

// The chapters of a Podcasting 2.0 JSON chapters document ({"chapters":[{"startTime":0,"title":"…"}]}),
// in the order they start; chapters with no start are left out, those marked "toc": false too. Nothing
// when the document is no such thing or names no chapter.
[[nodiscard]] std::optional<Chapters> parseChaptersJson(const QByteArray &document);

// Chapters in the order they start, without two at one start, and cut to those that start before
// `length` (milliseconds; none: all of them).
[[nodiscard]] Chapters tidyChapters(Chapters chapters, std::optional<qint64> length = std::nullopt);

// The FFMETADATA1 file that gives ffmpeg `chapters`, each ending where the next starts and the last at
// `length` (milliseconds; none: a second after its start).
[[nodiscard]] QByteArray chapterMetadata(const Chapters &chapters, std::optional<qint64> length);

// The chapters in what `ffmpeg -i` prints of an input ("Chapter #0:1: start 1.000000, end 2.5" and the
// title in its metadata under it).
[[nodiscard]] Chapters chaptersInSummary(QStringView summary);

// A transcript a feed links to an episode, in a form a player reads beside the file (SRT, WebVTT) or
// one that can be made into WebVTT (Podcasting 2.0 JSON).
struct TranscriptLink
{
    enum class Kind { srt, vtt, json };
    QUrl url;
    Kind kind = Kind::srt;

    bool operator==(const TranscriptLink &) const = default;
};

// The kind a transcript's media type names; nothing for one Tovel does not save (HTML, plain text).
[[nodiscard]] std::optional<TranscriptLink::Kind> transcriptKind(QStringView mediaType);

// A Podcasting 2.0 JSON transcript ({"segments":[{"startTime":1.5,"endTime":3,"body":"…","speaker":"…"}]})
// as WebVTT, one cue a timed segment; nothing when it is no such document or none of its segments is timed.
[[nodiscard]] std::optional<QByteArray> webVttOfJsonTranscript(const QByteArray &document);

} // namespace tovel

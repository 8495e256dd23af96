#pragma once

#include "core/error.h"
#include "core/media.h"
#include "pipeline/conversion.h"
#include "pipeline/job_context.h"

#include <QCoroTask>
#include <QString>

#include <memory>
#include <optional>

// The steps of one job, in the order `runJob` takes them: obtain the input (fetch it, have the web
// engine bring it, or check a local file can be read), probe it, convert it into a hidden file, check
// what came out, place it under its name, and record it. Each takes what it needs and gives back what
// the next one needs; a step that fails says why in a sentence for the card.

namespace tovel {

class Fetcher;
class JobControl;

// How far a download's completeness is known, as far as the media in it can tell more.
enum class Download {
    none,        // not a download (a local file, or what the web engine brought)
    whole,       // its length was announced and met, or its publisher's digest matched
    unproven,    // it just stopped, with no length said: may be fetched again when it proves short
    lastUnproven // the same, with no try left
};

// The file a job converts.
struct JobInput
{
    QString path;
    bool ours = true; // a temporary file of ours, removed once converted
    Download download = Download::none;
    QString workingFolder; // a folder of ours around it, removed with it; empty when none
};

// What lasts across the tries of one job's download: the partial file, the validator and the count of
// tries, so a download found cut short after it ended is fetched again within the same four tries.
struct Obtaining
{
    Obtaining();
    ~Obtaining();
    Obtaining(const Obtaining &) = delete;
    Obtaining &operator=(const Obtaining &) = delete;

    std::unique_ptr<Fetcher> fetcher; // made at the first try
    int tries = 0;
};

// Step 1. The item's file: a local file where it is (through a link of ours when its name is not
// UTF-8), a remote one fetched with retries, or what the web engine brings. Fails with the card's
// sentence, or with `cancelledError()`.
QCoro::Task<Result<JobInput>> obtainInput(Obtaining &obtaining, const MediaItem &item, AudioFormat format,
                                          const JobContext &context, JobControl &control);

// Removes a temporary input and its working folder; the user's own file stays.
void releaseInput(const JobInput &input);

// What the input holds, as far as it decides the conversion.
struct Inspection
{
    std::optional<MediaProbe> probe;   // ffmpeg's summary; none when it could not be asked
    std::optional<MediaProbe> ownTags; // the tags the file carries itself, however they were read
    std::optional<double> declared;    // the length the input declares in its own header
};

// Step 2. Asks the input what it holds: its own tags must win over what the source knows, and MP4 takes
// its audio differently from a video's.
QCoro::Task<Inspection> inspectInput(const JobInput &input, const MediaItem &item, AudioFormat format,
                                     const JobContext &context, JobControl &control);

// A complete output under its hidden name, and the length of media it holds as read from it.
struct StagedOutput
{
    QString path;
    // The length of the source it stands for: what the file holds, with the silences cut out of it.
    std::optional<double> written;
    double shortenedBy = 0; // seconds of silence cut out
    QString warning = {};   // what the saved file lacks that the source offered ("Saved without chapters: …")
};

// Step 3. Converts the input into a hidden file beside its destination (or moves it there, when it
// already is the file wanted). Encoding waits for a conversion slot; a stream copy goes straight on. What
// `sound` asks for is measured first, in the same slot, and the file is then always encoded.
// The staged file is the caller's; on failure nothing is left. Fails with the card's sentence, or with
// `cancelledError()`.
QCoro::Task<Result<StagedOutput>> convertInput(const JobInput &input, const Inspection &inspection,
                                               const MediaItem &item, AudioFormat format, AudioQuality quality,
                                               SoundOptions sound, const JobContext &context, JobControl &control);

// What the check of a complete output found.
struct LengthCheck
{
    enum class Verdict {
        whole,    // as long as its source says
        short_,   // shorter, and the source is to blame: saved, with `sentence` as its warning
        cutShort, // shorter, and the download may have been cut without a word: fetch it again
        failed    // shorter after the last try: `sentence` says why
    };
    Verdict verdict = Verdict::whole;
    QString sentence;
};

// Step 4. A file shorter than its own header says is a download of unknown length that was cut without
// a word (fetched again while tries are left), or a source that is itself short (saved with a warning).
[[nodiscard]] LengthCheck checkLength(const Inspection &inspection, const StagedOutput &staged, Download download);

// Step 5 is `placeOutput` (core/output_naming.h): the hidden file takes the first free name.

// Step 6. The output is complete: the job is done, with its warning, and the history notes it.
void recordSaved(const QString &output, const StagedOutput &staged, const QString &warning, const MediaItem &item,
                 AudioFormat format, AudioQuality quality, const SoundOptions &sound, const JobContext &context,
                 JobControl &control);

} // namespace tovel

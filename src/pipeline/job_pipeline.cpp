#include "pipeline/job_pipeline.h"

#include "core/http.h"
#include "core/output_naming.h"
#include "pipeline/feed_extras.h"
#include "pipeline/job_control.h"
#include "pipeline/job_steps.h"

#include <QCoreApplication>
#include <QFile>

namespace tovel {

namespace {

// Ends a job whose output was written but must not be saved: its hidden file goes.
void discardStaged(const StagedOutput &staged, const JobControl &control, const QString &why)
{
    QFile::remove(staged.path);
    if (Job *job = control.job())
        job->setPartialOutput(QString());
    if (!why.isEmpty())
        control.fail(why);
}

} // namespace

QCoro::Task<void> runJob(std::shared_ptr<JobControl> control, JobContext context)
{
    Job *job = control->job();
    if (!job)
        co_return;
    const MediaItem item = job->item();
    const AudioFormat format = job->format();
    const AudioQuality quality = job->quality();
    const SoundOptions sound = job->sound();
    Obtaining obtaining;
    // A download found cut short only once converted goes round again, within the same four tries.
    for (;;) {
        const Result<JobInput> input = co_await obtainInput(obtaining, item, format, context, *control);
        if (!input) {
            if (!isCancelledError(input.error()))
                control->fail(input.error().description());
            co_return;
        }
        if (control->cancelled()) {
            releaseInput(*input);
            co_return;
        }
        const Inspection inspection = co_await inspectInput(*input, item, format, context, *control);
        const Result<StagedOutput> staged
            = co_await convertInput(*input, inspection, item, format, quality, sound, context, *control);
        releaseInput(*input);
        if (!staged) {
            if (!isCancelledError(staged.error()))
                control->fail(staged.error().description());
            co_return;
        }
        const LengthCheck check = checkLength(inspection, *staged, input->download);
        if (check.verdict == LengthCheck::Verdict::cutShort) {
            discardStaged(*staged, *control, QString());
            control->setPhase(JobPhase::retrying(obtaining.tries + 1));
            continue;
        }
        if (check.verdict == LengthCheck::Verdict::failed) {
            discardStaged(*staged, *control, check.sentence);
            co_return;
        }
        // The transcript is fetched before the file takes its name: once named, the file is saved.
        const FetchedTranscript transcript = co_await fetchTranscript(item, context, *control);
        if (control->cancelled()) {
            discardStaged(*staged, *control, QString());
            co_return;
        }
        const QString title = control->job() ? control->job()->title() : item.title;
        const Result<QString> placed = placeOutput(staged->path, title, format, context.destination, item.defaultTitle);
        if (!placed) {
            discardStaged(*staged, *control,
                          QCoreApplication::translate("Tovel", "Conversion failed. Could not save into %1: %2")
                              .arg(context.destination, placed.error().description()));
            co_return;
        }
        const QString shortfall = check.verdict == LengthCheck::Verdict::short_ ? check.sentence : QString();
        recordSaved(*placed, *staged, joinSentences({shortfall, staged->warning, placeTranscript(transcript, *placed)}),
                    item, format, quality, sound, context, *control);
        co_return;
    }
}

} // namespace tovel

#include "ui/gathering.h"

#include "core/url_text.h"
#include "engine/manifest.h"
#include "engine/web_engine.h"
#include "pipeline/history.h"
#include "pipeline/input_list.h"
#include "pipeline/job_runner.h"
#include "pipeline/show_update.h"
#include "pipeline/source_kind.h"
#include "pipeline/tally.h"
#include "platform/defaults.h"
#include "platform/paths.h"
#include "sources/remote_sources.h"
#include "ui/job_list_model.h"

#include <QCoroFuture>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent>

namespace tovel {

namespace {
constexpr int batchLimit = 100;
constexpr int newest[] = {1, 5, 10, 25};

} // namespace

Gathering::Gathering(QObject *parent)
    : QObject(parent), m_history(std::make_shared<History>()),
      m_runner(std::make_unique<JobRunner>(
          JobRunner::Setup{.destination = paths::downloads(),
                           .history = m_history,
                           .engine = &WebEngine::shared(),
                           .userAgent = [] { return ManifestStore::shared().manifest().userAgent; }})),
      m_jobs(new JobListModel(m_runner.get(), this)), m_homeProblem(paths::homeProblem().value_or(QString()))
{
    connect(m_runner.get(), &JobRunner::lastErrorChanged, this, &Gathering::lastErrorChanged);
    connect(m_runner.get(), &JobRunner::jobAdded, this, [this](Job *job) {
        collectNotices();
        m_batch.append(job);
        connect(job, &Job::phaseChanged, this, &Gathering::recount);
        recount();
    });
    connect(m_runner.get(), &JobRunner::activeTasksChanged, this, &Gathering::checkStopped);
    connect(m_runner.get(), &JobRunner::noticed, this, &Gathering::collectNotices);
}

// The model and our own listeners go before the runner, which cancels its jobs as it goes.
Gathering::~Gathering()
{
    delete m_jobs;
    m_jobs = nullptr;
    m_runner->disconnect(this);
    for (Job *job : m_runner->jobs())
        job->disconnect(this);
    m_runner.reset();
}

bool Gathering::isFeed(const QString &input) const
{
    return !isList(input) && PodcastSource::accepts(input);
}

bool Gathering::checkShows()
{
    if (m_checkingShows || !m_homeProblem.isEmpty())
        return false;
    checkShowsTask();
    return true;
}

QCoro::Task<void> Gathering::checkShowsTask()
{
    QPointer<Gathering> self(this);
    m_checkingShows = true;
    emit checkingShowsChanged();
    if (m_showChecks->isCancelled())
        m_showChecks = std::make_shared<Cancellation>();
    ShowUpdate *update = m_showUpdates.emplace_back(std::make_unique<ShowUpdate>(*m_runner, m_history)).get();
    connect(update, &ShowUpdate::showChanged, this, &Gathering::showsChanged);
    ResolveContext reading;
    reading.userAgent = ManifestStore::shared().manifest().userAgent;
    reading.cancellation = m_showChecks;
    co_await update->start(reading);
    if (!self)
        co_return;
    if (update->skipped()) {
        m_historyNotice += update->problems();
        emit historyNoticeChanged();
    }
    m_checkingShows = false;
    emit checkingShowsChanged();
    emit showsChanged();
}

QString Gathering::lastError() const
{
    return m_homeProblem.isEmpty() ? m_runner->lastErrorText() : m_homeProblem;
}

QStringList Gathering::formats() const
{
    QStringList labels;
    for (AudioFormat format : allAudioFormats)
        labels << label(format);
    return labels;
}

QStringList Gathering::itemCounts() const
{
    QStringList labels{tr("All")};
    for (int count : newest)
        labels << tr("Newest %1").arg(count);
    return labels;
}

void Gathering::setDraft(const QString &draft)
{
    if (draft == m_draft)
        return;
    m_draft = draft;
    // What went wrong was about the text before; the user is writing something else now.
    if (m_runner)
        m_runner->clearLastError();
    emit draftChanged();
}

// The choices are stored by their raw values ("mp3", "320 kbps") and the number of items, so a list
// that changes order or grows keeps what the user chose.
namespace {
const QString formatKey = QStringLiteral("gatherFormat");
const QString qualityKey = QStringLiteral("gatherQuality");
const QString itemsKey = QStringLiteral("gatherItems");
const QString soundKey = QStringLiteral("gatherSound");

template <typename T, size_t N> int indexOf(const T (&all)[N], const std::optional<T> &value)
{
    const auto found = value ? std::find(std::begin(all), std::end(all), *value) : std::end(all);
    return found == std::end(all) ? 0 : int(found - std::begin(all));
}
} // namespace

int Gathering::format() const
{
    const std::optional<QString> raw = Defaults::text(formatKey);
    return indexOf(allAudioFormats, raw ? audioFormatFromRaw(*raw) : std::nullopt);
}

void Gathering::setFormat(int index)
{
    storeChoice(formatKey, index != format(), rawValue(formatAt(index)));
}

int Gathering::quality() const
{
    const std::optional<QString> raw = Defaults::text(qualityKey);
    return indexOf(allAudioQualities, raw ? audioQualityFromRaw(*raw) : std::nullopt);
}

void Gathering::setQuality(int index)
{
    storeChoice(qualityKey, index != quality(), rawValue(qualityAt(index)));
}

int Gathering::items() const
{
    const int stored = Defaults::text(itemsKey).value_or(QString()).toInt();
    const auto found = std::find(std::begin(newest), std::end(newest), stored);
    return found == std::end(newest) ? 0 : int(found - std::begin(newest)) + 1;
}

void Gathering::setItems(int index)
{
    storeChoice(itemsKey, index != items(),
                QString::number(index <= 0 || index > int(std::size(newest)) ? 0 : newest[index - 1]));
}

AudioFormat Gathering::formatAt(int index)
{
    return allAudioFormats[std::clamp<qsizetype>(index, 0, std::size(allAudioFormats) - 1)];
}

AudioQuality Gathering::qualityAt(int index)
{
    return allAudioQualities[std::clamp<qsizetype>(index, 0, std::size(allAudioQualities) - 1)];
}

SoundOptions Gathering::soundAt(int index)
{
    SoundOptions sound;
    if (index == 1 || index == 3)
        sound.loudness = defaultLoudness;
    sound.shorterSilences = index == 2 || index == 3;
    return sound;
}

QStringList Gathering::sounds() const
{
    return {tr("As recorded"), tr("Even loudness"), tr("Shorter silences"),
            tr("Even and shorter", "even loudness and shorter silences")};
}

int Gathering::sound() const
{
    const SoundOptions stored = soundOptionsFromRaw(Defaults::text(soundKey).value_or(QString()));
    return (stored.loudness ? 1 : 0) + (stored.shorterSilences ? 2 : 0);
}

void Gathering::setSound(int index)
{
    storeChoice(soundKey, index != sound(), rawValue(soundAt(index)));
}

void Gathering::storeChoice(const QString &key, bool changed, const QString &raw)
{
    if (!changed)
        return;
    Defaults::set(key, raw);
    emit choicesChanged();
}

int Gathering::itemLimit(int index)
{
    return index >= 1 && index <= int(std::size(newest)) ? newest[index - 1] : batchLimit;
}

QStringList Gathering::qualities() const
{
    QStringList labels;
    for (AudioQuality quality : allAudioQualities)
        labels << qualityLabel(quality);
    return labels;
}

QString Gathering::sourceKind(const QString &input) const
{
    return sourceKindWord(input, WebEngine::shared().enabled());
}

void Gathering::describeInput(const QString &input)
{
    findKind(input);
}

QCoro::Task<void> Gathering::findKind(QString input)
{
    // A pool of its own, so a lookup that hangs holds up no other work.
    static QThreadPool *lookups = [] {
        auto *pool = new QThreadPool;
        pool->setMaxThreadCount(1);
        return pool;
    }();
    QPointer<Gathering> self(this);
    const bool engineOn = WebEngine::shared().enabled();
    const QString kind = co_await QtConcurrent::run(lookups, sourceKindWord, input, engineOn);
    if (self)
        emit inputKindFound(input, kind);
}

bool Gathering::canGather(const QString &input) const
{
    return !trimSpacesAndTabs(input).isEmpty();
}

bool Gathering::isList(const QString &input) const
{
    return looksLikeList(input);
}

bool Gathering::takesQuality(int format) const
{
    return usesQuality(formatAt(format));
}

QString Gathering::formatFact(int format) const
{
    return label(formatAt(format));
}

QString Gathering::qualityFact(int format, int quality) const
{
    return tovel::qualityFact(formatAt(format), qualityAt(quality));
}

QString Gathering::droppedText(const QList<QUrl> &urls, const QString &text) const
{
    if (!urls.isEmpty()) {
        const QUrl &first = urls.constFirst();
        if (!first.isValid() || first.isEmpty())
            return {};
        return first.isLocalFile() ? first.toLocalFile() : first.toString(QUrl::FullyEncoded);
    }
    return text;
}

bool Gathering::gather(const QString &input, int format, int quality, int items, int sound)
{
    return start(input, formatAt(format), qualityAt(quality), itemLimit(items), soundAt(sound), {});
}

bool Gathering::gatherPicked(const QString &input, int format, int quality, int sound, const QString &picked)
{
    const Result<Selection> selection = parseSelection(picked, {}, {});
    if (!selection || !selection->any())
        return false;
    return start(input, formatAt(format), qualityAt(quality), batchLimit, soundAt(sound), *selection);
}

bool Gathering::start(const QString &input, AudioFormat format, AudioQuality quality, int limit, SoundOptions sound,
                      Selection selection)
{
    const QString text = trimWhitespace(input);
    // With no usable home nothing is gathered; the sentence under the field says why.
    if (text.isEmpty() || !m_homeProblem.isEmpty())
        return false;
    if (!m_historyNotice.isEmpty()) {
        m_historyNotice.clear();
        emit historyNoticeChanged();
    }
    // Not awaited: the jobs report through the runner as they go.
    m_runner->run(text, format, quality, limit, false, sound, 0, std::move(selection));
    return true;
}

QStringList Gathering::filesInProgress() const
{
    QStringList files;
    for (const Job *job : m_runner->jobs())
        if (!job->partialOutput().isEmpty())
            files << job->partialOutput();
    return files;
}

bool Gathering::busy() const
{
    return m_runner->activeTasks() > 0;
}

void Gathering::cancel(QObject *job)
{
    m_runner->cancel(qobject_cast<Job *>(job));
}

void Gathering::gatherAgain(QObject *job)
{
    auto *target = qobject_cast<Job *>(job);
    if (!target || !target->alreadySaved())
        return;
    if (!m_batch.contains(target))
        m_batch.append(target);
    m_runner->gatherAgain(target);
    recount();
}

void Gathering::stopAll()
{
    m_stopping = true;
    m_showChecks->cancel();
    m_runner->cancelAll();
    // Let the cancels reach every task before looking.
    QTimer::singleShot(0, this, &Gathering::checkStopped);
}

void Gathering::recount()
{
    const int count = tally(m_runner->jobs()).unfinished;
    if (count == m_unfinished)
        return;
    m_unfinished = count;
    emit unfinishedChanged();
}

QString Gathering::batchSummary(const QList<Job *> &jobs)
{
    const Tally counts = tally(jobs);
    QStringList parts{tr("%1 saved").arg(counts.saved)};
    if (counts.alreadySaved)
        parts << tr("%1 already saved").arg(counts.alreadySaved);
    if (counts.failed)
        parts << tr("%1 failed").arg(counts.failed);
    if (counts.stopped)
        parts << tr("%1 stopped").arg(counts.stopped);
    return parts.join(QStringLiteral(" \u00b7 "));
}

void Gathering::collectNotices()
{
    const QStringList notices = m_runner->takeNotices() + m_history->takeNotices();
    if (notices.isEmpty())
        return;
    m_historyNotice += notices;
    emit historyNoticeChanged();
}

void Gathering::checkStopped()
{
    // A batch stopped on purpose (as quitting does) is not announced.
    if (m_runner->activeTasks() == 0 && m_stopping)
        m_batch.clear();
    if (m_runner->activeTasks() == 0 && !m_batch.isEmpty()) {
        QList<Job *> ended;
        for (const QPointer<Job> &job : std::as_const(m_batch))
            if (job)
                ended << job;
        m_batch.clear();
        collectNotices();
        const QString summary = batchSummary(ended);
        QTimer::singleShot(0, this, [this, summary] { emit batchEnded(summary); });
    }
    if (m_stopping && m_runner->activeTasks() == 0) {
        m_stopping = false;
        // Never from inside the runner's own emission: whoever listens may close the window.
        QTimer::singleShot(0, this, &Gathering::stopped);
    }
}

} // namespace tovel

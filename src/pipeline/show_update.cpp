#include "pipeline/show_update.h"

#include "core/limiter.h"
#include "core/url_text.h"
#include "engine/manifest.h"
#include "pipeline/history.h"
#include "pipeline/job.h"
#include "pipeline/job_runner.h"
#include "platform/leftovers.h"
#include "platform/paths.h"
#include "sources/feed_parser.h"
#include "sources/remote_sources.h"

#include <QCoreApplication>
#include <QCoroFuture>
#include <QtConcurrent>

#include <vector>

namespace tovel {

namespace {

constexpr int maxRedirects = 10;
// As many new episodes of one show as one gathering takes.
constexpr qsizetype newEpisodesPerCheck = 100;

QString stored(const QUrl &address)
{
    return QString::fromLatin1(address.toEncoded());
}

// How a show knows an episode: by its guid alone, without the show's title that the identity of a saved
// file carries, so that a show renamed (or one without a title, moved) keeps knowing its episodes; an
// episode without a guid by its identity (its address).
QString episodeKey(const QString &identity)
{
    const qsizetype cut = identity.indexOf(u'\u001f');
    return identity.startsWith(QLatin1String("guid ")) && cut > 0 ? QStringLiteral("guid ") + identity.mid(cut + 1)
                                                                  : identity;
}

// A show's title as it is kept and shown: on one line, without control or direction-changing characters
// a feed could use to forge lines or reorder text on a terminal.
QString showTitle(const QString &title)
{
    QString tidy;
    for (const QChar c : title)
        if (c.category() != QChar::Other_Control && c.category() != QChar::Other_Format)
            tidy += c;
        else if (c == u'\n' || c == u'\t' || c == u'\r')
            tidy += u' ';
    return tidy.simplified();
}

// Whether a feed may be read at `to` from now on: an https feed never moves to plain http.
bool safeMove(const QUrl &from, const QUrl &to)
{
    return !(from.scheme() == QLatin1String("https") && to.scheme() != QLatin1String("https"));
}

struct ReadFeed
{
    MediaItems items;
    FeedFacts facts;
};

// Off the GUI thread: a feed can be large.
QCoro::Task<ReadFeed> readFeed(QByteArray body, QUrl address)
{
    // Named, not a temporary in the co_await: g++ 12 destroys such temporaries twice.
    QFuture<ReadFeed> reading = QtConcurrent::run([body, address] {
        ReadFeed read;
        read.items = parseFeed(body, address, nullptr, &read.facts);
        return read;
    });
    co_return co_await reading;
}

} // namespace

QCoro::Task<Result<FeedCheck>> checkFeed(QUrl address, QByteArray etag, QByteArray lastModified, ResolveContext context)
{
    HttpOptions options;
    options.userAgent = context.userAgent.value_or(EngineManifest::builtIn().userAgent);
    options.cancellation = context.cancellation;
    options.followRedirects = false;
    if (!etag.isEmpty())
        options.headers.append({"If-None-Match", etag});
    if (!lastModified.isEmpty())
        options.headers.append({"If-Modified-Since", lastModified});
    bool permanent = true;
    QUrl at = address;
    for (int hop = 0; hop <= maxRedirects; ++hop) {
        const Result<HttpResponse> response = co_await PodcastSource::fetch(at, options, context);
        if (!response)
            co_return fail(response.error());
        const int status = response->status;
        if (status == 301 || status == 302 || status == 303 || status == 307 || status == 308) {
            const QUrl next = at.resolved(QUrl(QString::fromLatin1(response->header("Location"))));
            const bool safe = next.isValid() && !next.host().isEmpty()
                && (next.scheme() == QLatin1String("https")
                    || (next.scheme() == QLatin1String("http") && at.scheme() == QLatin1String("http")));
            if (!safe)
                co_return fail(
                    Error::network(QCoreApplication::translate(
                                       "Tovel", "The feed address sent Tovel on to %1, which it does not follow.")
                                       .arg(next.toDisplayString())));
            permanent = permanent && (status == 301 || status == 308);
            at = next;
            continue;
        }
        FeedCheck check;
        check.address = at;
        if (permanent && at != address)
            check.movedTo = at;
        if (status == 304) {
            check.unchanged = true;
            // A 304 may bring fresher validators; else the old ones still describe the copy.
            check.etag = response->header("ETag").isEmpty() ? etag : response->header("ETag");
            check.lastModified = lastModified;
            co_return check;
        }
        if (status < 200 || status >= 300)
            co_return fail(Error::network(QCoreApplication::translate("Tovel", "The feed address answered %1.")
                                              .arg(statusText(status, response->reason))));
        check.body = response->body;
        check.etag = response->header("ETag");
        check.lastModified = response->header("Last-Modified");
        co_return check;
    }
    co_return fail(Error::network(
        QCoreApplication::translate("Tovel", "The feed address sent Tovel on through too many redirects.")));
}

QCoro::Task<Result<Show>> followShow(std::shared_ptr<History> history, QString address, AudioFormat format,
                                     AudioQuality quality, SoundOptions sound, ResolveContext context)
{
    const auto url = parseUrl(trimWhitespace(address));
    if (!url || !url->isHttp())
        co_return fail(Error::unsupported(
            QCoreApplication::translate("Tovel", "Only a podcast feed's web address can be followed.")));
    Shows shows(history);
    if (const auto followed = shows.find(stored(url->url)))
        co_return fail(
            Error::plain(QCoreApplication::translate("Tovel", "You already follow %1.").arg(followed->name())));
    const QByteArray none;
    const Result<FeedCheck> check = co_await checkFeed(url->url, none, none, context);
    if (!check)
        co_return fail(check.error());
    const ReadFeed read = co_await readFeed(check->body, check->address);
    if (read.items.isEmpty())
        co_return fail(Error::parse(QCoreApplication::translate("Tovel", "No audio enclosures in that feed.")));
    Show show;
    const QUrl moved = check->movedTo.value_or(url->url);
    const QUrl announced = read.facts.newAddress.value_or(moved);
    show.address = stored(safeMove(moved, announced) ? announced : moved);
    show.title = showTitle(read.facts.title);
    show.format = format;
    show.quality = quality;
    show.sound = sound;
    show.etag = check->etag;
    show.lastModified = check->lastModified;
    QStringList episodes;
    for (const MediaItem &item : read.items)
        episodes.append(episodeKey(item.identity));
    co_return shows.follow(show, episodes);
}

ShowUpdate::ShowUpdate(JobRunner &runner, std::shared_ptr<History> history, QObject *parent)
    : QObject(parent), m_runner(&runner), m_history(std::move(history))
{}

QString ShowUpdate::lockPath()
{
    return paths::applicationSupport() + QStringLiteral("/update.lock");
}

QCoro::Task<void> ShowUpdate::start(ResolveContext context)
{
    const std::optional<QList<Show>> shows = Shows(m_history).list();
    if (!shows) {
        m_unusable = true;
        co_return;
    }
    // Held by a running Tovel only: one that died leaves a lock the next one takes over, and one left by
    // another computer sharing this home is taken over once it is half a day old.
    m_lock = std::make_unique<QLockFile>(lockPath());
    m_lock->setStaleLockTime(12 * 60 * 60 * 1000);
    if (!m_lock->tryLock(0)) {
        m_lock.reset();
        m_skipped = true;
        m_problems.append(QCoreApplication::translate(
            "Tovel", "Another Tovel is checking the followed shows now; this check was left to it."));
        co_return;
    }
    m_checking = true;
    m_showCount = int(shows->size());
    for (const Show &show : *shows)
        if (!show.title.isEmpty())
            ++m_titles[show.title];
    // Every check runs at once, within its host's line; each is awaited in turn.
    std::vector<QCoro::Task<void>> checks;
    for (const Show &show : *shows)
        checks.push_back(check(show, context));
    for (const QCoro::Task<void> &task : checks)
        co_await task;
    m_checking = false;
    releaseWhenDone();
}

void ShowUpdate::releaseWhenDone()
{
    if (!m_checking && m_running.isEmpty())
        m_lock.reset();
}

QCoro::Task<void> ShowUpdate::check(Show show, ResolveContext context)
{
    QPointer<ShowUpdate> self(this);
    const QUrl address(show.address);
    const std::function<bool()> wanted = [] { return true; };
    std::optional<Limiter::Permit> permit
        = co_await m_runner->lines().downloads(address.host()).acquire(0, this, wanted);
    if (!self || !m_runner || (context.cancellation && context.cancellation->isCancelled()))
        co_return;
    // Episodes found last time but not saved are looked for again in the whole feed, changed or not.
    // Named, not temporaries in the co_await: g++ 12 destroys such temporaries twice.
    const bool whole = show.owed > 0;
    const QByteArray etag = whole ? QByteArray() : show.etag;
    const QByteArray lastModified = whole ? QByteArray() : show.lastModified;
    const Result<FeedCheck> answer = co_await checkFeed(address, etag, lastModified, context);
    permit.reset();
    if (!self || !m_runner || (!answer && isCancelledError(answer.error())))
        co_return;
    Shows shows(m_history);
    const QString keptTitle = show.title;
    show.checkedAt = QDateTime::currentDateTime();
    show.arrived = 0;
    show.problem.clear();
    const QString name = show.name();
    if (!answer) {
        show.problem = answer.error().description();
    } else if (answer->unchanged) {
        ++m_unchanged;
        show.etag = answer->etag;
    } else {
        show.etag = answer->etag;
        show.lastModified = answer->lastModified;
        const ReadFeed read = co_await readFeed(answer->body, answer->address);
        if (!self || !m_runner)
            co_return;
        // The feed moved for good, by redirect or by its own word: it is read there from now on, unless
        // another followed show is read there already.
        const auto moved = read.facts.newAddress && safeMove(answer->address, *read.facts.newAddress)
            ? read.facts.newAddress
            : answer->movedTo;
        if (moved) {
            const auto other = shows.find(stored(*moved));
            if (!other || other->id == show.id)
                show.address = stored(*moved);
        }
        if (const QString title = showTitle(read.facts.title); !title.isEmpty())
            show.title = title;
        if (read.items.isEmpty())
            show.problem = QCoreApplication::translate("Tovel", "No audio enclosures in that feed.");
        const QSet<QString> known = shows.episodes(show.id);
        MediaItems fresh;
        for (const MediaItem &item : read.items)
            if (!known.contains(episodeKey(item.identity)) && fresh.size() < newEpisodesPerCheck)
                fresh.append(item);
        show.owed = int(fresh.size());
        shows.noteCheck(show);
        // A saved file is known by its show's title and the episode's guid: where another followed show
        // has this title too, a file saved from it proves nothing of this one's episode.
        const bool sharedTitle
            = !show.title.isEmpty() && m_titles.value(show.title) - (show.title == keptTitle ? 1 : 0) > 0;
        for (Job *job : m_runner->startItems(fresh, show.format, show.quality, show.sound, sharedTitle))
            watch(job, show);
        emit showChanged();
        co_return;
    }
    if (!show.problem.isEmpty())
        m_problems.append(name + QStringLiteral(": ") + show.problem);
    shows.noteCheck(show);
    emit showChanged();
}

void ShowUpdate::watch(Job *job, const Show &show)
{
    const qint64 id = show.id;
    const QString title = show.name();
    const QString identity = episodeKey(job->item().identity);
    const auto ended = [this, job, id, title, identity] {
        if (job->isFinished()) {
            m_running.remove(job);
            releaseWhenDone();
        }
        // A failed or stopped episode stays owed, and is looked for again next time.
        if (job->phase().kind() != JobPhase::Kind::done || m_noted.contains(job))
            return;
        m_noted.insert(job);
        const bool arrived = !job->alreadySaved();
        Shows(m_history).noteEpisode(id, identity, arrived);
        if (arrived) {
            ++m_arrived;
            m_arrivedFrom.insert(id, title);
        }
        emit showChanged();
    };
    if (!job->isFinished())
        m_running.insert(job);
    ended();
    connect(job, &Job::phaseChanged, this, ended);
    // A job let go unfinished (its runner gone) holds nothing any more.
    connect(job, &QObject::destroyed, this, [this, job] {
        m_running.remove(job);
        m_noted.remove(job);
        releaseWhenDone();
    });
}

QString ShowUpdate::arrivalText() const
{
    if (m_arrived == 0)
        return {};
    if (m_arrivedFrom.size() > 1)
        return QCoreApplication::translate("Tovel", "%1 new episodes from %2 shows")
            .arg(m_arrived)
            .arg(m_arrivedFrom.size());
    const QString title = m_arrivedFrom.cbegin().value();
    return m_arrived == 1
        ? QCoreApplication::translate("Tovel", "1 new episode from %1").arg(title)
        : QCoreApplication::translate("Tovel", "%1 new episodes from %2").arg(QString::number(m_arrived), title);
}

QList<Job *> JobRunner::startItems(const MediaItems &items, AudioFormat format, AudioQuality quality,
                                   SoundOptions sound, bool again)
{
    if (items.isEmpty())
        return {};
    const JobContext context = makeContext();
    if (!context.ffmpeg) {
        setLastError(QCoreApplication::translate("Tovel", "ffmpeg is not installed. Tovel needs it to convert audio."));
        return {};
    }
    paths::removeLeftoversOnce({paths::temporary(), m_setup.destination});
    QList<Job *> started;
    for (const MediaItem &item : items) {
        startJob(item, {format, quality, sound, 0}, again, context);
        started.append(m_jobs.constFirst());
    }
    // Every item may have been saved before: then no task starts, and none will end to say so.
    if (m_activeTasks == 0)
        emit activeTasksChanged();
    return started;
}

} // namespace tovel

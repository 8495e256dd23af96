#include "ui/following.h"

#include "core/url_text.h"
#include "engine/manifest.h"
#include "pipeline/history.h"
#include "pipeline/input_list.h"
#include "pipeline/show_update.h"
#include "platform/schedule.h"
#include "ui/engine_report.h"
#include "ui/gathering.h"

#include <QLocale>
#include <QPointer>
#include <QSaveFile>

namespace tovel {

namespace {

// "today at 14:03", "yesterday at 09:12", else the date and time as the user's language writes them.
QString whenText(const QDateTime &time, const QDateTime &now)
{
    const QLocale locale;
    // Minutes are enough here, whatever the language's short format holds.
    QString format = locale.timeFormat(QLocale::ShortFormat);
    format.remove(QLatin1String(":ss"));
    const QString clock = locale.toString(time.time(), format);
    const qint64 days = time.date().daysTo(now.date());
    if (days == 0)
        return Following::tr("today at %1").arg(clock);
    if (days == 1)
        return Following::tr("yesterday at %1").arg(clock);
    return locale.toString(time, QLocale::ShortFormat);
}

// The address a typed feed is stored under.
QString storedAddress(const QString &input)
{
    const auto url = parseUrl(trimWhitespace(input));
    return url ? QString::fromLatin1(url->url.toEncoded()) : input.trimmed();
}

} // namespace

Following::Following(QObject *parent) : QAbstractListModel(parent), m_history(std::make_shared<History>())
{
    reload();
}

Following::~Following() = default;

int Following::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_shows.size());
}

QVariant Following::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_shows.size())
        return {};
    const Show &show = m_shows.at(index.row());
    switch (role) {
    case TitleRole: return show.name();
    case AddressRole: return show.shownAddress();
    case FactsRole: return label(show.format) + QStringLiteral(" \u00b7 ") + qualityFact(show.format, show.quality);
    case StatusRole: return statusText(show, QDateTime::currentDateTime());
    case FailedRole: return !show.problem.isEmpty();
    default: return {};
    }
}

QHash<int, QByteArray> Following::roleNames() const
{
    return {{TitleRole, "title"},
            {AddressRole, "address"},
            {FactsRole, "facts"},
            {StatusRole, "status"},
            {FailedRole, "failed"}};
}

QString Following::statusText(const Show &show, const QDateTime &now)
{
    if (!show.checkedAt.isValid())
        return tr("Followed %1 · not checked yet").arg(whenText(show.followedAt, now));
    const QString checked = tr("Checked %1").arg(whenText(show.checkedAt, now));
    if (!show.problem.isEmpty())
        return checked + QStringLiteral(" \u00b7 ") + show.problem;
    if (show.arrived > 0)
        return checked + QStringLiteral(" \u00b7 ")
            + (show.arrived == 1 ? tr("1 new episode") : tr("%1 new episodes").arg(show.arrived));
    return checked + QStringLiteral(" \u00b7 ") + tr("nothing new");
}

void Following::reload()
{
    const int before = int(m_shows.size());
    beginResetModel();
    m_shows = Shows(m_history).list().value_or(QList<Show>());
    endResetModel();
    // Trouble with the record (set aside, from a newer Tovel) is told where the window tells problems.
    if (const QStringList notices = m_history->takeNotices(); !notices.isEmpty())
        setProblem(notices.join(u'\n'));
    if (m_shows.size() != before)
        emit countChanged();
}

bool Following::isFollowed(const QString &input) const
{
    const QString address = storedAddress(input);
    return std::any_of(m_shows.cbegin(), m_shows.cend(), [&](const Show &show) { return show.address == address; });
}

void Following::setProblem(const QString &problem)
{
    if (problem == m_problem)
        return;
    m_problem = problem;
    emit problemChanged();
}

void Following::follow(const QString &input, int format, int quality, int sound)
{
    if (m_busy || isFollowed(input))
        return;
    followTask({input}, format, quality, sound, false);
}

void Following::importFrom(const QUrl &file, int format, int quality, int sound)
{
    if (m_busy)
        return;
    setNotice({});
    const Result<QStringList> listed = inputsInFile(file.toLocalFile());
    if (!listed) {
        setProblem(listed.error().description());
        return;
    }
    QStringList fresh;
    for (const QString &input : *listed)
        if (!isFollowed(input))
            fresh.append(input);
    if (fresh.isEmpty()) {
        setProblem({});
        setNotice(tr("You follow every show that file lists already."));
        return;
    }
    followTask(fresh, format, quality, sound, true);
}

bool Following::exportTo(const QUrl &file)
{
    setNotice({});
    QSaveFile out(file.toLocalFile());
    if (!out.open(QIODevice::WriteOnly) || out.write(showsOpml(m_shows).toUtf8()) < 0 || !out.commit()) {
        setProblem(tr("The list of shows could not be written to %1: %2").arg(file.toLocalFile(), out.errorString()));
        return false;
    }
    setProblem({});
    setNotice(m_shows.size() == 1
                  ? tr("1 show written to %1.").arg(file.toLocalFile())
                  : tr("%1 shows written to %2.").arg(QString::number(m_shows.size()), file.toLocalFile()));
    return true;
}

QString Following::fileDialogProblem() const
{
    return tovel::fileDialogProblem(qmlEngine(this));
}

void Following::setNotice(const QString &notice)
{
    if (notice == m_notice)
        return;
    m_notice = notice;
    emit noticeChanged();
}

QCoro::Task<void> Following::followTask(QStringList inputs, int format, int quality, int sound, bool importing)
{
    QPointer<Following> self(this);
    m_busy = true;
    emit busyChanged();
    setProblem({});
    ResolveContext reading;
    reading.userAgent = ManifestStore::shared().manifest().userAgent;
    const SoundOptions options = Gathering::soundAt(sound);
    QStringList failures;
    int followed = 0;
    for (const QString &input : std::as_const(inputs)) {
        const Result<Show> show = co_await followShow(m_history, input, Gathering::formatAt(format),
                                                      Gathering::qualityAt(quality), options, reading);
        if (!self)
            co_return;
        if (show)
            ++followed;
        else
            failures.append(!importing ? show.error().description()
                                       : withoutCredentials(input) + QStringLiteral(": ") + show.error().description());
    }
    m_busy = false;
    emit busyChanged();
    setProblem(failures.join(u'\n'));
    if (importing)
        setNotice(followed == 1 ? tr("Now following 1 more show.") : tr("Now following %1 more shows.").arg(followed));
    reload();
}

void Following::unfollow(const QString &address)
{
    const QString stored = storedAddress(address);
    for (const Show &show : std::as_const(m_shows)) {
        if (show.address != stored && show.shownAddress() != stored)
            continue;
        setProblem(Shows(m_history).unfollow(show.id) ? QString() : tr("%1 could not be unfollowed.").arg(show.name()));
        reload();
        return;
    }
}

void Following::refreshSchedule()
{
    scheduleTask(std::nullopt);
}

void Following::setSchedule(bool on)
{
    scheduleTask(on);
}

QCoro::Task<void> Following::scheduleTask(std::optional<bool> wanted)
{
    QPointer<Following> self(this);
    schedule::State state;
    if (wanted)
        state = co_await schedule::set(*wanted);
    else
        state = co_await schedule::state();
    if (!self)
        co_return;
    m_schedule = state.enabled;
    m_scheduleProblem = state.problem;
    emit scheduleChanged();
}

} // namespace tovel

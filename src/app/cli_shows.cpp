#include "app/cli_parts.h"

#include "core/url_text.h"
#include "engine/manifest.h"
#include "engine/tools.h"
#include "pipeline/history.h"
#include "pipeline/input_list.h"
#include "pipeline/job_runner.h"
#include "pipeline/show_update.h"
#include "pipeline/source_router.h"
#include "platform/schedule.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QJsonValue>
#include <QLocale>

namespace tovel::cli {

namespace {

QJsonValue timeValue(const QDateTime &time)
{
    return time.isValid() ? QJsonValue(time.toUTC().toString(Qt::ISODate)) : QJsonValue();
}

QString timeText(const QDateTime &time)
{
    return QLocale().toString(time, QLocale::ShortFormat);
}

// How a show's last check went, in a line.
QString checkText(const Show &show)
{
    if (!show.checkedAt.isValid())
        return QCoreApplication::translate("CommandLine", "Followed %1, not checked yet")
            .arg(timeText(show.followedAt));
    QString text = QCoreApplication::translate("CommandLine", "Checked %1").arg(timeText(show.checkedAt));
    if (!show.problem.isEmpty())
        return text + QStringLiteral(": ") + show.problem;
    text += show.arrived > 0 ? QCoreApplication::translate("CommandLine", ", %1 new").arg(show.arrived)
                             : QCoreApplication::translate("CommandLine", ", nothing new");
    if (show.arrivedAt.isValid())
        text += QCoreApplication::translate("CommandLine", " (last arrival %1)").arg(timeText(show.arrivedAt));
    return text;
}

// Tells the desktop, and waits a moment for it to take the message: the process ends right after.
void notifyDesktop(const QString &summary)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    const QString service = QStringLiteral("org.freedesktop.Notifications");
    QDBusMessage call = QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/Notifications"),
                                                       service, QStringLiteral("Notify"));
    call << QStringLiteral("Tovel") << uint(0) << QStringLiteral("app.tovel.Tovel") << summary << QString()
         << QStringList() << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("app.tovel.Tovel")}} << -1;
    bus.call(call, QDBus::Block, 5'000);
}

QCoro::Task<int> scheduleCommand(QString wanted)
{
    const QString word = wanted.trimmed().toLower();
    if (word != QLatin1String("on") && word != QLatin1String("off")) {
        err(QCoreApplication::translate("CommandLine", "--schedule takes on or off.\n"));
        co_return 2;
    }
    const schedule::State state = co_await schedule::set(word == QLatin1String("on"));
    if (!state.problem.isEmpty()) {
        err(state.problem + u'\n');
        co_return 1;
    }
    out(*state.enabled
            ? QCoreApplication::translate("CommandLine",
                                          "Followed shows are checked every 6 hours while you are logged in.\n")
            : QCoreApplication::translate("CommandLine", "Followed shows are no longer checked on a schedule.\n"));
    co_return 0;
}

} // namespace

QCoro::Task<int> followCommand(Request request)
{
    if (!homeUsable())
        co_return 2;
    const auto choices = choicesFrom(request);
    if (!choices)
        co_return 2;
    // Lists (an OPML export of another app, a file of lines) are followed a show each.
    QStringList inputs;
    if (request.from)
        inputs.append(QDir::current().absoluteFilePath(SourceRouter::normalizedPath(*request.from)));
    inputs += request.inputs;
    QStringList addresses;
    for (const QString &input : std::as_const(inputs)) {
        const auto listed = listedInputs(input);
        if (listed && !*listed) {
            err(listed->error().description() + u'\n');
            co_return 2;
        }
        addresses += listed ? **listed : QStringList{input};
    }
    const auto history = std::make_shared<History>();
    ResolveContext reading;
    reading.userAgent = ManifestStore::shared().manifest().userAgent;
    int followed = 0, refused = 0;
    const SoundOptions sound;
    for (const QString &address : std::as_const(addresses)) {
        const Result<Show> show
            = co_await followShow(history, address, choices->first, choices->second, sound, reading);
        if (!show) {
            err(withoutCredentials(address) + QStringLiteral(": ") + show.error().description() + u'\n');
            ++refused;
            continue;
        }
        ++followed;
        const int known = int(Shows(history).episodes(show->id).size());
        out(known == 1 ? QCoreApplication::translate(
                             "CommandLine", "Following %1 (1 episode so far). tovel update gathers each new one.\n")
                             .arg(show->name())
                       : QCoreApplication::translate(
                             "CommandLine", "Following %1 (%2 episodes so far). tovel update gathers each new one.\n")
                             .arg(show->name(), QString::number(known)));
    }
    for (const QString &notice : history->takeNotices())
        err(notice + u'\n');
    co_return refused == 0 ? 0 : (followed > 0 ? 1 : 2);
}

int followingCommand(const Request &request)
{
    if (!homeUsable())
        return 2;
    const auto history = std::make_shared<History>();
    const std::optional<QList<Show>> shows = Shows(history).list();
    if (!shows) {
        for (const QString &notice : history->takeNotices())
            err(notice + u'\n');
        return 2;
    }
    for (const QString &notice : history->takeNotices())
        err(notice + u'\n');
    if (request.opml) {
        writeRaw(showsOpml(*shows));
        return 0;
    }
    if (shows->isEmpty() && !request.json)
        out(QCoreApplication::translate("CommandLine", "You follow no shows yet. tovel follow FEED follows one.\n"));
    for (qsizetype i = 0; i < shows->size(); ++i) {
        const Show &show = shows->at(i);
        if (request.json) {
            writeRaw(jsonLine(QJsonObject{{QStringLiteral("number"), int(i + 1)},
                                          {QStringLiteral("title"), show.title},
                                          {QStringLiteral("address"), show.shownAddress()},
                                          {QStringLiteral("format"), rawValue(show.format)},
                                          {QStringLiteral("quality"), rawValue(show.quality)},
                                          {QStringLiteral("followed"), timeValue(show.followedAt)},
                                          {QStringLiteral("checked"), timeValue(show.checkedAt)},
                                          {QStringLiteral("arrived"), show.arrived},
                                          {QStringLiteral("lastArrival"), timeValue(show.arrivedAt)},
                                          {QStringLiteral("problem"), show.problem}}));
            continue;
        }
        out(QStringLiteral("%1  %2 \u00b7 %3 %4\n    %5\n    %6\n")
                .arg(i + 1)
                .arg(show.name(), rawValue(show.format),
                     usesQuality(show.format) ? qualityLabel(show.quality) : QString(), show.shownAddress(),
                     checkText(show)));
    }
    return 0;
}

int unfollowCommand(const Request &request)
{
    if (!homeUsable())
        return 2;
    const auto history = std::make_shared<History>();
    Shows shows(history);
    const bool usable = shows.list().has_value();
    for (const QString &notice : history->takeNotices())
        err(notice + u'\n');
    if (!usable)
        return 2;
    // Numbers are those of the list before any show leaves it.
    QList<Show> leaving;
    for (const QString &input : request.inputs) {
        const std::optional<Show> show = shows.find(input);
        if (!show) {
            err(QCoreApplication::translate("CommandLine", "You follow no show %1. tovel following lists them.\n")
                    .arg(withoutCredentials(input)));
            return 2;
        }
        leaving.append(*show);
    }
    for (const Show &show : std::as_const(leaving)) {
        if (!shows.unfollow(show.id)) {
            err(QCoreApplication::translate("CommandLine", "%1 could not be unfollowed.\n").arg(show.name()));
            return 1;
        }
        out(QCoreApplication::translate("CommandLine", "No longer following %1. Its saved episodes stay.\n")
                .arg(show.name()));
    }
    return 0;
}

QCoro::Task<int> updateCommand(Request request)
{
    if (request.schedule) {
        const QString wanted = *request.schedule;
        co_return co_await scheduleCommand(wanted);
    }
    if (!homeUsable())
        co_return 2;
    const std::optional<QString> destination = destinationFrom(request);
    if (!destination)
        co_return 2;
    if (!Tools::ffmpegPath()) {
        err(QCoreApplication::translate("Tovel", "ffmpeg is not installed. Tovel needs it to convert audio.") + u'\n');
        co_return 2;
    }
    const auto history = std::make_shared<History>();
    std::unique_ptr<ShowUpdate> update;
    // Named, not a temporary in the co_await: g++ 12 cannot build such a temporary there.
    GatherPlan plan{*destination, history, {}};
    ResolveContext reading;
    reading.userAgent = ManifestStore::shared().manifest().userAgent;
    reading.cancellation = plan.cancellation;
    plan.start = [&update, history, reading](JobRunner &runner) {
        update = std::make_unique<ShowUpdate>(runner, history);
        return update->start(reading);
    };
    int status = co_await gather(request, plan);
    if (!update)
        co_return status;
    for (const QString &problem : update->problems())
        err(problem + u'\n');
    const QString arrived = update->arrivalText();
    if (request.json) {
        writeRaw(jsonLine(QJsonObject{{QStringLiteral("event"), QStringLiteral("shows")},
                                      {QStringLiteral("checked"), update->showCount()},
                                      {QStringLiteral("unchanged"), update->unchanged()},
                                      {QStringLiteral("failed"), int(update->problems().size())},
                                      {QStringLiteral("arrived"), update->arrived()}}));
    } else if (update->skipped() || update->unusable()) {
        // Said with the problems above, or the history's notices.
    } else if (update->showCount() == 0) {
        out(QCoreApplication::translate("CommandLine", "You follow no shows yet. tovel follow FEED follows one.\n"));
    } else {
        const QString nothing = update->showCount() == 1
            ? QCoreApplication::translate("CommandLine", "Nothing new from the 1 show you follow.")
            : QCoreApplication::translate("CommandLine", "Nothing new from the %1 shows you follow.")
                  .arg(update->showCount());
        out((arrived.isEmpty() ? nothing : arrived + u'.') + u'\n');
    }
    if (request.notify && !arrived.isEmpty())
        notifyDesktop(arrived);
    // Another check under way is no failure of this one: it gathers what this one would have.
    if (update->unusable())
        status = 2;
    else if (status == 0 && !update->problems().isEmpty() && !update->skipped())
        status = 1;
    co_return status;
}

} // namespace tovel::cli

#include "app/cli.h"
#include "app/cli_parts.h"
#include "app/signal_watcher.h"

#include "build_info.h"
#include "core/fetcher.h"
#include "core/url_text.h"
#include "engine/manifest.h"
#include "engine/tools.h"
#include "engine/web_engine.h"
#include "pipeline/history.h"
#include "pipeline/input_list.h"
#include "pipeline/job_runner.h"
#include "pipeline/source_kind.h"
#include "pipeline/source_router.h"
#include "pipeline/tally.h"
#include "platform/later.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "sources/local_sources.h"
#include "updates/diagnostics.h"
#include "updates/updater.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QCoroSignal>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tovel::cli {

namespace {

const QStringList subCommands = {
    QStringLiteral("get"),          QStringLiteral("list"),         QStringLiteral("hint"),   QStringLiteral("follow"),
    QStringLiteral("following"),    QStringLiteral("unfollow"),     QStringLiteral("update"), QStringLiteral("tools"),
    QStringLiteral("update-check"), QStringLiteral("crash-reports")};

const char *usageText = QT_TRANSLATE_NOOP("CommandLine", R"(Usage:
  tovel                         open the window
  tovel get INPUT... [options]  gather and convert every media item behind each INPUT
  tovel list INPUT [--json]     show the items INPUT stands for, without downloading anything
  tovel hint INPUT              say what Tovel would do with INPUT
  tovel follow FEED... [--format F] [--quality Q] [--from FILE]
                                follow shows: tovel update gathers each new episode
  tovel following [--json|--opml]  list the shows followed (--opml for other podcast apps)
  tovel unfollow FEED|N...      stop following shows (by address, or number in tovel following)
  tovel update [--to DIR] [--json] [--notify]
                                gather what is new from every followed show
  tovel update --schedule on|off  check followed shows every 6 hours (a systemd user timer)
  tovel tools                   show the ffmpeg, the web engine (yt-dlp) and the JavaScript runtime
  tovel update-check [--json]   ask the product's site whether a newer build exists
  tovel crash-reports [--delete]  list (or delete) the crash reports kept on this computer
  tovel --help | --version

INPUT is a podcast feed, a link to a media file, an Internet Archive item, a Wikimedia Commons
file page, a file, a folder, or a file:// link.

Options for get:
  --format mp3|m4a|wav|flac|mp4     output format (default mp3)
  --quality best|320|192|128        bitrate for mp3 and m4a (default best); "320 kbps" works too
  --limit N                         gather at most N items (default 100)
  --from FILE                       gather every input FILE lists too (a line each, or OPML)
  --pick 1,3-5                      only these items, numbered as tovel list prints them
  --since YYYY-MM-DD                only items published on that day or later
  --match TEXT                      only items whose title holds TEXT
  --again                           gather items saved before too (they are otherwise skipped)
  --loudness [LUFS]                 bring every file to one loudness (default -16 LUFS), peaks at
                                    most -1 dBTP
  --shorter-silences                shorten silences longer than a second to half a second
  --to DIR                          save into DIR (default: the Downloads folder)
  --json                            print one JSON object per job change, then a summary
  --web-engine                      hand links no built-in source reads to yt-dlp, for this run only
  --web-engine-path PATH            the yt-dlp program to use for this run

--from FILE for follow reads an OPML export of another podcast app, or a feed a line. --notify
tells the desktop what arrived (the schedule's timer runs tovel update --notify).

Exit status: 0 when every job was saved, 1 when any failed or was stopped,
2 when the input could not be read or the home folder is unusable, 130 when interrupted.
)");

// The usage in the user's language.
QString usage()
{
    return QCoreApplication::translate("CommandLine", usageText);
}

// The options each sub-command takes; those with a value name take a value.
QList<QCommandLineOption> optionsOf(const QString &command)
{
    const auto valued = [](const char *name) {
        return QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("value"));
    };
    const auto flag = [](const char *name) { return QCommandLineOption(QString::fromLatin1(name)); };
    if (command == QLatin1String("get"))
        return {valued("format"),
                valued("quality"),
                valued("limit"),
                valued("to"),
                valued("loudness"),
                valued("from"),
                valued("pick"),
                valued("since"),
                valued("match"),
                flag("shorter-silences"),
                valued("web-engine-path"),
                flag("web-engine"),
                flag("again"),
                flag("json")};
    if (command == QLatin1String("follow"))
        return {valued("format"), valued("quality"), valued("from")};
    if (command == QLatin1String("following"))
        return {flag("json"), flag("opml")};
    if (command == QLatin1String("update"))
        return {valued("to"), valued("schedule"), flag("notify"), flag("json")};
    if (command == QLatin1String("list") || command == QLatin1String("update-check"))
        return {flag("json")};
    if (command == QLatin1String("crash-reports"))
        return {flag("delete")};
    return {};
}

// Says in our own words what the parser refused; its own texts name neither the fix nor our --help.
QString problemWith(const QCommandLineParser &parser, const QList<QCommandLineOption> &options,
                    const QStringList &words)
{
    if (const QStringList unknown = parser.unknownOptionNames(); !unknown.isEmpty()) {
        const QString &name = unknown.constFirst();
        // "-name" is read as "--name", so a file called "-x" lands here: say how to give it.
        const QString oneDash = u'-' + name;
        const bool typedWithOneDash = std::any_of(words.cbegin() + 1, words.cend(), [&](const QString &word) {
            return word == oneDash || word.startsWith(oneDash + u'=');
        });
        if (typedWithOneDash)
            return QCoreApplication::translate(
                       "CommandLine", "Unknown option %1. To give an input that begins with a dash, put -- before it.")
                .arg(oneDash);
        return QCoreApplication::translate("CommandLine", "Unknown option --%1.").arg(name);
    }
    const QStringList seen = parser.optionNames();
    for (const QCommandLineOption &option : options) {
        const QString &name = option.names().constFirst();
        // Seen more often than it got a value: it was the last word, with nothing after it.
        if (!option.valueName().isEmpty() && seen.count(name) > parser.values(name).size())
            return QCoreApplication::translate("CommandLine", "--%1 needs a value.").arg(name);
    }
    // What is left is a switch written with a value ("--json=yes").
    for (const QString &word : words.mid(1)) {
        for (const QCommandLineOption &option : options) {
            const QString &name = option.names().constFirst();
            const QString written = u'-' + name + u'=';
            const bool withValue = word.startsWith(written) || word.startsWith(u'-' + written);
            if (option.valueName().isEmpty() && withValue)
                return QCoreApplication::translate("CommandLine", "--%1 takes no value.").arg(name);
        }
    }
    return parser.errorText();
}

Request requestFrom(const QCommandLineParser &parser, const QList<QCommandLineOption> &options)
{
    // The parser warns about names it was never given, so only this sub-command's own are asked about.
    QStringList defined;
    for (const QCommandLineOption &option : options)
        defined += option.names();
    const auto given = [&](const char *name) -> std::optional<QString> {
        const QString key = QString::fromLatin1(name);
        if (!defined.contains(key) || !parser.isSet(key))
            return std::nullopt;
        return parser.value(key);
    };
    Request request;
    request.input = parser.positionalArguments().value(0);
    request.inputs = parser.positionalArguments();
    request.from = given("from");
    request.pick = given("pick").value_or(QString());
    request.since = given("since").value_or(QString());
    request.match = given("match").value_or(QString());
    request.format = given("format").value_or(request.format);
    request.quality = given("quality").value_or(request.quality);
    request.limit = given("limit").value_or(request.limit);
    request.to = given("to");
    request.enginePath = given("web-engine-path");
    request.webEngine = given("web-engine").has_value();
    request.again = given("again").has_value();
    request.loudness = given("loudness");
    request.shorterSilences = given("shorter-silences").has_value();
    request.json = given("json").has_value();
    request.deleteReports = given("delete").has_value();
    request.opml = given("opml").has_value();
    request.schedule = given("schedule");
    request.notify = given("notify").has_value();
    return request;
}

// --loudness takes its target only when one follows ("--loudness -14"), and the usual one otherwise; the
// parser knows no optional values, and would read "-14" as an option of its own.
QStringList withLoudnessTarget(QStringList words)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?[0-9]+([.,][0-9]+)?$"));
    for (qsizetype i = 1; i < words.size() && words.at(i) != QLatin1String("--"); ++i) {
        if (words.at(i) != QLatin1String("--loudness") && words.at(i) != QLatin1String("-loudness"))
            continue;
        const bool given = i + 1 < words.size() && number.match(words.at(i + 1)).hasMatch();
        words[i] = QStringLiteral("--loudness=")
            + (given ? words.takeAt(i + 1).replace(u',', u'.') : QString::number(defaultLoudness));
    }
    return words;
}

// The target --loudness asked for, when it is one Tovel can reach.
std::optional<double> loudnessFrom(const QString &text)
{
    bool ok = false;
    const double target = text.toDouble(&ok);
    if (!ok || target < quietestLoudness || target > loudestLoudness)
        return std::nullopt;
    return target;
}

// The words the command line shows for a job's phase: a job in line says so, and a saved one names
// the folder it went to.
QString phaseText(const Job &job)
{
    const JobPhase &phase = job.phase();
    if (phase.kind() == JobPhase::Kind::waiting)
        return QCoreApplication::translate("CommandLine", "Queued");
    if (job.alreadySaved())
        return Job::alreadySavedText();
    if (phase.kind() == JobPhase::Kind::retrying)
        return QCoreApplication::translate("CommandLine", "Retrying (try %1 of %2)")
            .arg(phase.nextTry())
            .arg(Fetcher::maxTries);
    if (phase.kind() == JobPhase::Kind::done && !job.output().isEmpty()) {
        const QFileInfo folder(QFileInfo(job.output().toLocalFile()).absolutePath());
        if (folder.absoluteFilePath() != QFileInfo(paths::downloadsLocation()).absoluteFilePath())
            return QCoreApplication::translate("CommandLine", "Saved to %1").arg(folder.fileName());
    }
    return phase.label();
}

QJsonObject jobObject(const Job &job)
{
    QJsonObject object{
        {QStringLiteral("event"), QStringLiteral("job")},
        {QStringLiteral("id"), job.id().toString(QUuid::WithoutBraces)},
        {QStringLiteral("title"), job.title()},
        {QStringLiteral("origin"), job.origin()},
        {QStringLiteral("phase"), job.phase().name()},
        {QStringLiteral("label"), phaseText(job)},
        {QStringLiteral("progress"), job.progress()},
        {QStringLiteral("output"), job.output().isEmpty() ? QJsonValue() : QJsonValue(job.output().toLocalFile())},
    };
    // Only a saved file that is less than its source claims carries one.
    if (!job.warning().isEmpty())
        object.insert(QStringLiteral("warning"), job.warning());
    if (job.line() > 0)
        object.insert(QStringLiteral("line"), job.line());
    if (job.sound().any()) {
        object.insert(QStringLiteral("sound"), rawValue(job.sound()));
        if (!job.output().isEmpty() && job.sound().shorterSilences)
            object.insert(QStringLiteral("timeSaved"), std::round(job.timeSaved() * 10) / 10);
    }
    return object;
}

// Draws the jobs of one request: live lines on a terminal, one line per phase change otherwise,
// or JSON lines.
class Reporter : public QObject
{
    Q_OBJECT
public:
    enum class Mode { terminal, lines, json };

    Reporter(JobRunner &runner, Mode mode) : m_runner(runner), m_mode(mode)
    {
        connect(&runner, &JobRunner::jobAdded, this, [this](Job *job) { watch(job); });
        m_redraw.setInterval(100);
        m_redraw.setSingleShot(true);
        connect(&m_redraw, &QTimer::timeout, this, [this] { draw(); });
    }

    void finish()
    {
        if (m_mode == Mode::terminal)
            draw();
    }

private:
    void watch(Job *job)
    {
        m_order.append(job);
        if (m_mode == Mode::json) {
            writeRaw(jsonLine(jobObject(*job)));
            connect(job, &Job::changed, this, [job] { writeRaw(jsonLine(jobObject(*job))); });
        } else if (m_mode == Mode::lines) {
            printLine(*job);
            connect(job, &Job::phaseChanged, this, [this, job] { printLine(*job); });
            connect(job, &Job::titleChanged, this, [this, job] { printLine(*job); });
        } else {
            connect(job, &Job::changed, this, [this] { scheduleDraw(); });
            scheduleDraw();
        }
    }

    static QString describe(const Job &job)
    {
        QString line = job.title() + QStringLiteral(" \u2014 ") + phaseText(job)
            + QStringLiteral(" (%1%)").arg(wholePercent(job.progress()));
        if (!job.output().isEmpty())
            line += QStringLiteral(" \u2192 ") + job.output().toLocalFile();
        if (const QString sound = job.soundText(); !sound.isEmpty())
            line += QStringLiteral(" \u00b7 ") + sound;
        if (!job.warning().isEmpty())
            line += QStringLiteral(" \u00b7 ") + job.warning();
        return visibleControls(line);
    }

    void printLine(const Job &job) { out(describe(job) + u'\n'); }

    void scheduleDraw()
    {
        if (!m_redraw.isActive())
            m_redraw.start();
    }

    static QString fit(const QString &text, int width)
    {
        if (width <= 1 || text.size() <= width)
            return text;
        return text.left(width - 1) + QChar(0x2026);
    }

    // Finished jobs are printed once above the live block and leave it; the block holds the rest.
    void draw()
    {
        struct winsize size
        {};
        const bool known = ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0;
        const int width = known ? size.ws_col : 100;
        const int rows = known && size.ws_row > 4 ? size.ws_row - 2 : 20;

        QString frame;
        if (m_liveLines > 0)
            frame += QStringLiteral("\x1b[%1F").arg(m_liveLines);
        frame += QStringLiteral("\x1b[J");
        for (Job *job : std::as_const(m_order)) {
            if (job->isFinished() && !m_reported.contains(job)) {
                m_reported.insert(job);
                frame += fit(describe(*job), width) + u'\n';
            }
        }
        int shown = 0;
        int hidden = 0;
        for (Job *job : std::as_const(m_order)) {
            if (job->isFinished())
                continue;
            if (shown >= rows - 1) {
                ++hidden;
                continue;
            }
            const QString line = QStringLiteral("%1%  %2  %3")
                                     .arg(wholePercent(job->progress()), 3)
                                     .arg(phaseText(*job), -12)
                                     .arg(visibleControls(job->title()));
            frame += fit(line, width) + u'\n';
            ++shown;
        }
        if (hidden > 0) {
            frame += QCoreApplication::translate("CommandLine", "      \u2026 and %1 more\n").arg(hidden);
            ++shown;
        }
        m_liveLines = shown;
        writeRaw(frame);
    }

    JobRunner &m_runner;
    Mode m_mode;
    QList<Job *> m_order;
    QSet<Job *> m_reported;
    QTimer m_redraw;
    int m_liveLines = 0;
};

// Says when the runner has no job tasks left, from a turn of the event loop of its own: the coroutine
// that awaits this destroys the runner, so it must not be resumed inside one of the runner's emissions.
class IdleWatcher : public QObject
{
    Q_OBJECT
public:
    explicit IdleWatcher(JobRunner &runner) : m_runner(&runner)
    {
        connect(&runner, &JobRunner::activeTasksChanged, this, [this] {
            if (m_runner->activeTasks() == 0)
                QTimer::singleShot(0, this, [this] {
                    // Tasks may have started again in between.
                    if (m_runner && m_runner->activeTasks() == 0)
                        emit idle();
                });
        });
    }

signals:
    void idle();

private:
    QPointer<JobRunner> m_runner;
};

QCoro::Task<int> getCommand(Request request)
{
    // Even with --to: the history that keeps what was saved lives in the home folder too.
    if (!homeUsable())
        co_return 2;
    const auto choices = choicesFrom(request);
    if (!choices)
        co_return 2;
    const auto [format, quality] = *choices;
    QStringList inputs = request.inputs;
    if (request.from) {
        const Result<QStringList> listed
            = inputsInFile(QDir::current().absoluteFilePath(SourceRouter::normalizedPath(*request.from)));
        if (!listed) {
            err(listed.error().description() + u'\n');
            co_return 2;
        }
        inputs += *listed;
    }
    const Result<Selection> selection = parseSelection(request.pick, request.since, request.match);
    if (!selection) {
        err(selection.error().description() + u'\n');
        co_return 2;
    }
    SoundOptions sound;
    sound.shorterSilences = request.shorterSilences;
    if (request.loudness) {
        sound.loudness = loudnessFrom(*request.loudness);
        if (!sound.loudness) {
            err(QCoreApplication::translate("CommandLine",
                                            "--loudness takes a target from -40 to -5 LUFS, such as -16 or -14.\n"));
            co_return 2;
        }
    }
    bool limitOk = true;
    const int limit = request.limit.toInt(&limitOk);
    if (!limitOk || limit < 0) {
        err(QCoreApplication::translate("CommandLine", "--limit takes a whole number of items, 0 or more.\n"));
        co_return 2;
    }
    const std::optional<QString> destination = destinationFrom(request);
    if (!destination)
        co_return 2;

    // The engine for this run only: nothing is stored.
    std::optional<bool> engineOn;
    std::optional<QString> enginePath;
    if (request.webEngine)
        engineOn = true;
    if (request.enginePath)
        enginePath = QDir::current().absoluteFilePath(SourceRouter::normalizedPath(*request.enginePath));
    if (engineOn || enginePath)
        WebEngine::shared().useForThisRun(engineOn, enginePath);

    const auto history = std::make_shared<History>();
    // Named, not a temporary in the co_await: g++ 12 cannot build such a temporary there.
    GatherPlan plan{*destination, history, [=](JobRunner &runner) {
                        return runner.run(inputs.join(u'\n'), format, quality, limit, request.again, sound, 0,
                                          *selection);
                    }};
    co_return co_await gather(request, plan);
}

} // namespace

QCoro::Task<int> gather(Request request, GatherPlan plan)
{
    const QString destination = plan.destination;
    const std::shared_ptr<History> history = plan.history;
    JobRunner runner(JobRunner::Setup{
        .destination = destination, .history = history, .engine = &WebEngine::shared(), .userAgent = [] {
            return ManifestStore::shared().manifest().userAgent;
        }});
    const Reporter::Mode mode = request.json ? Reporter::Mode::json
        : ::isatty(STDOUT_FILENO)            ? Reporter::Mode::terminal
                                             : Reporter::Mode::lines;
    Reporter reporter(runner, mode);
    SignalWatcher watcher;
    bool interrupted = false;
    QObject::connect(&watcher, &SignalWatcher::interrupted, &runner, [&] {
        if (interrupted) {
            // A second Ctrl-C: stop waiting for the tidy-up.
            std::_Exit(130);
        }
        interrupted = true;
        plan.cancellation->cancel();
        runner.cancelAll();
        if (runner.activeTasks() == 0)
            QCoreApplication::exit(130);
    });

    LaterPtr<IdleWatcher> idle(new IdleWatcher(runner));
    co_await plan.start(runner);
    if (interrupted && runner.jobs().isEmpty())
        co_return 130;
    if (runner.lastError()) {
        err(*runner.lastError() + u'\n');
        co_return 2;
    }
    for (const QString &notice : runner.takeNotices())
        err(notice + u'\n');
    if (runner.activeTasks() > 0)
        co_await qCoro(idle.get(), &IdleWatcher::idle);
    reporter.finish();
    for (const QString &notice : history->takeNotices())
        err(notice + u'\n');

    // Saved before counts as saved, for the exit status and JSON's "done", but is told apart. A job that
    // never ended by now was not saved either.
    const Tally counts = tally(runner.jobs());
    const int failed = counts.failed + counts.unfinished;
    const int status = interrupted ? 130 : (failed + counts.stopped + runner.unreadInputs() > 0 ? 1 : 0);
    if (request.json) {
        writeRaw(jsonLine(QJsonObject{{QStringLiteral("event"), QStringLiteral("summary")},
                                      {QStringLiteral("total"), counts.total()},
                                      {QStringLiteral("done"), counts.done()},
                                      {QStringLiteral("alreadySaved"), counts.alreadySaved},
                                      {QStringLiteral("failed"), failed},
                                      {QStringLiteral("cancelled"), counts.stopped},
                                      {QStringLiteral("destination"), destination},
                                      {QStringLiteral("exitStatus"), status}}));
    } else if (!runner.jobs().isEmpty()) {
        QString summary = QCoreApplication::translate("CommandLine", "%1 of %2 saved to %3")
                              .arg(counts.saved)
                              .arg(counts.total())
                              .arg(destination);
        if (counts.alreadySaved)
            summary += QCoreApplication::translate("CommandLine", ", %1 already saved").arg(counts.alreadySaved);
        if (failed)
            summary += QCoreApplication::translate("CommandLine", ", %1 failed").arg(failed);
        if (counts.stopped)
            summary += QCoreApplication::translate("CommandLine", ", %1 stopped").arg(counts.stopped);
        out(summary + QStringLiteral(".\n"));
    }
    co_return status;
}

namespace {

QCoro::Task<int> listCommand(Request request)
{
    auto notices = std::make_shared<QStringList>();
    // Named, not a temporary in the co_await: g++ 12 cannot build such a temporary there.
    ResolveContext reading;
    reading.userAgent = ManifestStore::shared().manifest().userAgent;
    reading.notices = notices;
    const Result<MediaItems> items = co_await SourceRouter::resolve(request.input, reading);
    if (!items) {
        err(items.error().description() + u'\n');
        co_return 2;
    }
    for (const QString &notice : *notices)
        err(notice + u'\n');
    int index = 0;
    for (const MediaItem &item : *items) {
        // A link's user name and password are never printed.
        const QUrl url = withoutCredentials(item.url);
        const QString origin = withoutCredentials(item.origin);
        if (request.json) {
            writeRaw(jsonLine(QJsonObject{
                {QStringLiteral("title"), item.title},
                {QStringLiteral("origin"), origin},
                // Encoded, so the address can go straight to another program.
                {QStringLiteral("url"), url.isLocalFile() ? url.toLocalFile() : QString::fromLatin1(url.toEncoded())},
                {QStringLiteral("hintedExtension"),
                 item.hintedExtension ? QJsonValue(*item.hintedExtension) : QJsonValue()},
            }));
        } else {
            out(QStringLiteral("%1. %2 \u2014 %3\n    %4\n")
                    .arg(++index)
                    .arg(visibleControls(item.title), visibleControls(origin),
                         // A name that is not UTF-8 is shown as a person reads it.
                         visibleControls(url.isLocalFile() ? displayName(localFileBytes(url)) : url.toString())));
        }
    }
    co_return 0;
}

int hintCommand(const Request &request)
{
    const QString &input = request.input;
    out(SourceRouter::hint(input) + u'\n');
    out(QCoreApplication::translate("CommandLine", "Source: ") + sourceKindWord(input, WebEngine::shared().enabled())
        + u'\n');
    return 0;
}

QCoro::Task<int> updateCheckCommand(Request request)
{
    Updater &updater = Updater::shared();
    co_await updater.check(true);
    const auto &info = updater.available();
    QString reason;
    switch (updater.lastOutcome()) {
    case Updater::Outcome::noAnswer:
        reason = QCoreApplication::translate("CommandLine", "no answer from the update site");
        break;
    case Updater::Outcome::notSigned:
        reason = QCoreApplication::translate("CommandLine", "the notice is not signed by our key");
        break;
    case Updater::Outcome::notNewer: reason = QCoreApplication::translate("CommandLine", "no newer build"); break;
    default: break;
    }
    if (request.json) {
        QJsonObject object{{QStringLiteral("installedVersion"), currentVersion()},
                           {QStringLiteral("installedBuild"), double(currentBuild())}};
        if (info) {
            object.insert(QStringLiteral("version"), info->version);
            object.insert(QStringLiteral("build"), double(info->build));
            object.insert(QStringLiteral("url"), info->url);
            object.insert(QStringLiteral("notes"), info->notes);
        } else {
            object.insert(QStringLiteral("reason"), reason);
        }
        writeRaw(jsonLine(object));
    } else {
        out(QCoreApplication::translate("CommandLine", "Installed: Tovel %1 (build %2)\n")
                .arg(currentVersion())
                .arg(currentBuild()));
        if (info)
            out(QCoreApplication::translate("CommandLine", "Available: Tovel %1 (build %2)\n  %3\n  %4\n")
                    .arg(info->version)
                    .arg(info->build)
                    .arg(info->url, info->notes));
        else
            out(QCoreApplication::translate("CommandLine", "No update: %1.\n").arg(reason));
    }
    co_return 0;
}

int crashReportsCommand(const Request &request)
{
    // The reports are kept in the home folder; without one there is no telling where they are.
    if (!homeUsable())
        return 2;
    const QStringList reports = Diagnostics::reports();
    if (request.deleteReports) {
        Diagnostics::deleteAll();
        const qsizetype left = Diagnostics::reports().size();
        out(QCoreApplication::translate("CommandLine", "Deleted %n crash report(s).\n", nullptr,
                                        int(reports.size() - left)));
        return left == 0 ? 0 : 1;
    }
    if (reports.isEmpty()) {
        out(QCoreApplication::translate(
            "CommandLine",
            "No crash reports. Any that occur are written to this computer only \u2014 nothing is ever sent.\n"));
        return 0;
    }
    out(QCoreApplication::translate("CommandLine",
                                    "%n crash report(s) on this computer. Nothing has been sent anywhere.\n", nullptr,
                                    int(reports.size())));
    for (const QString &report : reports)
        out(report + u'\n');
    return 0;
}

int toolsCommand()
{
    const auto ffmpeg = Tools::ffmpegPath();
    if (ffmpeg) {
        out(QCoreApplication::translate("CommandLine", "ffmpeg:             %1\n").arg(*ffmpeg));
        out(QCoreApplication::translate("CommandLine", "  from:             %1\n")
                .arg(Tools::ffmpegInResources() ? QCoreApplication::translate("CommandLine", "Bundled")
                                                : QCoreApplication::translate("CommandLine", "System")));
        out(QCoreApplication::translate("CommandLine", "  licence:          %1\n").arg(Tools::ffmpegLicense()));
    } else {
        out(QCoreApplication::translate("CommandLine", "ffmpeg:             not found\n"));
    }
    WebEngine &engine = WebEngine::shared();
    out(QCoreApplication::translate("CommandLine", "web engine:         %1\n")
            .arg(engine.enabled() ? QCoreApplication::translate("CommandLine", "on")
                                  : QCoreApplication::translate("CommandLine", "off")));
    if (engine.isInstalled()) {
        out(QCoreApplication::translate("CommandLine", "  yt-dlp:           %1\n").arg(engine.path()));
        // Headless, so nothing waits on this but the answer itself.
        const bool answered = QCoro::waitFor(engine.probe());
        out(QCoreApplication::translate("CommandLine", "  version:          %1\n")
                .arg(answered ? engine.version().value_or(QCoreApplication::translate("CommandLine", "unknown"))
                              : QCoreApplication::translate("CommandLine", "no answer")));
    } else {
        out(QCoreApplication::translate("CommandLine", "  yt-dlp:           %1\n")
                .arg(engine.path().isEmpty()
                         ? QCoreApplication::translate("CommandLine", "not found")
                         : engine.path() + QCoreApplication::translate("CommandLine", " (not executable)")));
    }
    const auto runtime = Tools::findJSRuntime();
    out(QCoreApplication::translate("CommandLine", "  JavaScript:       %1\n")
            .arg(runtime.value_or(QCoreApplication::translate("CommandLine", "not found"))));
    return 0;
}

} // namespace

bool wantsCommandLine(const QStringList &arguments)
{
    if (arguments.size() < 2)
        return false;
    const QString &first = arguments.at(1);
    return subCommands.contains(first) || first == QLatin1String("help") || first.startsWith(u'-');
}

int run(const QStringList &arguments)
{
    const QString first = arguments.value(1);
    if (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("help")) {
        out(usage());
        return 0;
    }
    if (first == QLatin1String("--version")) {
        out(QCoreApplication::translate("CommandLine", "Tovel %1 (build %2)\n")
                .arg(QLatin1String(build::version), QLatin1String(build::buildNumber)));
        return 0;
    }
    if (!subCommands.contains(first)) {
        err(QCoreApplication::translate("CommandLine", "Unknown command \"%1\".\n\n").arg(first) + usage());
        return 2;
    }

    const QList<QCommandLineOption> options = optionsOf(first);
    QCommandLineParser parser;
    // Long options only: a word after one dash is never taken apart into letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(options);
    const QStringList words = withLoudnessTarget(QStringList{arguments.value(0)} + arguments.mid(2));
    if (!parser.parse(words)) {
        err(problemWith(parser, options, words) + QCoreApplication::translate("CommandLine", "\nSee tovel --help.\n"));
        return 2;
    }
    const QStringList positional = parser.positionalArguments();
    const bool needsInput = first == QLatin1String("get") || first == QLatin1String("list")
        || first == QLatin1String("hint") || first == QLatin1String("follow") || first == QLatin1String("unfollow");
    // get and follow take several inputs, or none beside a list to read them from; unfollow several shows.
    const bool several
        = first == QLatin1String("get") || first == QLatin1String("follow") || first == QLatin1String("unfollow");
    const bool listed = several && first != QLatin1String("unfollow") && parser.isSet(QStringLiteral("from"));
    if (needsInput && (several ? positional.isEmpty() && !listed : positional.size() != 1)) {
        err(several ? QCoreApplication::translate(
                "CommandLine",
                "Give at least one input: a feed, a media link, an archive item, a file or a folder.\n"
                "See tovel --help.\n")
                    : QCoreApplication::translate(
                        "CommandLine",
                        "Give exactly one input: a feed, a media link, an archive item, a file or a folder.\n"
                        "See tovel --help.\n"));
        return 2;
    }
    if (!needsInput && !positional.isEmpty()) {
        err(QCoreApplication::translate("CommandLine", "%1 takes no input.\n").arg(first));
        return 2;
    }
    const Request request = requestFrom(parser, options);

    if (first == QLatin1String("hint"))
        return hintCommand(request);
    if (first == QLatin1String("tools"))
        return toolsCommand();
    if (first == QLatin1String("crash-reports"))
        return crashReportsCommand(request);
    if (first == QLatin1String("following"))
        return followingCommand(request);
    if (first == QLatin1String("unfollow"))
        return unfollowCommand(request);

    int status = 0;
    // The task may end before the event loop starts; leave the loop from inside it.
    const auto finish = [&status](int result) {
        status = result;
        QTimer::singleShot(0, qApp, [result] { QCoreApplication::exit(result); });
    };
    if (first == QLatin1String("get"))
        QCoro::connect(getCommand(request), qApp, finish);
    else if (first == QLatin1String("list"))
        QCoro::connect(listCommand(request), qApp, finish);
    else if (first == QLatin1String("follow"))
        QCoro::connect(followCommand(request), qApp, finish);
    else if (first == QLatin1String("update"))
        QCoro::connect(updateCommand(request), qApp, finish);
    else
        QCoro::connect(updateCheckCommand(request), qApp, finish);
    const int loopStatus = QCoreApplication::exec();
    return loopStatus == 130 ? 130 : status;
}

} // namespace tovel::cli

#include "cli.moc"

#pragma once

// What the command line's sub-commands share: how they print, what they were asked, and the checks of
// the choices several of them take.

#include "core/http.h"
#include "core/media.h"

#include <QCoroTask>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace tovel {
class History;
class JobRunner;
} // namespace tovel

namespace tovel::cli {

// What a sub-command was asked to do, read off its command line.
struct Request
{
    QString input;
    QStringList inputs; // every input given, for get
    std::optional<QString> from;
    QString pick, since, match;
    QString format = QStringLiteral("mp3");
    QString quality = QStringLiteral("best");
    QString limit = QStringLiteral("100");
    std::optional<QString> to;
    std::optional<QString> enginePath;
    bool webEngine = false;
    bool again = false;
    std::optional<QString> loudness;
    bool shorterSilences = false;
    bool json = false;
    bool deleteReports = false;
    bool opml = false;               // following
    std::optional<QString> schedule; // update: "on" or "off"
    bool notify = false;             // update: tell the desktop what arrived
};

// Text to the terminal, never with control codes from outside in it; `writeRaw` prints ours as they are.
void writeRaw(const QString &text);
void out(const QString &text);
void err(const QString &text);
// One JSON object on a line of its own.
[[nodiscard]] QString jsonLine(const QJsonObject &object);

// With no usable home there is nowhere for the files, the history or the settings: says so.
[[nodiscard]] bool homeUsable();
// "best", "320", "320k", "320 kbps" and the stored values.
[[nodiscard]] std::optional<AudioQuality> qualityFrom(const QString &text);
// The format and quality asked for; a sentence on the error stream when either is unknown.
[[nodiscard]] std::optional<std::pair<AudioFormat, AudioQuality>> choicesFrom(const Request &request);
// The folder --to names (made absolute), else Downloads; a sentence on the error stream when it is
// unusable.
[[nodiscard]] std::optional<QString> destinationFrom(const Request &request);

// What a gathering of the command line saves where, and how its jobs start: the inputs of get, or the
// update of the followed shows. Its cancellation ends what the start does besides starting jobs.
struct GatherPlan
{
    QString destination;
    std::shared_ptr<History> history;
    std::function<QCoro::Task<void>(JobRunner &)> start;
    std::shared_ptr<Cancellation> cancellation = std::make_shared<Cancellation>();
};

// Starts the plan's jobs, shows them as the request asks (live, a line per change, or JSON), waits for
// them all and prints how they ended; the exit status. Ctrl-C stops them.
QCoro::Task<int> gather(Request request, GatherPlan plan);

// The sub-commands of the shows followed.
QCoro::Task<int> followCommand(Request request);
int followingCommand(const Request &request);
int unfollowCommand(const Request &request);
QCoro::Task<int> updateCommand(Request request);

} // namespace tovel::cli

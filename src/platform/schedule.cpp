#include "platform/schedule.h"

#include "platform/child_process.h"

#include <QCoreApplication>
#include <QStandardPaths>

namespace tovel::schedule {

namespace {

struct Answer
{
    bool ran = false;
    int exitCode = -1;
    QString output; // standard output and error together
};

QCoro::Task<Answer> systemctl(QStringList arguments)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("systemctl"));
    if (program.isEmpty())
        co_return Answer{};
    LaterPtr<QProcess> process = makeChildProcess(program, QStringList{QStringLiteral("--user")} + arguments);
    process->setProcessChannelMode(QProcess::MergedChannels);
    const ChildExit exit = co_await runToExit(process.get());
    Answer answer;
    answer.ran = exit.started && !exit.crashed;
    answer.exitCode = exit.exitCode;
    answer.output = QString::fromLocal8Bit(process->readAll()).trimmed();
    co_return answer;
}

// Why systemd could not say, from what systemctl printed.
QString problemIn(const Answer &answer)
{
    if (!answer.ran)
        return QCoreApplication::translate(
            "Tovel", "Checking on a schedule needs systemd, and it does not run for you on this computer.");
    if (answer.output.contains(QLatin1String("No such file")) || answer.output.contains(QLatin1String("not found"))
        || answer.output.contains(QLatin1String("does not exist")))
        return QCoreApplication::translate("Tovel", "The schedule's timer (%1) was not installed with this Tovel.")
            .arg(QLatin1String(timerUnit));
    return QCoreApplication::translate("Tovel", "systemd's user manager could not be asked: %1")
        .arg(answer.output.section(u'\n', 0, 0));
}

} // namespace

QCoro::Task<State> state()
{
    // Named, not a temporary in the co_await: g++ 12 cannot build such a temporary there.
    const QStringList arguments{QStringLiteral("is-enabled"), QString::fromLatin1(timerUnit)};
    const Answer answer = co_await systemctl(arguments);
    // is-enabled prints the state and exits 0 for an enabled unit, non-zero for any other state.
    const QString word = answer.output.section(u'\n', 0, 0).trimmed();
    if (answer.ran && (word == QLatin1String("enabled") || word == QLatin1String("enabled-runtime")))
        co_return State{true, {}};
    if (answer.ran
        && (word == QLatin1String("disabled") || word == QLatin1String("static") || word == QLatin1String("masked")
            || word == QLatin1String("linked")))
        co_return State{false, {}};
    co_return State{std::nullopt, problemIn(answer)};
}

QCoro::Task<State> set(bool on)
{
    const QStringList arguments{on ? QStringLiteral("enable") : QStringLiteral("disable"), QStringLiteral("--now"),
                                QString::fromLatin1(timerUnit)};
    const Answer answer = co_await systemctl(arguments);
    State after = co_await state();
    // The unit files can say enabled while the user manager that runs the timer could not be reached.
    if (after.problem.isEmpty() && (!answer.ran || answer.exitCode != 0))
        after.problem = problemIn(answer);
    co_return after;
}

} // namespace tovel::schedule

#include "platform/child_process.h"

#include <QCoroProcess>
#include <QTimer>

#include <csignal>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace tovel {

LaterPtr<QProcess> makeChildProcess(const QString &program, const QStringList &arguments)
{
    LaterPtr<QProcess> process(new QProcess);
    process->setProgram(program);
    process->setArguments(arguments);
    process->setChildProcessModifier([] {
        ::setpgid(0, 0);
        // Background work yields to the window: on a busy machine the interface stays smooth, and
        // with nothing else to do the child runs as fast as ever.
        [[maybe_unused]] const int niceness = ::nice(10);
#ifdef __linux__
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
    });
    return process;
}

QCoro::Task<ChildExit> runToExit(QProcess *process)
{
    ChildExit result;
    // Started directly: on Linux the exec result is known at once, while QCoro's awaitable start()
    // sits out its whole 30-second timeout before reporting a program that cannot run.
    process->start();
    if (!process->waitForStarted(-1)) {
        result.launchError = process->errorString();
        co_return result;
    }
    result.started = true;
    const qint64 pid = process->processId();
    if (process->state() != QProcess::NotRunning)
        co_await qCoro(process).waitForFinished(-1);
    // Whatever the child left running in its group (a helper still writing to its output) goes with it:
    // once the child has exited, its files are ours to check and move.
    if (pid > 0)
        ::kill(-pid_t(pid), SIGKILL);
    result.crashed = process->exitStatus() == QProcess::CrashExit;
    result.exitCode = process->exitCode();
    co_return result;
}

void terminatePolitely(QProcess *process)
{
    if (!process || process->state() == QProcess::NotRunning)
        return;
    // The child leads its own process group: the request reaches whatever it started too (yt-dlp runs
    // ffmpeg for merging).
    const qint64 pid = process->processId();
    if (pid > 0)
        ::kill(-pid_t(pid), SIGTERM);
    process->terminate();
    QTimer::singleShot(5000, process, [process, pid] {
        if (process->state() != QProcess::NotRunning) {
            ::kill(-pid_t(pid), SIGKILL);
            process->kill();
        }
    });
}

} // namespace tovel

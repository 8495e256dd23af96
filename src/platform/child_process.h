#pragma once

#include <QCoroTask>
#include <QProcess>
#include <QStringList>

#include "platform/later.h"

#include <memory>

namespace tovel {

// A child process set up the way every outside program of ours runs: its own process group, so a
// Ctrl-C in the terminal reaches us and not the child (we end children ourselves, cleanly), and on
// Linux it is ended when we die.
[[nodiscard]] LaterPtr<QProcess> makeChildProcess(const QString &program, const QStringList &arguments);

// How a child ended.
struct ChildExit
{
    bool started = false;
    QString launchError; // the platform's description when it could not be started
    int exitCode = -1;
    bool crashed = false;
};

// Starts the process and waits, without any time limit and without blocking the event loop, until it
// ends; then ends anything it left behind in its process group.
QCoro::Task<ChildExit> runToExit(QProcess *process);

// Asks politely (SIGTERM); a child still running a few seconds later is killed.
void terminatePolitely(QProcess *process);

} // namespace tovel

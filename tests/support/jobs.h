#pragma once

#include "pipeline/job_runner.h"

#include <QCoroTask>
#include <QTest>

namespace tovel::test {

// Starts the jobs for `input`; returns once they are started, as the interface sees it.
inline void start(JobRunner &runner, const QString &input, AudioFormat format = AudioFormat::mp3, int limit = 100)
{
    QCoro::waitFor(runner.run(input, format, AudioQuality::best, limit));
}

// Waits until every job task of `runner` has ended; false when one is still running after a minute.
[[nodiscard]] inline bool settle(const JobRunner &runner)
{
    return QTest::qWaitFor([&runner] { return runner.activeTasks() == 0; }, 60'000);
}

// Each job of `runner`, newest first, as "<status word> <saved file's name>" when it has a file and as its
// label when it has none, joined by " | ": one string that says how a whole gathering ended.
[[nodiscard]] inline QString summary(const JobRunner &runner)
{
    QStringList jobs;
    for (const Job *job : runner.jobs())
        jobs << (job->output().isEmpty() ? job->phaseLabel() : job->statusWord() + u' ' + job->output().fileName());
    return jobs.join(QStringLiteral(" | "));
}

// Starts the jobs for `input`, waits for them all to end and says how they ended.
[[nodiscard]] inline QString gather(JobRunner &runner, const QString &input, AudioFormat format = AudioFormat::mp3,
                                    int limit = 100)
{
    start(runner, input, format, limit);
    return settle(runner) ? summary(runner) : QStringLiteral("still running after a minute");
}

// The phases every job of a runner went through, in the order they were entered, the first included.
struct PhaseLog
{
    QStringList phases;
    explicit PhaseLog(JobRunner &runner)
    {
        QObject::connect(&runner, &JobRunner::jobAdded, &runner, [this](Job *job) {
            phases << job->phaseName();
            QObject::connect(job, &Job::phaseChanged, job, [this, job] { phases << job->phaseName(); });
        });
    }
};

} // namespace tovel::test

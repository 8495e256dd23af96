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

} // namespace tovel::test

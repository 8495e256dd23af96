#pragma once

#include "core/limiter.h"
#include "pipeline/job.h"

#include <QCoroTask>
#include <QPointer>
#include <QProcess>

#include <optional>
#include <variant>

namespace tovel {

class Fetcher;

// A job as its steps see it: the one place they ask whether to go on and report how it goes, and where
// they leave what is running for them (a download, ffmpeg, the web engine) so that a cancel can end it
// at once. Shared by the runner and the job's task, it stays safe to use after the job is gone: a job
// that is gone counts as cancelled, and reports to it go nowhere.
class JobControl
{
public:
    explicit JobControl(Job *job) : m_job(job) {}

    [[nodiscard]] bool cancelled() const { return !m_job || m_job->isCancelled(); }
    // Marks the job cancelled and ends whatever runs for it now.
    void cancel();

    // What runs for the job now, until `idle`.
    void running(Fetcher *fetcher);
    void running(QProcess *process);
    void idle();

    [[nodiscard]] Job *job() const { return m_job; }
    void setPhase(const JobPhase &phase) const;
    // A failure never replaces a cancel.
    void fail(const QString &message) const;
    // Never backwards, and never once the job has ended.
    void advance(double progress) const;
    void setProgress(double progress) const;

    // A place in `line` for as long as the job is neither cancelled nor gone.
    QCoro::Task<std::optional<Limiter::Permit>> waitInLine(Limiter &line) const;
    // Waits `seconds`, or less when the job is cancelled meanwhile.
    QCoro::Task<void> pause(int seconds) const;

private:
    QPointer<Job> m_job;
    std::variant<std::monostate, QPointer<Fetcher>, QPointer<QProcess>> m_running;
};

} // namespace tovel

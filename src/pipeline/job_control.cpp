#include "pipeline/job_control.h"

#include "core/fetcher.h"
#include "platform/child_process.h"

#include <QCoroTimer>
#include <QElapsedTimer>

namespace tovel {

void JobControl::cancel()
{
    // The phase goes first: aborting a download finishes it at once, and its step must already see a
    // cancel rather than a failure.
    if (m_job)
        m_job->setPhase(JobPhase::Kind::cancelled);
    if (const auto *fetcher = std::get_if<QPointer<Fetcher>>(&m_running); fetcher && *fetcher)
        (*fetcher)->cancel();
    if (const auto *process = std::get_if<QPointer<QProcess>>(&m_running); process && *process)
        terminatePolitely(*process);
}

void JobControl::running(Fetcher *fetcher)
{
    m_running = QPointer<Fetcher>(fetcher);
}

void JobControl::running(QProcess *process)
{
    m_running = QPointer<QProcess>(process);
}

void JobControl::idle()
{
    m_running = std::monostate();
}

void JobControl::setPhase(const JobPhase &phase) const
{
    if (m_job)
        m_job->setPhase(phase);
}

void JobControl::fail(const QString &message) const
{
    if (!cancelled())
        m_job->setPhase(JobPhase::failed(message));
}

void JobControl::advance(double progress) const
{
    if (m_job && !m_job->isFinished())
        m_job->setProgress(std::max(m_job->progress(), progress));
}

void JobControl::setProgress(double progress) const
{
    if (m_job)
        m_job->setProgress(progress);
}

QCoro::Task<std::optional<Limiter::Permit>> JobControl::waitInLine(Limiter &line) const
{
    QPointer<Job> watched = m_job;
    // Callbacks are named before the co_await: g++ 12 destroys lambda temporaries in one twice.
    std::function<bool()> stillWanted = [watched] { return watched && !watched->isCancelled(); };
    co_return co_await line.acquire(watched ? watched->sequence() : 0, watched.data(), stillWanted);
}

QCoro::Task<void> JobControl::pause(int seconds) const
{
    QElapsedTimer clock;
    clock.start();
    while (!cancelled() && clock.elapsed() < seconds * 1000LL)
        co_await QCoro::sleepFor(std::chrono::milliseconds(100));
}

} // namespace tovel

#include "pipeline/tally.h"

#include "pipeline/job.h"

namespace tovel {

Tally tally(const QList<Job *> &jobs)
{
    Tally counts;
    for (const Job *job : jobs) {
        switch (job->phase().kind()) {
        case JobPhase::Kind::done: ++(job->alreadySaved() ? counts.alreadySaved : counts.saved); break;
        case JobPhase::Kind::failed: ++counts.failed; break;
        case JobPhase::Kind::cancelled: ++counts.stopped; break;
        default: ++counts.unfinished; break;
        }
    }
    return counts;
}

} // namespace tovel

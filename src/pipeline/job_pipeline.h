#pragma once

#include "pipeline/job_context.h"

#include <QCoroTask>

#include <memory>

namespace tovel {

class JobControl;

// One job's whole way, step by step (see job_steps.h), until its file is saved, it fails, or it is
// cancelled. Holds everything it needs itself, so it can finish safely after the job or its runner is
// gone: a cancelled job's task still removes its temporary files and any partial output.
QCoro::Task<void> runJob(std::shared_ptr<JobControl> control, JobContext context);

} // namespace tovel

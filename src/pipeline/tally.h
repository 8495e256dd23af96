#pragma once

#include <QList>

namespace tovel {

class Job;

// How the jobs of a gathering stand: the command line's summary and the window's both read it.
struct Tally
{
    int saved = 0;        // saved by this gathering
    int alreadySaved = 0; // done without work: saved by an earlier gathering and still there
    int failed = 0;
    int stopped = 0;    // cancelled
    int unfinished = 0; // still in line or at work

    [[nodiscard]] int total() const { return saved + alreadySaved + failed + stopped + unfinished; }
    // Saved now or before: what the user asked for is on disk.
    [[nodiscard]] int done() const { return saved + alreadySaved; }
};

[[nodiscard]] Tally tally(const QList<Job *> &jobs);

} // namespace tovel

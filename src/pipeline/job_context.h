#pragma once

#include "pipeline/conversion.h"
#include "pipeline/gather_lines.h"

#include <QFile>
#include <QHash>
#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace tovel {

class History;
class WebEngine;

// How far along a card's bar each stage of a job brings it: a download fills the first 70 %, and
// ffmpeg's own report moves it from 75 % towards 100 %, which waits for the saved file itself.
namespace progressBand {
inline constexpr double obtained = 0.7;
inline constexpr double converting = 0.75;
inline constexpr double conversionShare = 1.0 - converting;
// The most ffmpeg's report may claim of its share: the last step is the file's placing.
inline constexpr double lastReport = 0.99;
// The part of the conversion's share a reading of the sound takes, when one is made first.
inline constexpr double soundReadingShare = 1.0 / 3;
} // namespace progressBand

// How a runner's jobs wait and give up; tests shorten them.
struct PipelineTimings
{
    // How long a download waits before its second, third and fourth try, when the server does not say.
    QList<int> retryWaits{1, 4, 15};
    // How long a download may bring less than 1 KiB, and a conversion report no progress, before it is
    // given up.
    std::chrono::milliseconds downloadStall{60'000};
    std::chrono::milliseconds conversionStall = conversionStallWindow;
};

// A cover picture shared by the jobs of one runner: fetched by the first job that wants it, removed once
// the last job holding it lets go.
struct SharedCover
{
    bool ready = false;
    bool usable = true; // false once ffmpeg could not use it
    QString path;       // empty when there is no picture to use
    SharedCover() = default;
    SharedCover(const SharedCover &) = delete;
    SharedCover &operator=(const SharedCover &) = delete;
    ~SharedCover()
    {
        if (!path.isEmpty())
            QFile::remove(path);
    }
};

// Cover pictures being fetched or in use by a runner's jobs, by address.
using SharedCovers = QHash<QString, std::weak_ptr<SharedCover>>;

// Everything a job needs from the world around it, made once per gathering and handed to each of its
// jobs: no step reaches for anything else.
struct JobContext
{
    QString destination;
    QString userAgent;
    std::optional<QString> ffmpeg; // none: not installed
    WebEngine *engine = nullptr;   // for links no built-in source reads; none in tests that need none
    std::shared_ptr<History> history;
    std::shared_ptr<GatherLines> lines;
    PipelineTimings timings;
    std::shared_ptr<SharedCovers> covers;
};

} // namespace tovel

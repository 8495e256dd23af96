#pragma once

#include "core/limiter.h"

#include <QHash>
#include <QString>

#include <memory>

namespace tovel {

// Where gathering decides how much runs at once. Conversions share the processor: one per core (at
// least two) at a time. Downloads share each host: six at a time per host, since more is what gets a
// client rate-limited or banned. Each runner has its own set unless it is handed one to share;
// the jobs' tasks hold on to theirs until they end.
class GatherLines
{
public:
    explicit GatherLines(int conversions = defaultConversions(), int downloadsPerHost = 6);
    GatherLines(const GatherLines &) = delete;
    GatherLines &operator=(const GatherLines &) = delete;

    [[nodiscard]] static int defaultConversions();

    [[nodiscard]] Limiter &conversions() { return m_conversions; }
    // The line for downloads from `host` (compared lower-cased).
    [[nodiscard]] Limiter &downloads(const QString &host);

    // Jobs that were cancelled or went away leave every line they wait in.
    void recheck();

private:
    Limiter m_conversions;
    int m_downloadsPerHost;
    QHash<QString, std::shared_ptr<Limiter>> m_hosts;
};

} // namespace tovel

#include "pipeline/gather_lines.h"

#include <QThread>

namespace tovel {

GatherLines::GatherLines(int conversions, int downloadsPerHost)
    : m_conversions(conversions), m_downloadsPerHost(downloadsPerHost)
{}

int GatherLines::defaultConversions()
{
    return std::max(2, QThread::idealThreadCount());
}

Limiter &GatherLines::downloads(const QString &host)
{
    std::shared_ptr<Limiter> &line = m_hosts[host.toLower()];
    if (!line)
        line = std::make_shared<Limiter>(m_downloadsPerHost);
    return *line;
}

void GatherLines::recheck()
{
    m_conversions.recheck();
    for (const std::shared_ptr<Limiter> &line : std::as_const(m_hosts))
        line->recheck();
}

} // namespace tovel

#pragma once

#include <QByteArray>

#include <algorithm>
#include <optional>

namespace tovel {

// Follows ffmpeg's "-progress" report: the length written so far, and whether it moves at all.
class ProgressReader
{
public:
    // Takes what arrived on standard output; true when it said something new.
    bool feed(const QByteArray &chunk)
    {
        m_pending += chunk;
        bool moved = false;
        qsizetype end;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            const QByteArray line = m_pending.left(end).trimmed();
            m_pending.remove(0, end + 1);
            if (line.startsWith("out_time_us=")) {
                bool ok = false;
                const double seconds = line.mid(12).toDouble(&ok) / 1e6;
                if (ok && seconds >= 0) {
                    moved = moved || !m_written || seconds > *m_written;
                    m_written = seconds;
                }
            } else if (line.startsWith("total_size=")) {
                const qint64 size = line.mid(11).toLongLong();
                moved = moved || size > m_size;
                m_size = std::max(m_size, size);
            } else if (line == "progress=end") {
                moved = true;
            }
        }
        if (m_pending.size() > 4096)
            m_pending.clear();
        return moved;
    }
    [[nodiscard]] std::optional<double> written() const { return m_written; }

private:
    QByteArray m_pending;
    std::optional<double> m_written;
    qint64 m_size = 0;
};

} // namespace tovel

#include "platform/leftovers.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>

#include <cerrno>
#include <csignal>
#include <optional>
#include <unistd.h>

namespace tovel::paths {

namespace {

// When a process started, in clock ticks since the machine booted (field 22 of /proc/PID/stat).
std::optional<qint64> startTime(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray line = stat.readAll();
    // The command name in parentheses may hold spaces; the fields after it are plain.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    bool ok = false;
    const qint64 ticks = fields.value(19).toLongLong(&ok);
    return ok ? std::optional(ticks) : std::nullopt;
}

bool isRunning(qint64 pid, const QString &started)
{
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return false;
    // Another user's process answers "not permitted": it runs, and its files are not ours to judge.
    if (::kill(pid_t(pid), 0) != 0 && errno != EPERM)
        return false;
    if (started.isEmpty())
        return true;
    // Alive, but perhaps another process that got the same id since: only the same start is the maker.
    const auto ticks = startTime(pid);
    return !ticks || QString::number(*ticks) == started;
}

} // namespace

QString ownerStamp()
{
    static const QString stamp = [] {
        const qint64 pid = ::getpid();
        const auto ticks = startTime(pid);
        return ticks ? QStringLiteral("%1.%2").arg(pid).arg(*ticks) : QString::number(pid);
    }();
    return stamp;
}

QStringList removeLeftovers(const QStringList &folders)
{
    static const QRegularExpression ours(
        QStringLiteral("^(\\.?)tovel-([0-9]{1,10})(?:\\.([0-9]{1,20}))?-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}"
                       "-[0-9A-F]{12}(\\.download|\\.part\\.[a-z0-9]{1,5})?$"));
    QStringList removed;
    for (const QString &folder : folders) {
        const QFileInfoList entries
            = QDir(folder).entryInfoList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo &entry : entries) {
            const QRegularExpressionMatch match = ours.match(entry.fileName());
            if (!match.hasMatch() || isRunning(match.captured(2).toLongLong(), match.captured(3)))
                continue;
            const bool hidden = !match.captured(1).isEmpty();
            const QString suffix = match.captured(4);
            // Partial outputs are hidden files; downloads plain files; a web engine's working folder a
            // folder with no suffix. A name of one kind on a thing of another is not ours.
            bool gone = false;
            if (entry.isSymLink())
                continue;
            if (hidden && suffix.startsWith(QLatin1String(".part.")) && entry.isFile())
                gone = QFile::remove(entry.filePath());
            else if (!hidden && suffix == QLatin1String(".download") && entry.isFile())
                gone = QFile::remove(entry.filePath());
            else if (!hidden && suffix.isEmpty() && entry.isDir())
                gone = QDir(entry.filePath()).removeRecursively();
            if (gone)
                removed << entry.filePath();
        }
    }
    return removed;
}

void removeLeftoversOnce(const QStringList &folders)
{
    static QMutex mutex;
    static QSet<QString> done;
    QStringList fresh;
    {
        QMutexLocker lock(&mutex);
        for (const QString &folder : folders) {
            const QString key = QFileInfo(folder).absoluteFilePath();
            if (!done.contains(key)) {
                done.insert(key);
                fresh << folder;
            }
        }
    }
    if (!fresh.isEmpty())
        removeLeftovers(fresh);
}

} // namespace tovel::paths

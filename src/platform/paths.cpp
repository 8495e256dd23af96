#include "platform/paths.h"

#include "platform/leftovers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUuid>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovel::paths {

QString downloadsLocation()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return folder.isEmpty() ? QDir::homePath() + QStringLiteral("/Downloads") : folder;
}

std::optional<QString> homeProblem()
{
    // Qt reads an unset or empty HOME as "/", which as root would put Downloads at the file system's root.
    const QString home = qEnvironmentVariable("HOME");
    const QString fix = QCoreApplication::translate(
        "Tovel", ", so there is nowhere to save: set HOME to your home folder and try again.");
    if (home.isEmpty())
        return QCoreApplication::translate("Tovel", "Your home folder is not set") + fix;
    const QFileInfo folder(home);
    if (folder.isRelative())
        return QCoreApplication::translate("Tovel", "Your home folder (HOME=%1) is not a full path").arg(home) + fix;
    if (!folder.isDir())
        return QCoreApplication::translate("Tovel", "Your home folder (HOME=%1) is not a folder").arg(home) + fix;
    if (!folder.isWritable())
        return QCoreApplication::translate("Tovel", "Your home folder (HOME=%1) cannot be written to").arg(home) + fix;
    return std::nullopt;
}

QString downloads()
{
    const QString folder = downloadsLocation();
    if (!homeProblem())
        QDir().mkpath(folder);
    return folder;
}

QString temporary()
{
    return QDir::tempPath();
}

QString applicationSupport()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Tovel");
}

std::optional<QString> resources()
{
    if (qEnvironmentVariableIsSet("TOVEL_RESOURCES")) {
        QString chosen = qEnvironmentVariable("TOVEL_RESOURCES");
        return chosen.isEmpty() ? std::nullopt : std::optional<QString>(std::move(chosen));
    }
    if (!QCoreApplication::instance())
        return std::nullopt;
    const QString exeDir = QCoreApplication::applicationDirPath();
    for (const QString &candidate :
         {exeDir + QStringLiteral("/resources"), exeDir + QStringLiteral("/../share/tovel")}) {
        if (QFileInfo(candidate).isDir())
            return QDir::cleanPath(candidate);
    }
    return std::nullopt;
}

QString temporaryName(const QString &suffix)
{
    return QStringLiteral("tovel-") + ownerStamp() + u'-' + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()
        + suffix;
}

std::expected<std::unique_ptr<QFile>, QString> createPrivateFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return std::unexpected(QString::fromLocal8Bit(std::strerror(errno)));
    auto file = std::make_unique<QFile>(path);
    if (!file->open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::unexpected(file->errorString());
    }
    return file;
}

bool giveUsualPermissions(const QString &path)
{
    // The umask can only be read by setting it; read once, before other threads could create files.
    static const mode_t mask = [] {
        const mode_t old = ::umask(022);
        ::umask(old);
        return old;
    }();
    return ::chmod(QFile::encodeName(path).constData(), 0666 & ~mask) == 0;
}

bool createPrivateFolder(const QString &path)
{
    return ::mkdir(QFile::encodeName(path).constData(), 0700) == 0;
}

} // namespace tovel::paths

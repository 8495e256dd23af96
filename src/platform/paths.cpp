#include "platform/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUuid>

namespace tovel::paths {

QString downloads()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (folder.isEmpty())
        folder = QDir::homePath() + QStringLiteral("/Downloads");
    QDir().mkpath(folder);
    return folder;
}

QString temporary() { return QDir::tempPath(); }

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
    for (const QString &candidate : {exeDir + QStringLiteral("/resources"), exeDir + QStringLiteral("/../share/tovel")}) {
        if (QFileInfo(candidate).isDir())
            return QDir::cleanPath(candidate);
    }
    return std::nullopt;
}

QString temporaryName(const QString &name)
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + u'-' + name;
}

} // namespace tovel::paths

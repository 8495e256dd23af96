#include "engine/tools.h"

#include "platform/paths.h"
#include "platform/text.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <QCoreApplication>
#include <algorithm>
#include <mutex>
#include <unistd.h>

namespace tovel::Tools {

namespace {
QStringList sortedDescending(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Unsorted);
    // Plain code-unit order, not numeric: "3.9" comes before "3.12".
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) { return b < a; });
    return names;
}
} // namespace

bool isExecutable(const QString &path)
{
    const QByteArray local = QFile::encodeName(path);
    return !path.isEmpty() && ::access(local.constData(), X_OK) == 0 && QFileInfo(path).isFile();
}

QStringList searchDirectories()
{
    return {QStringLiteral("/usr/local/bin"), QStringLiteral("/opt/homebrew/bin"), QStringLiteral("/usr/bin"),
            QDir::homePath() + QStringLiteral("/.local/bin")};
}

std::optional<QString> find(const QStringList &names, const QStringList &extra,
                            const std::optional<QStringList> &directories)
{
    for (const QString &path : extra)
        if (isExecutable(path))
            return path;
    for (const QString &directory : directories.value_or(searchDirectories()))
        for (const QString &name : names) {
            const QString candidate = directory + u'/' + name;
            if (isExecutable(candidate))
                return candidate;
        }
    return std::nullopt;
}

std::optional<QString> locateFFmpeg(const std::optional<QString> &resourceDir,
                                    const std::optional<QStringList> &directories)
{
    if (resourceDir) {
        const QString bundled = *resourceDir + QStringLiteral("/bin/ffmpeg");
        if (isExecutable(bundled))
            return bundled;
    }
    return find({QStringLiteral("ffmpeg")}, {}, directories);
}

std::optional<QString> ffmpegPath()
{
    if (qEnvironmentVariableIsSet("TOVEL_FFMPEG")) {
        QString chosen = qEnvironmentVariable("TOVEL_FFMPEG");
        return chosen.isEmpty() ? std::nullopt : std::optional<QString>(std::move(chosen));
    }
    static std::once_flag once;
    static std::optional<QString> path;
    std::call_once(once, [] { path = locateFFmpeg(paths::resources()); });
    return path;
}

bool hasFFmpeg()
{
    return ffmpegPath().has_value();
}

bool ffmpegInResources()
{
    const auto path = ffmpegPath();
    const auto resources = paths::resources();
    return path && resources && path->startsWith(*resources);
}

QString classifyLicense(const QByteArray &output)
{
    // Bytes that are not valid UTF-8 count as no text at all.
    QString text = strictUtf8(output).value_or(QString());
    text.replace(u'\n', u' ');
    text.replace(u'\r', u' ');
    if (text.contains(QLatin1String("GNU Lesser General Public License")))
        return QStringLiteral("LGPL");
    if (text.contains(QLatin1String("GNU General Public License")))
        return QStringLiteral("GPL");
    return QStringLiteral("unknown");
}

QString ffmpegLicense()
{
    const auto path = ffmpegPath();
    if (!path)
        return QCoreApplication::translate("Tovel", "not found");
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(*path, {QStringLiteral("-L")}, QIODevice::ReadOnly);
    if (!process.waitForStarted())
        return QCoreApplication::translate("Tovel", "unknown");
    process.waitForFinished(-1);
    return classifyLicense(process.readAllStandardOutput());
}

std::optional<QString> findYtDlp()
{
    const QString frameworks = QStringLiteral("/Library/Frameworks/Python.framework/Versions");
    QStringList extra;
    for (const QString &name : sortedDescending(frameworks))
        extra.append(frameworks + u'/' + name + QStringLiteral("/bin/yt-dlp"));
    extra.append(QDir::homePath() + QStringLiteral("/.local/bin/yt-dlp"));
    return find({QStringLiteral("yt-dlp")}, extra);
}

std::optional<QString> findJSRuntime()
{
    const QString versions = QDir::homePath() + QStringLiteral("/.nvm/versions/node");
    QStringList extra;
    for (const QString &name : sortedDescending(versions))
        extra.append(versions + u'/' + name + QStringLiteral("/bin/node"));
    return find({QStringLiteral("deno"), QStringLiteral("node")}, extra);
}

} // namespace tovel::Tools

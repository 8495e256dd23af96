#include "app/cli_parts.h"

#include "pipeline/source_router.h"
#include "platform/paths.h"
#include "platform/text.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>

#include <cstdio>

namespace tovel::cli {

namespace {

// Text from outside (titles, names, a server's words) never reaches the terminal as control codes: a
// title could otherwise retitle the window or clear the screen. Line ends of our own stay.
QString printable(const QString &text)
{
    QStringList lines = text.split(u'\n');
    for (QString &line : lines)
        line = visibleControls(line);
    return lines.join(u'\n');
}

} // namespace

void writeRaw(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void out(const QString &text)
{
    writeRaw(printable(text));
}

void err(const QString &text)
{
    const QByteArray bytes = printable(text).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

// JSON escapes the C0 controls itself; DEL and the C1 controls are escaped the same way, as a terminal
// may act on them too.
QString jsonLine(const QJsonObject &object)
{
    return visibleControls(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)), ControlEscape::json)
        + u'\n';
}

// With no usable home there is nowhere for the files, the history or the settings: say so, write nothing.
bool homeUsable()
{
    const auto problem = paths::homeProblem();
    if (problem)
        err(*problem + u'\n');
    return !problem;
}

std::optional<AudioQuality> qualityFrom(const QString &text)
{
    if (const auto raw = audioQualityFromRaw(text))
        return raw;
    const QString lower = text.trimmed().toLower();
    if (lower == QLatin1String("best"))
        return AudioQuality::best;
    if (lower == QLatin1String("320") || lower == QLatin1String("320k"))
        return AudioQuality::k320;
    if (lower == QLatin1String("192") || lower == QLatin1String("192k"))
        return AudioQuality::k192;
    if (lower == QLatin1String("128") || lower == QLatin1String("128k"))
        return AudioQuality::k128;
    return std::nullopt;
}

std::optional<std::pair<AudioFormat, AudioQuality>> choicesFrom(const Request &request)
{
    const auto format = audioFormatFromRaw(request.format.toLower());
    if (!format) {
        err(QCoreApplication::translate("CommandLine", "Unknown format \"%1\". Choose mp3, m4a, wav, flac or mp4.\n")
                .arg(request.format));
        return std::nullopt;
    }
    const auto quality = qualityFrom(request.quality);
    if (!quality) {
        err(QCoreApplication::translate("CommandLine", "Unknown quality \"%1\". Choose best, 320, 192 or 128.\n")
                .arg(request.quality));
        return std::nullopt;
    }
    return std::pair(*format, *quality);
}

std::optional<QString> destinationFrom(const Request &request)
{
    if (!request.to)
        return paths::downloads();
    if (request.to->trimmed().isEmpty()) {
        err(QCoreApplication::translate("CommandLine", "--to needs a folder to save into.\n"));
        return std::nullopt;
    }
    const QString to = SourceRouter::normalizedPath(*request.to);
    const QString destination = QDir::cleanPath(QDir::current().absoluteFilePath(to));
    if (QFileInfo(destination).exists() && !QFileInfo(destination).isDir()) {
        err(QCoreApplication::translate("CommandLine", "%1 is a file, not a folder to save into.\n").arg(destination));
        return std::nullopt;
    }
    return destination;
}

} // namespace tovel::cli

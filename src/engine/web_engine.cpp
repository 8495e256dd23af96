#include "engine/web_engine.h"

#include "core/url_text.h"
#include "engine/tools.h"
#include "platform/child_process.h"
#include "platform/defaults.h"
#include "platform/paths.h"
#include "platform/text.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>
#include <QUuid>

#include <QCoreApplication>
#include <csignal>

namespace tovel {

namespace {

const QString titleMarker = QStringLiteral("TOVEL-TITLE:");
const QString fileMarker = QStringLiteral("TOVEL-FILE:");

} // namespace

void EngineLineReader::feed(const QByteArray &chunk)
{
    m_pending += chunk;
    qsizetype start = 0;
    for (qsizetype end = m_pending.indexOf('\n'); end >= 0; end = m_pending.indexOf('\n', start)) {
        parseLine(m_pending.mid(start, end - start));
        start = end + 1;
    }
    m_pending.remove(0, start);
}

void EngineLineReader::finish()
{
    if (!m_pending.isEmpty())
        parseLine(m_pending);
    m_pending.clear();
}

void EngineLineReader::parseLine(const QByteArray &bytes)
{
    const auto decoded = strictUtf8(bytes);
    if (!decoded || decoded->isEmpty())
        return;
    QString line = *decoded;
    if (line.endsWith(u'\r'))
        line.chop(1);
    // Only our own lines start with a marker; a warning that merely quotes one is not ours.
    if (line.startsWith(titleMarker)) {
        m_transcript.title = line.mid(titleMarker.size());
        return;
    }
    if (line.startsWith(fileMarker)) {
        m_transcript.file = trimSpacesAndTabs(line.mid(fileMarker.size()));
        return;
    }
    if (line.contains(QLatin1String("[download]"))) {
        static const QRegularExpression percent(QStringLiteral("(\\d+(?:\\.\\d+)?)%"));
        const QRegularExpressionMatch match = percent.match(line);
        if (match.hasMatch()) {
            bool ok = false;
            const double value = match.captured(1).toDouble(&ok);
            if (ok && m_progress)
                m_progress(value / 100.0);
            if (ok)
                return;
        }
    }
    if (line.startsWith(QLatin1String("ERROR:")))
        m_transcript.lastError = trimSpacesAndTabs(line.mid(6));
}

bool takesJsRuntimes(const std::optional<QString> &version)
{
    if (!version)
        return false;
    static const QRegularExpression date(QStringLiteral("^(\\d{4})\\.(\\d{1,2})\\.(\\d{1,2})"));
    const QRegularExpressionMatch match = date.match(*version);
    if (!match.hasMatch())
        return false;
    const int stamp = match.captured(1).toInt() * 10000 + match.captured(2).toInt() * 100 + match.captured(3).toInt();
    return stamp >= 20251112;
}

QStringList webEngineArguments(const QString &link, bool video, const QString &workingFolder,
                               const std::optional<QString> &ffmpeg, const std::optional<QString> &runtime,
                               const std::optional<QString> &version)
{
    QStringList arguments{
        QStringLiteral("--no-update"), QStringLiteral("--no-playlist"), QStringLiteral("--no-simulate"),
        QStringLiteral("--newline"), QStringLiteral("--progress"), QStringLiteral("--print"),
        QStringLiteral("before_dl:TOVEL-TITLE:%(title)s"), QStringLiteral("--print"),
        QStringLiteral("after_move:TOVEL-FILE:%(filepath)s"), QStringLiteral("-o"),
        // The folder is ours, but its path is not: a "%" in it must not read as a field.
        QString(workingFolder).replace(u'%', QStringLiteral("%%")) + QStringLiteral("/%(id)s.%(ext)s")};
    if (ffmpeg)
        arguments << QStringLiteral("--ffmpeg-location") << *ffmpeg;
    if (runtime && takesJsRuntimes(version))
        arguments << QStringLiteral("--js-runtimes")
                  << (runtime->endsWith(QLatin1String("deno")) ? QStringLiteral("deno:") : QStringLiteral("node:"))
                + *runtime;
    if (video)
        arguments << QStringLiteral("-f") << QStringLiteral("bv*[ext=mp4]+ba[ext=m4a]/b[ext=mp4]/bv*+ba/b")
                  << QStringLiteral("--merge-output-format") << QStringLiteral("mp4");
    else
        arguments << QStringLiteral("-f") << QStringLiteral("ba/b");
    arguments << QStringLiteral("--") << trimWhitespace(link);
    return arguments;
}

std::optional<QString> fileInside(const std::optional<QString> &reported, const QString &workingFolder)
{
    if (!reported || reported->isEmpty())
        return std::nullopt;
    const QFileInfo info(*reported);
    // A link is never taken, wherever it points.
    if (info.isSymLink() || !info.isFile())
        return std::nullopt;
    const QString folder = QFileInfo(workingFolder).canonicalFilePath();
    const QString file = info.canonicalFilePath();
    if (folder.isEmpty() || file.isEmpty() || !file.startsWith(folder + u'/'))
        return std::nullopt;
    return file;
}

WebEngine::WebEngine()
{
    const auto stored = Defaults::text(pathKey);
    m_path = stored && !stored->isEmpty() ? *stored : Tools::findYtDlp().value_or(QString());
    m_enabled = Defaults::boolean(enabledKey, false);
    // No probe yet: the version is asked for when a web link first needs the engine.
}

WebEngine &WebEngine::shared()
{
    static WebEngine *instance = new WebEngine;
    return *instance;
}

void WebEngine::setPath(const QString &path)
{
    Defaults::set(pathKey, path);
    if (m_path != path) {
        m_path = path;
        emit pathChanged();
    }
    reprobe();
}

void WebEngine::setEnabled(bool enabled)
{
    Defaults::set(enabledKey, enabled);
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    emit enabledChanged();
}

void WebEngine::useForThisRun(std::optional<bool> enabled, std::optional<QString> path)
{
    if (path && *path != m_path) {
        m_path = *path;
        emit pathChanged();
        reprobe();
    }
    if (enabled && *enabled != m_enabled) {
        m_enabled = *enabled;
        emit enabledChanged();
    }
}

bool WebEngine::isInstalled() const
{
    return !m_path.isEmpty() && Tools::isExecutable(m_path);
}

void WebEngine::reprobe()
{
    m_probedPath.reset();
    probe();
}

QCoro::Task<bool> WebEngine::probe()
{
    if (m_probedPath == m_path)
        co_return m_answered;
    const QString path = m_path;
    const quint64 generation = ++m_probeGeneration;
    std::optional<QString> version;
    bool answered = false;
    if (isInstalled()) {
        auto process = makeChildProcess(path, {QStringLiteral("--version")});
        process->setStandardErrorFile(QProcess::nullDevice());
        QProcess *raw = process.get();
        // A program that hangs is ended with whatever it started (it leads its own process group).
        QTimer::singleShot(probeLimitMs, raw, [raw] {
            if (raw->state() != QProcess::NotRunning && raw->processId() > 0)
                ::kill(-pid_t(raw->processId()), SIGKILL);
        });
        const ChildExit exit = co_await runToExit(raw);
        if (exit.started && !exit.crashed) {
            answered = true;
            if (const auto text = strictUtf8(raw->readAllStandardOutput()))
                version = text->trimmed();
        }
    }
    // A probe of a path that has since been replaced tells its caller, and nobody else. Only an answer
    // is kept: a program that was merely slow once (a busy machine) is asked again next time.
    if (generation == m_probeGeneration) {
        m_probedPath = answered ? std::optional<QString>(path) : std::nullopt;
        m_answered = answered;
        if (version != m_version) {
            m_version = version;
            emit versionChanged();
        }
    }
    co_return answered;
}

bool WebEngine::looksLikeWebLink(const QString &input)
{
    const QString text = trimWhitespace(input);
    if (text.startsWith(u'-'))
        return false;
    const auto url = parseUrl(text);
    return url && url->isHttp() && url->host && !url->host->isEmpty();
}

QCoro::Task<Result<WebDownload>> WebEngine::download(QString link, bool video, StartCallback onStart,
                                                     ProgressCallback progress)
{
    if (!m_enabled || !isInstalled())
        co_return fail(
            Error::unsupported(QCoreApplication::translate("Tovel", "Turn on the web engine in Engine settings.")));
    if (!looksLikeWebLink(link))
        co_return fail(Error::unsupported(QCoreApplication::translate("Tovel", "That doesn't look like a web link.")));
    if (!co_await probe())
        co_return fail(Error::unsupported(
            QCoreApplication::translate("Tovel", "yt-dlp did not answer. Check its path in Engine settings.")));

    const QString folder = paths::temporary() + u'/' + paths::temporaryName(QString());
    if (!paths::createPrivateFolder(folder))
        co_return fail(Error::folderNotCreated(folder));

    auto process = makeChildProcess(
        m_path, webEngineArguments(link, video, folder, Tools::ffmpegPath(), Tools::findJSRuntime(), m_version));
    process->setProcessChannelMode(QProcess::MergedChannels);
    auto reader = std::make_shared<EngineLineReader>(progress);
    QProcess *raw = process.get();
    connect(raw, &QProcess::readyReadStandardOutput, raw,
            [raw, reader] { reader->feed(raw->readAllStandardOutput()); });
    if (onStart)
        onStart(raw);
    const ChildExit exit = co_await runToExit(raw);
    if (!exit.started) {
        QDir(folder).removeRecursively();
        co_return fail(Error::plain(exit.launchError));
    }
    reader->feed(raw->readAllStandardOutput());
    reader->finish();
    disconnect(raw, nullptr, nullptr, nullptr);

    const EngineTranscript &transcript = reader->transcript();
    const auto file = fileInside(transcript.file, folder);
    if (exit.exitCode == 0 && !exit.crashed && file) {
        const QString title = transcript.title.isEmpty() ? QFileInfo(*file).completeBaseName() : transcript.title;
        co_return WebDownload{*file, title, folder};
    }
    QDir(folder).removeRecursively();
    co_return fail(Error::unsupported(
        transcript.lastError.isEmpty() ? QCoreApplication::translate("Tovel", "The web engine couldn't read that link.")
                                       : transcript.lastError));
}

} // namespace tovel

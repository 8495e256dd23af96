#pragma once

#include "core/error.h"

#include <QByteArray>
#include <QCoroTask>
#include <QObject>
#include <QProcess>

#include <functional>
#include <optional>

namespace tovel {

// What a web-engine download hands back.
struct WebDownload
{
    QString file;
    QString title;
    QString workingFolder; // the download's own folder; the caller removes it when done with the file
};

// What yt-dlp printed that we act on: the title, the file it reports, its last error.
struct EngineTranscript
{
    QString title;
    std::optional<QString> file;
    QString lastError;
};

// Reads yt-dlp's output, which arrives in chunks of any size: only whole lines are decoded and
// parsed, so a marker or a multi-byte character split across two chunks is never lost.
class EngineLineReader
{
public:
    explicit EngineLineReader(std::function<void(double)> progress = {}) : m_progress(std::move(progress)) {}
    void feed(const QByteArray &chunk);
    // Parses whatever is left after the last line feed, once the program has exited.
    void finish();
    [[nodiscard]] const EngineTranscript &transcript() const { return m_transcript; }

private:
    void parseLine(const QByteArray &line);

    std::function<void(double)> m_progress;
    QByteArray m_pending;
    EngineTranscript m_transcript;
};

// The exact yt-dlp argument list for a download.
[[nodiscard]] QStringList webEngineArguments(const QString &link, bool video, const QString &workingFolder,
                                             const std::optional<QString> &ffmpeg,
                                             const std::optional<QString> &runtime,
                                             const std::optional<QString> &version);

// yt-dlp takes "--js-runtimes" only from its 2025.11.12 release on.
[[nodiscard]] bool takesJsRuntimes(const std::optional<QString> &version);

// The file yt-dlp reported, if it is a regular file (not a link) inside `workingFolder`.
[[nodiscard]] std::optional<QString> fileInside(const std::optional<QString> &reported, const QString &workingFolder);

// Links from other websites, through the yt-dlp the user installed. Tovel never installs, downloads
// or updates yt-dlp.
class WebEngine : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString path READ path WRITE setPath NOTIFY pathChanged)
    Q_PROPERTY(bool enabled READ enabled WRITE setEnabled NOTIFY enabledChanged)
    Q_PROPERTY(QString version READ versionText NOTIFY versionChanged)
    Q_PROPERTY(bool installed READ isInstalled NOTIFY pathChanged)
public:
    static inline const QString pathKey = QStringLiteral("webEnginePath");
    static inline const QString enabledKey = QStringLiteral("webEngineEnabled");

    static WebEngine &shared();

    // Longest a version probe may take; a program that has not answered by then counts as not installed.
    static constexpr int probeLimitMs = 5'000;

    [[nodiscard]] QString path() const { return m_path; }
    // Stores the path, then probes its version in the background.
    void setPath(const QString &path);
    [[nodiscard]] bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    [[nodiscard]] const std::optional<QString> &version() const { return m_version; }
    [[nodiscard]] QString versionText() const { return m_version.value_or(QString()); }
    [[nodiscard]] bool isInstalled() const;
    [[nodiscard]] bool isReady() const { return m_enabled && isInstalled(); }
    // Asks the program for its version without blocking, within the probe limit; true when it answered.
    // An answer is kept until the path changes; `version` holds it.
    QCoro::Task<bool> probe();

    // For one run of the command line: switch the engine on, or use another program, storing nothing.
    void useForThisRun(std::optional<bool> enabled, std::optional<QString> path);

    [[nodiscard]] static bool looksLikeWebLink(const QString &input);

    using StartCallback = std::function<void(QProcess *)>;
    using ProgressCallback = std::function<void(double)>;
    // Downloads the link into a working folder of its own. On failure the folder is already gone.
    QCoro::Task<Result<WebDownload>> download(QString link, bool video, StartCallback onStart,
                                              ProgressCallback progress);

signals:
    void pathChanged();
    void enabledChanged();
    void versionChanged();

private:
    WebEngine();
    void reprobe();

    QString m_path;
    bool m_enabled = false;
    std::optional<QString> m_version;
    // The last probe that ended: for which path, and whether the program answered.
    std::optional<QString> m_probedPath;
    bool m_answered = false;
    quint64 m_probeGeneration = 0;
};

} // namespace tovel

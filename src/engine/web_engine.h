#pragma once

#include "core/error.h"

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
    QString workingFolder; // the download's own folder, removed by the caller when done with the file
};

// Links from other websites, through the yt-dlp the user installed.
class WebEngine : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString path READ path WRITE setPath NOTIFY pathChanged)
    Q_PROPERTY(bool enabled READ enabled WRITE setEnabled NOTIFY enabledChanged)
public:
    static inline const QString pathKey = QStringLiteral("webEnginePath");
    static inline const QString enabledKey = QStringLiteral("webEngineEnabled");

    static WebEngine &shared();

    [[nodiscard]] QString path() const { return m_path; }
    void setPath(const QString &path);
    [[nodiscard]] bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    [[nodiscard]] bool isInstalled() const;
    [[nodiscard]] bool isReady() const { return m_enabled && isInstalled(); }

    [[nodiscard]] static bool looksLikeWebLink(const QString &input);

    using StartCallback = std::function<void(QProcess *)>;
    using ProgressCallback = std::function<void(double)>;
    QCoro::Task<Result<WebDownload>> download(QString link, bool video, StartCallback onStart,
                                              ProgressCallback progress);

signals:
    void pathChanged();
    void enabledChanged();

private:
    WebEngine();
    QString m_path;
    bool m_enabled = false;
};

} // namespace tovel

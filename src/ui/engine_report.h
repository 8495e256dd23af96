#pragma once

#include <QObject>
#include <QQmlEngine>
#include <QUrl>

namespace tovel {

// What the Engine pane shows and changes: the converter, the web engine, the manifest, updates and
// crash reports. It holds no settings of its own; every change goes straight to the owner. The
// converter's licence is asked for in the background each time a report is made.
class EngineReport : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QObject *web READ web CONSTANT)
    Q_PROPERTY(QObject *updater READ updater CONSTANT)
    Q_PROPERTY(bool converterPresent READ converterPresent NOTIFY toolsChanged)
    Q_PROPERTY(bool converterBundled READ converterBundled NOTIFY toolsChanged)
    Q_PROPERTY(QString license READ license NOTIFY licenseChanged)
    Q_PROPERTY(bool runtimeFound READ runtimeFound NOTIFY toolsChanged)
    Q_PROPERTY(QString installedVersion READ installedVersion CONSTANT)
    Q_PROPERTY(QString manifestLine READ manifestLine NOTIFY manifestChanged)
    Q_PROPERTY(QString manifestNotice READ manifestNotice NOTIFY manifestChanged)
    Q_PROPERTY(int reportCount READ reportCount NOTIFY reportsChanged)
    Q_PROPERTY(QString reportsText READ reportsText NOTIFY reportsChanged)
public:
    explicit EngineReport(QObject *parent = nullptr);

    [[nodiscard]] QObject *web() const;
    [[nodiscard]] QObject *updater() const;
    [[nodiscard]] bool converterPresent() const;
    [[nodiscard]] bool converterBundled() const;
    [[nodiscard]] QString license() const { return m_license; }
    [[nodiscard]] bool runtimeFound() const { return m_runtimeFound; }
    [[nodiscard]] QString installedVersion() const;
    [[nodiscard]] QString manifestLine() const;
    [[nodiscard]] QString manifestNotice() const;
    [[nodiscard]] int reportCount() const { return int(m_reports); }
    [[nodiscard]] QString reportsText() const;

    // Looks for yt-dlp where it is usually installed and stores what it finds; false when nothing.
    Q_INVOKABLE bool findWebEngine();
    // The file picked in the open dialog; an empty address (a cancelled dialog) changes nothing.
    Q_INVOKABLE void chooseWebEngine(const QUrl &file);
    // Why Qt's own file dialog cannot be built here, as QML puts it; empty when it can (see the .cpp).
    Q_INVOKABLE QString fileDialogProblem() const;
    // Stores the path as typed, when it differs from the one in use.
    Q_INVOKABLE void typeWebEnginePath(const QString &path);
    Q_INVOKABLE void showReports() const;
    Q_INVOKABLE void deleteReports();
    // Looks again at the tools and the crash reports: the pane is kept, and things change while it is
    // out of sight (ffmpeg installed, a report written).
    Q_INVOKABLE void refresh();

signals:
    void toolsChanged();
    void licenseChanged();
    void manifestChanged();
    void reportsChanged();

private:
    void countReports();

    QString m_license = QStringLiteral("checking\u2026");
    bool m_runtimeFound = false;
    qsizetype m_reports = 0;
};

// Why Qt's file dialog cannot be made in `engine` (a module it needs is missing, where opening it would
// crash), in the toolkit's words; empty when it can.
[[nodiscard]] QString fileDialogProblem(QQmlEngine *engine);

} // namespace tovel

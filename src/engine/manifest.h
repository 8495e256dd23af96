#pragma once

#include <QCoroTask>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QUrl>

#include <optional>

namespace tovel {

// What the product's site tells every copy: above all the user agent our requests carry.
struct EngineManifest
{
    qint64 version = 0;
    QString minimumAppVersion;
    QString archiveSearchEndpoint;
    QString userAgent;
    std::optional<QString> notice;

    [[nodiscard]] static EngineManifest builtIn();
    static constexpr qsizetype maxUserAgentLength = 256;

    // Decodes a manifest document; nothing when a required key is missing or mistyped, or when the user
    // agent holds a control character (it would forge request headers) or is over 256 characters.
    [[nodiscard]] static std::optional<EngineManifest> decode(const QByteArray &json);
    [[nodiscard]] QByteArray encode() const;

    bool operator==(const EngineManifest &) const = default;
};

// The one manifest in force: the built-in defaults, replaced by the cached copy at start, and by a
// refresh from the network when one is accepted. Lives on the GUI thread.
class ManifestStore : public QObject
{
    Q_OBJECT
    Q_PROPERTY(qint64 version READ version NOTIFY manifestChanged)
    Q_PROPERTY(bool builtInDefaults READ builtInDefaults NOTIFY lastFetchChanged)
public:
    // A manifest is a few hundred bytes; anything near this is not one.
    static constexpr qint64 maxManifestBytes = 1024 * 1024;

    static ManifestStore &shared();
    // A store with its own cache file (the shared one uses the application-support folder).
    explicit ManifestStore(QString cachePath, QObject *parent = nullptr);

    [[nodiscard]] const EngineManifest &manifest() const { return m_manifest; }
    [[nodiscard]] const std::optional<QDateTime> &lastFetch() const { return m_lastFetch; }
    [[nodiscard]] QString cachePath() const { return m_cachePath; }
    [[nodiscard]] qint64 version() const { return m_manifest.version; }
    [[nodiscard]] bool builtInDefaults() const { return !m_lastFetch.has_value(); }

    // Fetches a manifest and puts it in force when it is usable and not older; never fails loudly.
    QCoro::Task<void> refresh(QUrl address);

    // The cache file's default place: ~/.local/share/Tovel/manifest.json.
    [[nodiscard]] static QString defaultCachePath();

signals:
    void manifestChanged();
    void lastFetchChanged();

private:
    EngineManifest m_manifest;
    std::optional<QDateTime> m_lastFetch;
    QString m_cachePath;
};

} // namespace tovel

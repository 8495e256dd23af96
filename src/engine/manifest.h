#pragma once

#include <QObject>
#include <QString>

namespace tovel {

// What the product's site tells every copy: above all the user agent our requests carry.
struct EngineManifest
{
    int version = 1;
    QString minimumAppVersion;
    QString archiveSearchEndpoint;
    QString userAgent;

    [[nodiscard]] static EngineManifest builtIn();
};

// The one manifest in force; lives on the GUI thread.
class ManifestStore : public QObject
{
    Q_OBJECT
public:
    static ManifestStore &shared();
    [[nodiscard]] const EngineManifest &manifest() const { return m_manifest; }

signals:
    void manifestChanged();

private:
    ManifestStore();
    EngineManifest m_manifest;
};

} // namespace tovel

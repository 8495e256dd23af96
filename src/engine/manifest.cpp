#include "engine/manifest.h"

#include "core/endpoints.h"

namespace tovel {

EngineManifest EngineManifest::builtIn()
{
    EngineManifest manifest;
    manifest.version = 1;
    manifest.minimumAppVersion = QStringLiteral("1.0");
    manifest.archiveSearchEndpoint = QStringLiteral("https://") + endpoints::archiveHost
        + QStringLiteral("/advancedsearch.php");
    manifest.userAgent = QStringLiteral("Tovel/1.0 (+") + endpoints::homePage + u')';
    return manifest;
}

ManifestStore::ManifestStore() : m_manifest(EngineManifest::builtIn()) {}

ManifestStore &ManifestStore::shared()
{
    static ManifestStore *instance = new ManifestStore;
    return *instance;
}

} // namespace tovel

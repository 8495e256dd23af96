#include "engine/manifest.h"

#include "core/endpoints.h"
#include "core/http.h"
#include "core/json_number.h"
#include "platform/paths.h"
#include "platform/text.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSaveFile>

#include <cmath>

namespace tovel {

EngineManifest EngineManifest::builtIn()
{
    EngineManifest manifest;
    manifest.version = 0;
    manifest.minimumAppVersion = QStringLiteral("1.0");
    manifest.archiveSearchEndpoint = endpoints::archiveSearchEndpoint;
    manifest.userAgent = QStringLiteral("Tovel/1.0 (+") + endpoints::homePage + u')';
    return manifest;
}

// The line and paragraph separators end a header line for some readers, like a line feed.
static bool holdsLineBreakOrControl(const QString &text)
{
    return holdsControlCharacter(text) || text.contains(QChar(0x2028)) || text.contains(QChar(0x2029));
}

std::optional<EngineManifest> EngineManifest::decode(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();

    const auto version = wholeNumber(object.value(QStringLiteral("version")));
    if (!version)
        return std::nullopt;
    EngineManifest manifest;
    manifest.version = *version;
    for (auto [key, field] : {std::pair{"minimumAppVersion", &manifest.minimumAppVersion},
                              std::pair{"archiveSearchEndpoint", &manifest.archiveSearchEndpoint},
                              std::pair{"userAgent", &manifest.userAgent}}) {
        const QJsonValue value = object.value(QLatin1String(key));
        if (!value.isString())
            return std::nullopt;
        *field = value.toString();
    }
    // A header that long would make every request fail, and is no user agent anyone sends.
    if (holdsLineBreakOrControl(manifest.userAgent) || manifest.userAgent.size() > maxUserAgentLength)
        return std::nullopt;
    const QJsonValue notice = object.value(QStringLiteral("notice"));
    if (notice.isString())
        manifest.notice = notice.toString();
    else if (!notice.isUndefined() && !notice.isNull())
        return std::nullopt;
    return manifest;
}

QByteArray EngineManifest::encode() const
{
    QJsonObject object{{QStringLiteral("version"), double(version)},
                       {QStringLiteral("minimumAppVersion"), minimumAppVersion},
                       {QStringLiteral("archiveSearchEndpoint"), archiveSearchEndpoint},
                       {QStringLiteral("userAgent"), userAgent}};
    if (notice)
        object.insert(QStringLiteral("notice"), *notice);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QString ManifestStore::defaultCachePath()
{
    return paths::applicationSupport() + QStringLiteral("/manifest.json");
}

ManifestStore::ManifestStore(QString cachePath, QObject *parent)
    : QObject(parent), m_manifest(EngineManifest::builtIn()), m_cachePath(std::move(cachePath))
{
    QFile cache(m_cachePath);
    if (cache.open(QIODevice::ReadOnly)) {
        // The cached copy wins at start, whatever its version.
        if (const auto cached = EngineManifest::decode(cache.readAll()))
            m_manifest = *cached;
    }
}

ManifestStore &ManifestStore::shared()
{
    static ManifestStore *instance = new ManifestStore(defaultCachePath());
    return *instance;
}

QCoro::Task<void> ManifestStore::refresh(QUrl address)
{
    QPointer<ManifestStore> self(this);
    // A small document: one that takes longer than this is not coming.
    HttpOptions options;
    options.deadline = std::chrono::seconds(30);
    const Result<HttpResponse> response = co_await httpGet(address, maxManifestBytes, options);
    if (!self || !response || response->status != 200)
        co_return;
    const auto fetched = EngineManifest::decode(response->body);
    if (!fetched || fetched->version < m_manifest.version)
        co_return;
    const bool changed = !(m_manifest == *fetched);
    m_manifest = *fetched;
    m_lastFetch = QDateTime::currentDateTimeUtc();
    // Kept for the next start, while there is a home to keep it in.
    QSaveFile cache(m_cachePath);
    const bool kept = !paths::homeProblem() && QDir().mkpath(QFileInfo(m_cachePath).absolutePath())
        && cache.open(QIODevice::WriteOnly) && cache.write(response->body) == response->body.size();
    if (kept)
        cache.commit();
    if (changed)
        emit manifestChanged();
    emit lastFetchChanged();
}

} // namespace tovel

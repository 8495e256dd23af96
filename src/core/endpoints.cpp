#include "core/endpoints.h"

#include <QtGlobal>

namespace tovel::endpoints {

static QString overridable(const char *variable, const QString &fallback)
{
    QString value = qEnvironmentVariable(variable);
    while (value.endsWith(u'/'))
        value.chop(1);
    return value.isEmpty() ? fallback : value;
}

QString archiveBase()
{
    return overridable("TOVEL_ARCHIVE_BASE", QStringLiteral("https://") + archiveHost);
}
QString commonsBase()
{
    return overridable("TOVEL_COMMONS_BASE", QStringLiteral("https://") + commonsHost);
}
QString manifestAddress()
{
    return overridable("TOVEL_MANIFEST_URL", manifestUrl);
}
QString updateAddress()
{
    return overridable("TOVEL_UPDATE_URL", updateUrl);
}

} // namespace tovel::endpoints

#include "platform/defaults.h"

#include <QSettings>

namespace tovel {

static QSettings settings()
{
    // ~/.config/Tovel/Tovel.conf: the native format on Linux is INI under that name.
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tovel"), QStringLiteral("Tovel"));
}

bool Defaults::boolean(const QString &key, bool fallback)
{
    const QVariant value = settings().value(key);
    if (!value.isValid())
        return fallback;
    const QString text = value.toString().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    return fallback;
}

std::optional<QString> Defaults::text(const QString &key)
{
    const QVariant value = settings().value(key);
    if (!value.isValid())
        return std::nullopt;
    return value.toString();
}

void Defaults::set(const QString &key, const QVariant &value)
{
    QSettings store = settings();
    store.setValue(key, value);
    store.sync();
}

void Defaults::remove(const QString &key)
{
    QSettings store = settings();
    store.remove(key);
    store.sync();
}

bool Defaults::contains(const QString &key) { return settings().contains(key); }

QString Defaults::fileName() { return settings().fileName(); }

} // namespace tovel

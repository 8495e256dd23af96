#include "platform/defaults.h"

#include "build_info.h"
#include "platform/paths.h"
#include "platform/text.h"

#include <QDir>
#include <QFile>
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
    // Without a usable home the settings file would land elsewhere (under "/" for an unset HOME).
    if (paths::homeProblem())
        return;
    QSettings store = settings();
    store.setValue(key, value);
    store.sync();
}

QString Defaults::sandboxFileName()
{
    return QDir::homePath() + QStringLiteral("/.var/app/") + QString::fromLatin1(build::bundleIdentifier)
        + QStringLiteral("/config/Tovel/Tovel.conf");
}

// QSettings reads almost anything as INI and quietly drops what it cannot parse; a damaged file could
// then hand us half its keys or garbage ones. We copy only from a file that is wholly well-formed:
// UTF-8 text whose lines are blank, comments, [sections] or key=value pairs.
static bool wellFormedSettings(const QString &path)
{
    constexpr qint64 largest = 1024 * 1024;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > largest)
        return false;
    const QByteArray bytes = file.readAll();
    if (bytes.contains('\0'))
        return false;
    const std::optional<QString> text = strictUtf8(bytes);
    if (!text)
        return false;
    for (QStringView line : QStringView(*text).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') ? !line.endsWith(u']') : line.indexOf(u'=') <= 0)
            return false;
    }
    return true;
}

int Defaults::migrateFromSandbox(const QString &oldFile)
{
    QSettings current = settings();
    if (paths::homeProblem() || boolean(migratedKey, false))
        return 0;
    int copied = 0;
    if (wellFormedSettings(oldFile)) {
        const QSettings old(oldFile, QSettings::IniFormat);
        if (old.status() == QSettings::NoError) {
            for (const QString &key : old.allKeys()) {
                const QVariant value = old.value(key);
                if (key.isEmpty() || !value.isValid() || current.contains(key))
                    continue;
                current.setValue(key, value);
                ++copied;
            }
        }
    }
    current.setValue(migratedKey, true);
    current.sync();
    return copied;
}

} // namespace tovel

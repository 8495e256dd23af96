#include "appearance/appearance.h"

#include "appearance/desktop_scheme.h"
#include "platform/defaults.h"
#include "platform/paths.h"

#include <QDir>
#include <QEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QImageReader>
#include <QPalette>
#include <QVariantMap>

#include <QCoreApplication>
#include <algorithm>

namespace tovel {

QString rawValue(AppearanceMode mode)
{
    switch (mode) {
    case AppearanceMode::system: return QStringLiteral("system");
    case AppearanceMode::dark: return QStringLiteral("dark");
    case AppearanceMode::light: return QStringLiteral("light");
    }
    return {};
}

QString label(AppearanceMode mode)
{
    switch (mode) {
    case AppearanceMode::system: return QCoreApplication::translate("Tovel", "System");
    case AppearanceMode::dark: return QCoreApplication::translate("Tovel", "Dark");
    case AppearanceMode::light: return QCoreApplication::translate("Tovel", "Light");
    }
    return {};
}

AppearanceMode appearanceModeFrom(const QString &raw)
{
    if (raw == QLatin1String("dark"))
        return AppearanceMode::dark;
    if (raw == QLatin1String("light"))
        return AppearanceMode::light;
    return AppearanceMode::system;
}

QList<NamedImage> loadNamedImages(const QString &folder, const QString &extension)
{
    const auto resources = paths::resources();
    if (!resources)
        return {};
    const QDir directory(*resources + u'/' + folder);
    QStringList names = directory.entryList(QDir::Files | QDir::Hidden, QDir::Unsorted);
    const QString suffix = u'.' + extension;
    names.erase(std::remove_if(names.begin(), names.end(), [&](const QString &name) { return !name.endsWith(suffix); }),
                names.end());
    std::sort(names.begin(), names.end());
    QList<NamedImage> images;
    for (const QString &name : names) {
        const QString path = directory.filePath(name);
        if (QImageReader(path).canRead())
            images.append({name.chopped(suffix.size()), path});
    }
    return images;
}

Appearance::Appearance()
{
    m_mode = appearanceModeFrom(Defaults::text(modeKey).value_or(QStringLiteral("system")));
    m_iconName = Defaults::text(iconKey).value_or(defaultName);
    m_wallpaperName = Defaults::text(wallpaperKey).value_or(defaultName);
    m_icons = loadNamedImages(QStringLiteral("icons"), QStringLiteral("png"));
    m_wallpapers = loadNamedImages(QStringLiteral("wallpapers"), QStringLiteral("jpg"));
    if (qApp) {
        // "System" follows the desktop while we run: through the portal where there is one, else through
        // a changed palette.
        m_desktop = new DesktopScheme(this);
        connect(m_desktop, &DesktopScheme::changed, this, &Appearance::applyMode);
        qApp->installEventFilter(this);
    }
    m_lastDark = isDark();
}

Appearance &Appearance::shared()
{
    static Appearance *instance = new Appearance;
    return *instance;
}

Appearance *Appearance::create(QQmlEngine *, QJSEngine *)
{
    Appearance *instance = &shared();
    QJSEngine::setObjectOwnership(instance, QJSEngine::CppOwnership);
    return instance;
}

void Appearance::setMode(AppearanceMode mode)
{
    Defaults::set(modeKey, rawValue(mode));
    if (m_mode != mode) {
        m_mode = mode;
        emit modeChanged();
    }
    applyMode();
}

void Appearance::showMode(AppearanceMode mode)
{
    if (m_mode != mode) {
        m_mode = mode;
        emit modeChanged();
    }
    applyMode();
}

QUrl Appearance::resourcesUrl() const
{
    const auto folder = paths::resources();
    return folder ? QUrl::fromLocalFile(*folder) : QUrl();
}

void Appearance::setIconName(const QString &name)
{
    Defaults::set(iconKey, name);
    if (m_iconName != name) {
        m_iconName = name;
        emit iconNameChanged();
    }
    applyIcon();
}

void Appearance::setWallpaperName(const QString &name)
{
    Defaults::set(wallpaperKey, name);
    if (m_wallpaperName == name)
        return;
    m_wallpaperName = name;
    emit wallpaperNameChanged();
}

static QUrl sourceOf(const QList<NamedImage> &images, const QString &name)
{
    const auto found
        = std::find_if(images.begin(), images.end(), [&](const NamedImage &image) { return image.name == name; });
    return found == images.end() ? QUrl() : QUrl::fromLocalFile(found->path);
}

QUrl Appearance::iconSource() const
{
    return sourceOf(m_icons, m_iconName);
}
QUrl Appearance::wallpaperSource() const
{
    return sourceOf(m_wallpapers, m_wallpaperName);
}

// The names of the icons and backgrounds Tovel ships, for the translations; a name of an image added
// later shows as its file calls it.
[[maybe_unused]] constexpr const char *shippedNames[] = {
    QT_TRANSLATE_NOOP("Tovel", "Aurora"),   QT_TRANSLATE_NOOP("Tovel", "Ember"),  QT_TRANSLATE_NOOP("Tovel", "Tide"),
    QT_TRANSLATE_NOOP("Tovel", "Graphite"), QT_TRANSLATE_NOOP("Tovel", "Meadow"), QT_TRANSLATE_NOOP("Tovel", "Dusk")};

QString displayName(const QString &name)
{
    QString shown = name;
    if (name.contains(u'-')) {
        QStringList pieces = name.split(u'-', Qt::SkipEmptyParts);
        if (!pieces.isEmpty())
            pieces.removeFirst();
        shown = pieces.join(u'-');
    }
    QString spaced;
    spaced.reserve(shown.size() + 4);
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (i > 0 && shown.at(i).isUpper() && shown.at(i - 1).isLower())
            spaced += u' ';
        spaced += shown.at(i);
    }
    return QCoreApplication::translate("Tovel", spaced.toUtf8().constData());
}

static QVariantList listOf(const QList<NamedImage> &images)
{
    QVariantList list;
    for (const NamedImage &image : images)
        list.append(QVariantMap{{QStringLiteral("name"), image.name},
                                {QStringLiteral("source"), QUrl::fromLocalFile(image.path)}});
    return list;
}

QVariantList Appearance::iconList() const
{
    return listOf(m_icons);
}
QVariantList Appearance::wallpaperList() const
{
    return listOf(m_wallpapers);
}

bool Appearance::desktopPrefersDark() const
{
    if (m_desktop) {
        if (const auto dark = m_desktop->prefersDark())
            return *dark;
    }
    if (!qobject_cast<QGuiApplication *>(qApp))
        return true;
    return QGuiApplication::palette().color(QPalette::Window).lightness() < 128;
}

bool Appearance::isDark() const
{
    switch (m_mode) {
    case AppearanceMode::dark: return true;
    case AppearanceMode::light: return false;
    case AppearanceMode::system: return desktopPrefersDark();
    }
    return true;
}

void Appearance::applyMode()
{
    const bool dark = isDark();
    if (dark == m_lastDark)
        return;
    m_lastDark = dark;
    emit schemeChanged();
}

void Appearance::applyIcon()
{
    const QUrl source = iconSource();
    if (source.isEmpty() || !qobject_cast<QGuiApplication *>(qApp))
        return;
    QGuiApplication::setWindowIcon(QIcon(source.toLocalFile()));
}

bool Appearance::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange)
        applyMode();
    return QObject::eventFilter(watched, event);
}

} // namespace tovel

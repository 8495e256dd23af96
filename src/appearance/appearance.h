#pragma once

#include <QList>
#include <QObject>
#include <QQmlEngine>
#include <QString>
#include <QUrl>
#include <QVariantList>

namespace tovel {

class DesktopScheme;

enum class AppearanceMode { system, dark, light };

[[nodiscard]] QString rawValue(AppearanceMode mode);
[[nodiscard]] QString label(AppearanceMode mode);
// "dark" and "light" exactly; anything else follows the system.
[[nodiscard]] AppearanceMode appearanceModeFrom(const QString &raw);

// How an icon or background name reads under its tile: the part after the first hyphen ("04-Graphite"
// reads "Graphite", "01-Deep-Sea" reads "Deep-Sea"; a name without a hyphen stays whole), then a space
// wherever a lower-case letter runs straight into an upper-case one ("DeepSea" reads "Deep Sea").
[[nodiscard]] QString displayName(const QString &name);

// An icon or window background that ships with the program: its name ("04-Graphite") and its file.
struct NamedImage
{
    QString name;
    QString path;
};

// Loads the images of one resource folder with one extension, sorted by file name. Only files that can
// be read as images are kept; they are not decoded here (six 2560-pixel backgrounds would hold a
// hundred megabytes for nothing).
[[nodiscard]] QList<NamedImage> loadNamedImages(const QString &folder, const QString &extension);

// The interface mode, the app icon and the window background, stored as the user chooses them.
class Appearance : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QString mode READ modeText WRITE setModeText NOTIFY modeChanged)
    Q_PROPERTY(bool dark READ isDark NOTIFY schemeChanged)
    Q_PROPERTY(QString iconName READ iconName WRITE setIconName NOTIFY iconNameChanged)
    Q_PROPERTY(QString wallpaperName READ wallpaperName WRITE setWallpaperName NOTIFY wallpaperNameChanged)
    Q_PROPERTY(QUrl iconSource READ iconSource NOTIFY iconNameChanged)
    Q_PROPERTY(QUrl wallpaperSource READ wallpaperSource NOTIFY wallpaperNameChanged)
    Q_PROPERTY(QVariantList icons READ iconList CONSTANT)
    Q_PROPERTY(QVariantList wallpapers READ wallpaperList CONSTANT)
    Q_PROPERTY(QUrl resourcesUrl READ resourcesUrl CONSTANT)
public:
    static inline const QString modeKey = QStringLiteral("appearanceMode");
    static inline const QString iconKey = QStringLiteral("selectedAppIcon");
    static inline const QString wallpaperKey = QStringLiteral("selectedWallpaper");
    static inline const QString defaultName = QStringLiteral("04-Graphite");

    static Appearance &shared();
    static Appearance *create(QQmlEngine *, QJSEngine *);

    [[nodiscard]] AppearanceMode mode() const { return m_mode; }
    void setMode(AppearanceMode mode);
    [[nodiscard]] QString modeText() const { return rawValue(m_mode); }
    void setModeText(const QString &raw) { setMode(appearanceModeFrom(raw)); }
    // For this run only: the stored choice stays as it was.
    void showMode(AppearanceMode mode);
    [[nodiscard]] QString iconName() const { return m_iconName; }
    void setIconName(const QString &name);
    [[nodiscard]] QString wallpaperName() const { return m_wallpaperName; }
    void setWallpaperName(const QString &name);
    [[nodiscard]] const QList<NamedImage> &icons() const { return m_icons; }
    [[nodiscard]] const QList<NamedImage> &wallpapers() const { return m_wallpapers; }
    [[nodiscard]] QUrl iconSource() const;
    [[nodiscard]] QUrl wallpaperSource() const;
    [[nodiscard]] QVariantList iconList() const;
    [[nodiscard]] QVariantList wallpaperList() const;
    // The resource folder as a file URL (empty when there is none); QML builds symbol paths from it.
    [[nodiscard]] QUrl resourcesUrl() const;
    [[nodiscard]] Q_INVOKABLE QString displayName(const QString &name) const { return tovel::displayName(name); }
    [[nodiscard]] Q_INVOKABLE QString modeLabel(const QString &raw) const { return label(appearanceModeFrom(raw)); }

    // Whether the views draw dark: forced by the mode, or the desktop's own preference for "system".
    [[nodiscard]] bool isDark() const;
    void applyIcon();
    void applyMode();

signals:
    void modeChanged();
    void schemeChanged();
    void iconNameChanged();
    void wallpaperNameChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Appearance();
    [[nodiscard]] bool desktopPrefersDark() const;

    AppearanceMode m_mode = AppearanceMode::system;
    QString m_iconName;
    QString m_wallpaperName;
    QList<NamedImage> m_icons;
    QList<NamedImage> m_wallpapers;
    bool m_lastDark = false;
    DesktopScheme *m_desktop = nullptr;
};

} // namespace tovel

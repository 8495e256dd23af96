#pragma once

#include <QObject>
#include <QString>

#include <optional>

class QDBusVariant;

namespace tovel {

// The desktop's own dark/light preference, as the xdg desktop portal reports it, kept up to date while we run.
// Empty when there is no session bus, no portal, or the desktop has no preference: the caller falls back to
// the palette then.
class DesktopScheme : public QObject
{
    Q_OBJECT
public:
    static inline const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
    static inline const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
    static inline const QString interface = QStringLiteral("org.freedesktop.portal.Settings");
    static inline const QString settingsNamespace = QStringLiteral("org.freedesktop.appearance");
    static inline const QString key = QStringLiteral("color-scheme");
    // Long enough for a portal that is started on demand, short enough that a silent one does not hold up the window.
    static constexpr int readTimeoutMs = 500;

    explicit DesktopScheme(QObject *parent = nullptr);

    [[nodiscard]] std::optional<bool> prefersDark() const { return m_prefersDark; }

signals:
    void changed();

private slots:
    void settingChanged(const QString &space, const QString &name, const QDBusVariant &value);

private:
    void update(std::optional<bool> prefersDark);

    std::optional<bool> m_prefersDark;
};

} // namespace tovel

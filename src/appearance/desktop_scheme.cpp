#include "appearance/desktop_scheme.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

namespace tovel {

// 1 asks for dark, 2 for light; 0 (no preference) and anything unknown leave it to the palette.
static std::optional<bool> prefersDarkFrom(QVariant value)
{
    // Older portals wrap the setting in one variant more than they should.
    while (value.metaType() == QMetaType::fromType<QDBusVariant>())
        value = qvariant_cast<QDBusVariant>(value).variant();
    if (value.typeId() != QMetaType::UInt && value.typeId() != QMetaType::Int)
        return std::nullopt;
    switch (value.toUInt()) {
    case 1: return true;
    case 2: return false;
    default: return std::nullopt;
    }
}

DesktopScheme::DesktopScheme(QObject *parent) : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    // Listen before asking, so a change in between is not lost.
    bus.connect(service, path, interface, QStringLiteral("SettingChanged"), this,
                SLOT(settingChanged(QString, QString, QDBusVariant)));
    // Asked synchronously: the first frame should already be in the right scheme.
    QDBusMessage read = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Read"));
    read << settingsNamespace << key;
    const QDBusMessage reply = bus.call(read, QDBus::Block, readTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
        m_prefersDark = prefersDarkFrom(reply.arguments().constFirst());
}

void DesktopScheme::settingChanged(const QString &space, const QString &name, const QDBusVariant &value)
{
    // The portal announces every setting of every namespace on this one signal.
    if (space != settingsNamespace || name != key)
        return;
    update(prefersDarkFrom(value.variant()));
}

void DesktopScheme::update(std::optional<bool> prefersDark)
{
    if (prefersDark == m_prefersDark)
        return;
    m_prefersDark = prefersDark;
    emit changed();
}

} // namespace tovel

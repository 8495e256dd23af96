#include "appearance/appearance.h"
#include "appearance/desktop_scheme.h"
#include "platform/paths.h"
#include "support/test_env.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QThread>
#include <QtTest>

#include <atomic>

using namespace tovel;
using namespace tovel::test;

// A stand-in for the desktop portal's settings. It lives on its own thread, because the scheme is read
// with a blocking call from the main one.
class FakePortal : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    std::atomic<int> answer = 1; // below zero: never answer
    std::atomic<bool> twice = false;

public slots:
    QDBusVariant Read(const QString &space, const QString &name)
    {
        if (answer < 0) {
            setDelayedReply(true);
            return {};
        }
        if (space != "org.freedesktop.appearance" || name != "color-scheme") {
            sendErrorReply("org.freedesktop.portal.Error.NotFound", "Requested setting not found");
            return {};
        }
        const QVariant number = QVariant::fromValue(uint(answer));
        return twice ? QDBusVariant(QVariant::fromValue(QDBusVariant(number))) : QDBusVariant(number);
    }
};

static QString schemeText(std::optional<bool> dark)
{
    return !dark ? "none" : *dark ? "dark" : "light";
}

class TestDesktopScheme : public QObject
{
    Q_OBJECT

    QTemporaryDir busDir;
    QProcess daemon;
    QThread portalThread;
    FakePortal *portal = nullptr;
    std::unique_ptr<TestEnv> env;

    QDBusConnection portalBus() const { return QDBusConnection(QStringLiteral("portal")); }

    void sendChange(const QString &space, const QString &name, const QVariant &value)
    {
        QDBusMessage signal
            = QDBusMessage::createSignal(DesktopScheme::path, DesktopScheme::interface, "SettingChanged");
        signal << space << name << QVariant::fromValue(QDBusVariant(value));
        QVERIFY(portalBus().send(signal));
    }

private slots:
    void initTestCase()
    {
        // A private bus with no activatable services, so nothing real can answer for the portal.
        const QString config = busDir.filePath("bus.conf");
        writeFile(config,
                  "<busconfig><type>session</type><listen>unix:tmpdir=" + busDir.path().toUtf8()
                      + "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                        "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                        "<allow own=\"*\"/></policy></busconfig>");
        daemon.start("dbus-daemon", {"--config-file=" + config, "--nofork", "--print-address"});
        QVERIFY(daemon.waitForStarted(10'000));
        while (!daemon.canReadLine())
            QVERIFY2(daemon.waitForReadyRead(10'000), "dbus-daemon printed no address");
        const QByteArray address = daemon.readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);

        QDBusConnection bus = QDBusConnection::connectToBus(QString::fromUtf8(address), "portal");
        QVERIFY(bus.isConnected());
        portal = new FakePortal;
        portal->moveToThread(&portalThread);
        connect(&portalThread, &QThread::finished, portal, &QObject::deleteLater);
        portalThread.start();
        QVERIFY(bus.registerObject(DesktopScheme::path, portal, QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(DesktopScheme::service));
        // Our session bus is the private one.
        QVERIFY(QDBusConnection::sessionBus().interface()->isServiceRegistered(DesktopScheme::service));
    }
    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus("portal");
        portalThread.quit();
        portalThread.wait();
        daemon.kill();
        daemon.waitForFinished();
    }
    void init()
    {
        env = std::make_unique<TestEnv>();
        portal->answer = 1;
        portal->twice = false;
        portalBus().registerService(DesktopScheme::service);
    }
    void cleanup()
    {
        qputenv("TOVEL_RESOURCES", "");
        env.reset();
    }

    void initialScheme_data()
    {
        // clang-format off
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("twice");
        QTest::addColumn<bool>("registered");
        QTest::addColumn<QString>("scheme");
        QTest::newRow("light") << 2 << false << true << "light";
        QTest::newRow("dark, wrapped twice") << 1 << true << true << "dark";
        QTest::newRow("no portal") << 1 << false << false << "none";
        QTest::newRow("portal never answers") << -1 << false << true << "none";
        // clang-format on
    }
    void initialScheme()
    {
        QFETCH(int, answer);
        QFETCH(bool, twice);
        QFETCH(bool, registered);
        QFETCH(QString, scheme);
        portal->answer = answer;
        portal->twice = twice;
        if (!registered)
            QVERIFY(portalBus().unregisterService(DesktopScheme::service));

        QElapsedTimer clock;
        clock.start();
        const DesktopScheme desktop;
        QCOMPARE(schemeText(desktop.prefersDark()), scheme);
        // A hang guard, not a speed target: D-Bus's own default would wait 25 seconds.
        QVERIFY(clock.elapsed() < 10'000);
    }

    void appearanceFollowsTheDesktopOnlyInSystemMode()
    {
        // The shared instance is made once, here, while the portal says dark; the offscreen palette is light.
        Appearance &appearance = Appearance::shared();
        QCOMPARE(appearance.mode(), AppearanceMode::system);
        QVERIFY(appearance.isDark());
        QSignalSpy scheme(&appearance, &Appearance::schemeChanged);

        sendChange(DesktopScheme::settingsNamespace, DesktopScheme::key, 2u);
        QVERIFY(scheme.wait(10'000));
        QVERIFY(!appearance.isDark());

        // Forced: the desktop going dark changes nothing we draw. Its own listener tells when the news is in.
        appearance.showMode(AppearanceMode::light);
        const auto *desktop = appearance.findChild<DesktopScheme *>();
        QVERIFY(desktop);
        QSignalSpy arrived(desktop, &DesktopScheme::changed);
        sendChange(DesktopScheme::settingsNamespace, DesktopScheme::key, 1u);
        QVERIFY(arrived.wait(10'000));
        QCOMPARE(scheme.size(), 1);
        QVERIFY(!appearance.isDark());

        // Back to the desktop, which is dark by now.
        appearance.showMode(AppearanceMode::system);
        QVERIFY(appearance.isDark());
        QCOMPARE(scheme.size(), 2);
    }

    void displayNames()
    {
        for (const auto &[name, shown] : {std::pair{"01-Deep-Sea", "Deep-Sea"}, std::pair{"07-DeepSea", "Deep Sea"},
                                          std::pair{"02-RGB", "RGB"}, std::pair{"", ""}})
            QCOMPARE(displayName(name), shown);
    }

    void namedImages()
    {
        const QString resources = env->folder(QStringLiteral("resources"));
        QDir().mkpath(resources + QStringLiteral("/icons"));
        QImage image(4, 4, QImage::Format_ARGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(resources + QStringLiteral("/icons/02-Blue.png")));
        QVERIFY(image.save(resources + QStringLiteral("/icons/01-Red.png")));
        writeFile(resources + QStringLiteral("/icons/04-Broken.png"), "not an image");
        qputenv("TOVEL_RESOURCES", resources.toUtf8());

        QStringList names;
        for (const NamedImage &named : loadNamedImages(QStringLiteral("icons"), QStringLiteral("png")))
            names << named.name;
        QCOMPARE(names, QStringList({"01-Red", "02-Blue"}));
        QVERIFY(loadNamedImages(QStringLiteral("wallpapers"), QStringLiteral("jpg")).isEmpty());
    }
};

QTEST_MAIN(TestDesktopScheme)
#include "tst_desktop_scheme.moc"

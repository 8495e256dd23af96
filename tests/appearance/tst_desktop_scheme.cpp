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
        QTest::newRow("no preference") << 0 << false << true << "none";
        QTest::newRow("unknown value") << 7 << false << true << "none";
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

    void liveChanges_data()
    {
        // clang-format off
        QTest::addColumn<QString>("space");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("seen"); // empty: the change is not ours, or changes nothing
        const QString appearance = "org.freedesktop.appearance";
        QTest::newRow("to light") << appearance << "color-scheme" << QVariant(2u) << "light";
        QTest::newRow("unchanged") << appearance << "color-scheme" << QVariant(1u) << "";
        QTest::newRow("another key") << appearance << "accent-color" << QVariant(2u) << "";
        QTest::newRow("another namespace") << "org.gnome.desktop.interface" << "color-scheme" << QVariant(2u) << "";
        // clang-format on
    }
    void liveChanges()
    {
        QFETCH(QString, space);
        QFETCH(QString, name);
        QFETCH(QVariant, value);
        QFETCH(QString, seen);
        DesktopScheme desktop;
        QCOMPARE(schemeText(desktop.prefersDark()), "dark");
        QStringList schemes;
        connect(&desktop, &DesktopScheme::changed, this, [&] { schemes << schemeText(desktop.prefersDark()); });

        // One change at a time, as a desktop makes them. Each row ends with "no preference", so that there
        // is always something to wait for, and an ignored change shows up as nothing between the two.
        QStringList expected;
        sendChange(space, name, value);
        if (!seen.isEmpty()) {
            expected << seen;
            QTRY_COMPARE_WITH_TIMEOUT(schemes, expected, 10'000);
        }
        sendChange(DesktopScheme::settingsNamespace, DesktopScheme::key, 0u);
        expected << "none";
        QTRY_COMPARE_WITH_TIMEOUT(schemes, expected, 10'000);
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

        // No preference any more: the palette decides again.
        sendChange(DesktopScheme::settingsNamespace, DesktopScheme::key, 0u);
        QVERIFY(scheme.wait(10'000));
        QVERIFY(!appearance.isDark());
    }

    void displayNames()
    {
        const QList<std::pair<QString, QString>> names{{"04-Graphite", "Graphite"},
                                                       {"01-Deep-Sea", "Deep-Sea"},
                                                       {"Plain", "Plain"},
                                                       {"-Lead--Trail-", "Trail"},
                                                       {"07-DeepSea", "Deep Sea"},
                                                       {"02-RGB", "RGB"},
                                                       {"", ""}};
        for (const auto &[name, shown] : names)
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
        QVERIFY(image.save(resources + QStringLiteral("/icons/03-Caps.PNG"), "PNG"));
        writeFile(resources + QStringLiteral("/icons/notes.txt"), "x");
        writeFile(resources + QStringLiteral("/icons/04-Broken.png"), "not an image");
        qputenv("TOVEL_RESOURCES", resources.toUtf8());

        QStringList names;
        for (const NamedImage &named : loadNamedImages(QStringLiteral("icons"), QStringLiteral("png")))
            names << named.name;
        QCOMPARE(names, QStringList({"01-Red", "02-Blue"}));
        QVERIFY(loadNamedImages(QStringLiteral("wallpapers"), QStringLiteral("jpg")).isEmpty());
    }

    void theShippedArtwork()
    {
        // The defaults must exist in both folders of the real resources.
        qputenv("TOVEL_RESOURCES", TOVEL_RESOURCES_DIR);
        for (const auto &[folder, extension] : {std::pair{"icons", "png"}, std::pair{"wallpapers", "jpg"}}) {
            const auto images = loadNamedImages(QLatin1String(folder), QLatin1String(extension));
            QVERIFY(images.size() >= 6);
            QVERIFY(std::any_of(images.begin(), images.end(),
                                [](const NamedImage &image) { return image.name == Appearance::defaultName; }));
        }
    }

    // An unknown icon is stored as chosen and shows nothing; storing and applying each mode is tested in
    // the window and with the desktop's scheme.
    void anUnknownIconShowsNothing()
    {
        Appearance::shared().setIconName(QStringLiteral("99-Nothing"));
        QVERIFY(Appearance::shared().iconSource().isEmpty());
    }
};

QTEST_MAIN(TestDesktopScheme)
#include "tst_desktop_scheme.moc"

#include "appearance/appearance.h"
#include "platform/defaults.h"
#include "platform/paths.h"
#include "support/http_server.h"
#include "support/test_env.h"
#include "ui/shell.h"
#include "updates/updater.h"

#include <QDir>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QtTest>

using namespace tovel;
using namespace tovel::test;

namespace {

void clearSettings()
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "Tovel", "Tovel");
    settings.clear();
    settings.sync();
}

void writeSandboxSettings(const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(Defaults::sandboxFileName()).path());
    QVERIFY(writeFile(Defaults::sandboxFileName(), bytes));
}

// Keys and values as "key=value" lines, read back from the current settings.
QStringList storedLines(const QStringList &keys)
{
    QStringList lines;
    for (const QString &key : keys)
        if (const auto value = Defaults::text(key))
            lines << key + "=" + *value;
    return lines;
}

// Items in the visual tree (Loaders and Repeaters do not make their items QObject children).
QList<QQuickItem *> itemsUnder(QQuickItem *root)
{
    QList<QQuickItem *> found;
    for (QQuickItem *child : root->childItems())
        found << child << itemsUnder(child);
    return found;
}

int requestsFor(const HttpServer &server, const QByteArray &path)
{
    int count = 0;
    for (const auto &request : server.requests())
        count += request.target == path;
    return count;
}

} // namespace

class TestShell : public QObject
{
    Q_OBJECT

    // One home for the whole run: the settings store keeps the folder it first saw.
    std::unique_ptr<TestEnv> env;
    HttpServer server;
    std::unique_ptr<QQmlApplicationEngine> engine;
    QPointer<QQuickWindow> window;

    QQuickItem *item(const QString &name) const
    {
        for (QQuickItem *candidate : itemsUnder(window->contentItem()))
            if (candidate->objectName() == name)
                return candidate;
        return nullptr;
    }

    void click(QQuickItem *target)
    {
        QVERIFY(target);
        const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
        QTest::mouseClick(window, Qt::LeftButton, {}, centre.toPoint());
    }

    void openWindow()
    {
        engine = std::make_unique<QQmlApplicationEngine>();
        QVERIFY(loadWindow(*engine));
        window = qobject_cast<QQuickWindow *>(engine->rootObjects().constFirst());
        QVERIFY(window);
        window->requestActivate();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }

    QString paneTitle() const
    {
        QQuickItem *area = item("paneArea");
        QObject *pane = area ? area->property("item").value<QObject *>() : nullptr;
        return pane ? pane->property("title").toString() : QString();
    }

private slots:
    void initTestCase()
    {
        env = std::make_unique<TestEnv>();
        qputenv("TOVEL_RESOURCES", TOVEL_RESOURCES_DIR);
        qputenv("TOVEL_UPDATE_URL", server.url("/appcast.json").toString().toUtf8());
        qputenv("TOVEL_MANIFEST_URL", server.url("/manifest.json").toString().toUtf8());
    }
    void init()
    {
        clearSettings();
        QFile::remove(Defaults::sandboxFileName());
    }

    void migration_data()
    {
        QTest::addColumn<QByteArray>("old");
        QTest::addColumn<QStringList>("current");
        QTest::addColumn<QStringList>("expected");

        const QByteArray good = "[General]\nappearanceMode=light\nselectedAppIcon=02-Dawn\nwebEngineEnabled=true\n"
                                "webEnginePath=/opt/yt-dlp\n";
        QTest::newRow("nothing to copy") << QByteArray() << QStringList() << QStringList();
        QTest::newRow("current values win, absent ones are copied")
            << good << QStringList{"appearanceMode=dark"}
            << QStringList{"appearanceMode=dark", "selectedAppIcon=02-Dawn", "webEngineEnabled=true",
                           "webEnginePath=/opt/yt-dlp"};
        QTest::newRow("already migrated: the old file is not read again")
            << good << QStringList{"migratedFromSandbox=true"} << QStringList();
        QTest::newRow("binary") << QByteArray("bplist00\xd1\x01\x02\0\0garbage", 18) << QStringList() << QStringList();
        QTest::newRow("not UTF-8") << QByteArray("appearanceMode=l\xe9ght\n") << QStringList() << QStringList();
        QTest::newRow("a line that is no setting")
            << QByteArray("appearanceMode=light\nthis is not a setting\n") << QStringList() << QStringList();
        QTest::newRow("unclosed section") << QByteArray("[General\nappearanceMode=light\n") << QStringList()
                                          << QStringList();
    }
    void migration()
    {
        QFETCH(QByteArray, old);
        QFETCH(QStringList, current);
        QFETCH(QStringList, expected);
        if (!old.isNull())
            writeSandboxSettings(old);
        for (const QString &line : current)
            Defaults::set(line.section('=', 0, 0), line.section('=', 1));

        Defaults::migrateFromSandbox();

        QVERIFY(Defaults::boolean(Defaults::migratedKey, false));
        const QStringList keys{"appearanceMode", "selectedAppIcon", "webEngineEnabled", "webEnginePath"};
        QCOMPARE(storedLines(keys), expected);
        if (QTest::currentDataTag() == QByteArray("current values win, absent ones are copied"))
            QVERIFY(Defaults::boolean("webEngineEnabled", false)); // still a boolean after the copy
    }

    // The old settings are in place before anything reads them; the update check never holds up the window.
    void startUpRunsInOrder()
    {
        writeSandboxSettings("[General]\nappearanceMode=light\ncheckForUpdates=false\nselectedWallpaper=01-Old\n");
        Defaults::set(Appearance::wallpaperKey, "06-Dusk");
        HttpServer::Response slow;
        slow.body = "{}";
        slow.delayMs = 3000;
        server.route("/appcast.json", slow);
        server.route("/manifest.json", slow);

        startUp();
        QCOMPARE(Appearance::shared().mode(), AppearanceMode::light);
        QCOMPARE(Appearance::shared().wallpaperName(), QStringLiteral("06-Dusk"));
        QVERIFY(!QGuiApplication::windowIcon().isNull());
        QVERIFY(!Updater::shared().automatic());
        QVERIFY(!Updater::shared().checking());

        // With automatic checks on, the next launch starts the check and goes on without waiting for it.
        Updater::shared().setAutomatic(true);
        startUp();
        QVERIFY(Updater::shared().checking());
        QTRY_COMPARE_WITH_TIMEOUT(requestsFor(server, "/appcast.json"), 1, 10'000);
        QTRY_COMPARE_WITH_TIMEOUT(requestsFor(server, "/manifest.json"), 1, 10'000);
        QTRY_VERIFY_WITH_TIMEOUT(!Updater::shared().checking(), 10'000);
    }

    void firstLaunchShowsTheIntroductionUntilFinished()
    {
        openWindow();
        QVERIFY(item("startGathering"));
        QVERIFY(!item("rail"));
        QTest::keyClick(window, Qt::Key_Return);
        QVERIFY(Defaults::boolean(Shell::onboardingKey, false));
        QTRY_VERIFY(item("rail"));
        QVERIFY(!item("startGathering"));
        QCOMPARE(window->property("pane").toString(), QStringLiteral("get"));
        QCOMPARE(paneTitle(), QStringLiteral("Get"));
    }

    void laterLaunchesOpenOnTheGetPane()
    {
        Defaults::set(Shell::onboardingKey, true);
        openWindow();
        QVERIFY(item("rail"));
        QVERIFY(!item("startGathering"));
        QCOMPARE(paneTitle(), QStringLiteral("Get"));
    }

    void theRailChoosesThePane_data()
    {
        QTest::addColumn<QString>("pane");
        QTest::addColumn<QString>("title");
        QTest::newRow("library") << "library" << "Library";
        QTest::newRow("appearance") << "appearance" << "Appearance";
        QTest::newRow("engine") << "engine" << "Engine";
        QTest::newRow("get") << "get" << "Get";
    }
    void theRailChoosesThePane()
    {
        QFETCH(QString, pane);
        QFETCH(QString, title);
        click(item("railButton-" + pane));
        QCOMPARE(window->property("pane").toString(), pane);
        QTRY_COMPARE(paneTitle(), title);
        QVERIFY(item("railButton-" + pane)->property("selected").toBool());
    }

    void theWindowKeepsItsMinimumSize()
    {
        QCOMPARE(window->minimumSize(), QSize(900, 640));
        // Window managers keep to the minimum; where none does, the content still lays out at it.
        window->resize(600, 400);
        QTRY_COMPARE(item("frame")->size(), QSizeF(900, 640));
        window->resize(1000, 700);
        QTRY_COMPARE(item("mainPanel")->size(), QSizeF(1000 - 58 - 11, 700 - 22));
    }

    void glassFollowsTheScheme()
    {
        QList<QQuickItem *> glass;
        for (QQuickItem *candidate : itemsUnder(window->contentItem()))
            if (candidate->property("tint").isValid())
                glass << candidate;
        QVERIFY(!glass.isEmpty());
        for (const bool dark : {true, false, true}) {
            Appearance::shared().showMode(dark ? AppearanceMode::dark : AppearanceMode::light);
            for (QQuickItem *panel : std::as_const(glass)) {
                const double weight = panel->property("weight").toDouble();
                const QColor tint = panel->property("tint").value<QColor>();
                const QColor outline = panel->property("outline").value<QColor>();
                QCOMPARE(tint.rgb() & 0xffffff, dark ? 0x000000u : 0xffffffu);
                QVERIFY(qAbs(tint.alphaF() - weight * (dark ? 0.16 : 0.1)) < 0.01);
                QVERIFY(qAbs(outline.alphaF() - (dark ? 0.16 : 0.35)) < 0.01);
            }
        }
    }

    void cleanupTestCase()
    {
        engine.reset();
        qputenv("TOVEL_RESOURCES", "");
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"

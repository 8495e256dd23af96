#include "appearance/appearance.h"
#include "engine/web_engine.h"
#include "platform/defaults.h"
#include "platform/paths.h"
#include "support/http_server.h"
#include "support/test_env.h"
#include "ui/shell.h"
#include "updates/updater.h"

#include <QDir>
#include <QGuiApplication>
#include <QMimeData>
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

// Types the text into whatever has focus, key by key.
void type(QWindow *window, const QString &text)
{
    for (const QChar c : text)
        QTest::keyClick(window, c.toLatin1());
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

    // The value of every Stat called `name` on the cards now on screen, top to bottom.
    QStringList cardValues(const QString &name) const
    {
        QList<QQuickItem *> stats;
        for (QQuickItem *candidate : itemsUnder(window->contentItem()))
            if (candidate->objectName() == name && candidate->isVisible())
                stats << candidate;
        std::sort(stats.begin(), stats.end(), [](QQuickItem *a, QQuickItem *b) {
            return a->mapToScene(QPointF()).y() < b->mapToScene(QPointF()).y();
        });
        QStringList values;
        for (QQuickItem *stat : std::as_const(stats))
            values << stat->property("value").toString();
        return values;
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
        // The window closes in one test; the run goes on.
        QGuiApplication::setQuitOnLastWindowClosed(false);
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

    // Four steps: no Back on the first, Return goes on, the web-engine toggle is stored at once, and
    // "onboardingDone" is stored before the working layout shows. Quitting part-way starts over.
    void firstLaunchShowsTheIntroductionUntilFinished()
    {
        WebEngine::shared().setEnabled(false);
        openWindow();
        QVERIFY(item("startGathering") && !item("rail"));
        QQuickItem *back = item("backButton");
        QQuickItem *primary = item("startGathering");
        QObject *view = item("onboarding")->property("item").value<QObject *>();
        const auto step = [&view] { return view->property("step").toInt(); };
        QVERIFY(!back->isVisible());
        QTest::keyClick(window, Qt::Key_Return);
        QCOMPARE(step(), 1);
        QVERIFY(back->isVisible());
        click(back);
        QCOMPARE(step(), 0);
        QTest::keyClick(window, Qt::Key_Return);
        QTest::keyClick(window, Qt::Key_Return);
        QCOMPARE(step(), 2);
        QTRY_VERIFY(item("onboardingWebToggle")->isVisible());
        click(item("onboardingWebToggle"));
        QVERIFY(Defaults::boolean(WebEngine::enabledKey, false));
        QVERIFY(!Defaults::boolean(Shell::onboardingKey, false));

        // Quitting here: the next launch starts the introduction again, from the first step.
        engine.reset();
        openWindow();
        view = item("onboarding")->property("item").value<QObject *>();
        QCOMPARE(step(), 0);
        QVERIFY(WebEngine::shared().enabled());
        primary = item("startGathering");
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(window, Qt::Key_Return);
        QCOMPARE(primary->property("text").toString(), "Start gathering");
        QTest::keyClick(window, Qt::Key_Return);
        QVERIFY(Defaults::boolean(Shell::onboardingKey, false));
        QTRY_VERIFY(item("rail"));
        QVERIFY(!item("startGathering"));
        QCOMPARE(window->property("pane").toString(), QStringLiteral("get"));
        QCOMPARE(paneTitle(), QStringLiteral("Get"));
        WebEngine::shared().setEnabled(false);
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

    // A person's way through: "/" to the field, type a folder, Return; three cards end "Saved" and three
    // files appear; the Library lists them newest first; back on Get, the same cards are still there.
    void gathersFromTheWindowAndKeepsTheCards()
    {
        const QString album = env->folder("album");
        for (int i = 1; i <= 3; ++i)
            QVERIFY(makeTone(album + QStringLiteral("/Track %1.wav").arg(i)));
        QTest::keyClick(window, Qt::Key_Slash);
        QQuickItem *field = item("inputField");
        QVERIFY(field && field->hasActiveFocus());
        type(window, album + "  ");
        QCOMPARE(field->property("text").toString(), album + "  ");
        QVERIFY(item("gatherButton")->isEnabled());
        // WAV takes no bitrate: the quality picker rests, and the choice comes back with MP3.
        QQuickItem *pane = item("getPane");
        pane->setProperty("quality", 1);
        pane->setProperty("format", 2);
        QVERIFY(!item("qualityPicker")->isEnabled());
        QCOMPARE(item("qualityStat")->property("value").toString(), "\u2014");
        pane->setProperty("format", 0);
        QVERIFY(item("qualityPicker")->isEnabled());
        QCOMPARE(item("qualityStat")->property("value").toString(), "320K");
        pane->setProperty("quality", 0);
        // Tab goes field, format, quality, Gather.
        for (const char *next : {"formatPicker", "qualityPicker", "gatherButton"}) {
            QTest::keyClick(window, Qt::Key_Tab);
            QVERIFY2(item(next)->hasActiveFocus(), next);
        }
        field->forceActiveFocus();
        QTest::keyClick(window, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(cardValues("statusStat"), QStringList(3, "Saved"), 30'000);
        QCOMPARE(cardValues("progressStat"), QStringList(3, "100%"));
        QCOMPARE(field->property("text").toString(), album + "  "); // the field keeps its text
        QCOMPARE(item("gatheredHeader")->property("badge").toString(), "3");
        QVERIFY(item("showButton")->isVisible() && item("playButton")->isVisible());
        QVERIFY(!item("cancelButton")->isVisible());

        const QString downloads = env->downloads();
        QCOMPARE(entries(downloads), QStringList({"Track 1.mp3", "Track 2.mp3", "Track 3.mp3"}));
        const QList<std::pair<QString, int>> ages{{"Track 1", 30}, {"Track 2", 10}, {"Track 3", 20}};
        for (const auto &[name, minutes] : ages) {
            QFile file(downloads + u'/' + name + ".mp3");
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-60 * minutes),
                                     QFileDevice::FileModificationTime));
        }
        click(item("railButton-library"));
        QTRY_COMPARE(paneTitle(), QStringLiteral("Library"));
        QStringList names;
        QTRY_VERIFY([&] {
            QList<QQuickItem *> found;
            for (QQuickItem *candidate : itemsUnder(window->contentItem()))
                if (candidate->objectName() == "fileName")
                    found << candidate;
            std::sort(found.begin(), found.end(), [](QQuickItem *a, QQuickItem *b) {
                return a->mapToScene(QPointF()).y() < b->mapToScene(QPointF()).y();
            });
            names.clear();
            for (QQuickItem *text : std::as_const(found))
                names << text->property("text").toString();
            return names.size() == 3;
        }());
        QCOMPARE(names, QStringList({"Track 2", "Track 3", "Track 1"}));

        click(item("railButton-get"));
        QTRY_COMPARE(paneTitle(), QStringLiteral("Get"));
        QTRY_COMPARE(cardValues("statusStat"), QStringList(3, "Saved"));
        QCOMPARE(item("inputField")->property("text").toString(), QString()); // the field starts fresh
        // Escape clears the field while it has focus.
        item("inputField")->forceActiveFocus();
        type(window, "abc");
        QTest::keyClick(window, Qt::Key_Escape);
        QCOMPARE(item("inputField")->property("text").toString(), QString());
    }

    // A drop fills the field with the first item's path and starts nothing; the outline shows meanwhile.
    void aDropFillsTheField()
    {
        const QString song = env->root() + "/dropped song.flac";
        QVERIFY(writeFile(song, "x"));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(song), QUrl("https://other.test/")});
        data.setText("ignored");
        const QPoint at(window->width() / 2, window->height() - 40);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &enter);
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &move);
        QTRY_VERIFY(item("dropOutline")->isVisible());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &drop);
        QCOMPARE(item("inputField")->property("text").toString(), song);
        QVERIFY(!item("dropOutline")->isVisible());
        QCOMPARE(item("sourceHeader")->property("badge").toString(), "File");
        QTest::qWait(100);
        QVERIFY(!entries(env->downloads()).contains("dropped song.mp3"));
    }

    // Closing on running work asks first; stopping ends the job cleanly and then the window closes.
    void closingAsksBeforeStoppingWork()
    {
        const QString slow = env->root() + "/slow-ffmpeg";
        QVERIFY(writeSlowFFmpeg(slow));
        qputenv("TOVEL_FFMPEG", slow.toUtf8());
        const QString song = env->root() + "/long.wav";
        QVERIFY(makeTone(song));
        item("inputField")->setProperty("text", song);
        click(item("gatherButton"));
        QTRY_COMPARE(cardValues("statusStat").value(0), "Converting");

        window->close();
        QVERIFY(window->isVisible());
        QQuickItem *question = item("quitQuestion");
        QTRY_VERIFY(question->isVisible());
        QCOMPARE(item("quitText")->property("text").toString(), "1 item is still being gathered. Stop it and quit?");
        // "Keep gathering" changes nothing; "Stop and quit" ends the job, tidies up, then closes.
        click(item("keepGathering"));
        QVERIFY(!question->isVisible() && window->isVisible());
        window->close();
        QTRY_VERIFY(question->isVisible());
        click(item("stopAndQuit"));
        QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 20'000);
        QCOMPARE(entries(env->temp()), QStringList());
        QVERIFY(!entries(env->downloads()).contains("long.mp3"));
        qunsetenv("TOVEL_FFMPEG");
        engine.reset();
        Defaults::set(Shell::onboardingKey, true);
        openWindow();
    }

    // Every settings control writes its owner's setting at once, straight into the settings file.
    void settingsControlsStoreAtOnce()
    {
        const auto stored = [] {
            return QString::fromUtf8(readFile(QDir::homePath() + "/.config/Tovel/Tovel.conf"));
        };
        click(item("railButton-appearance"));
        QTRY_VERIFY(item("iconGrid-01-Aurora"));
        click(item("iconGrid-01-Aurora"));
        click(item("wallpaperGrid-06-Dusk"));
        click(item("mode-light"));
        QVERIFY(stored().contains("selectedAppIcon=01-Aurora"));
        QVERIFY(stored().contains("selectedWallpaper=06-Dusk"));
        QVERIFY(stored().contains("appearanceMode=light"));
        QVERIFY(!Appearance::shared().isDark());
        QCOMPARE(Appearance::shared().wallpaperName(), "06-Dusk");
        click(item("mode-dark"));
        QVERIFY(Appearance::shared().isDark());

        click(item("railButton-engine"));
        QTRY_VERIFY(item("webEngineToggle"));
        const bool was = WebEngine::shared().enabled();
        click(item("webEngineToggle"));
        QCOMPARE(WebEngine::shared().enabled(), !was);
        QVERIFY(stored().contains(QStringLiteral("webEngineEnabled=") + (was ? "false" : "true")));
        QQuickItem *path = item("webEnginePath");
        path->forceActiveFocus();
        path->setProperty("text", "");
        type(window, "/opt/tools/yt-dlp");
        QTest::keyClick(window, Qt::Key_Return);
        QCOMPARE(WebEngine::shared().path(), "/opt/tools/yt-dlp");
        QVERIFY(stored().contains("webEnginePath=/opt/tools/yt-dlp"));
        // A cancelled "Choose..." hands over no file, and nothing changes.
        QObject *report = item("enginePane")->findChild<QObject *>("engineReport");
        QVERIFY(report && QMetaObject::invokeMethod(report, "chooseWebEngine", Q_ARG(QUrl, QUrl())));
        QCOMPARE(WebEngine::shared().path(), "/opt/tools/yt-dlp");
        WebEngine::shared().setEnabled(false);
        click(item("railButton-get"));
    }

    // "Open with Tovel": the file waits in the field as a path, and nothing starts until Gather.
    void openedWithAFile()
    {
        Defaults::set(Shell::onboardingKey, true);
        engine = std::make_unique<QQmlApplicationEngine>();
        QVERIFY(loadWindow(*engine, launchInput("file:///music/a%20b.flac")));
        window = qobject_cast<QQuickWindow *>(engine->rootObjects().constFirst());
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTRY_VERIFY(item("inputField"));
        QTRY_COMPARE(item("inputField")->property("text").toString(), "/music/a b.flac");
        QCOMPARE(item("gatheredHeader")->isVisible(), false);
        QCOMPARE(launchInput("https://host.test/feed"), "https://host.test/feed");
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

    void cleanupTestCase()
    {
        engine.reset();
        qputenv("TOVEL_RESOURCES", "");
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"

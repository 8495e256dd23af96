#include "appearance/appearance.h"
#include "engine/web_engine.h"
#include "platform/defaults.h"
#include "support/http_server.h"
#include "support/test_env.h"
#include "ui/shell.h"
#include "updates/updater.h"

#include <QAccessible>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMimeData>
#include <QMutex>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QtTest>

#include <algorithm>

using namespace tovel;
using namespace tovel::test;

namespace {

void writeSandboxSettings(const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(Defaults::sandboxFileName()).path());
    QVERIFY(writeFile(Defaults::sandboxFileName(), bytes));
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

// Every warning and critical message of the running test function, from QML or anywhere else: a module
// missing from the machine or a broken binding shows up here before it shows up as a blank pane or a
// crash in front of the user. The messages still reach the test log.
QMutex warningsLock;
QStringList warnings;
QtMessageHandler passOn = nullptr;

void recordWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg) {
        const QMutexLocker lock(&warningsLock);
        warnings << message;
    }
    passOn(type, context, message);
}

// What assistive technology is given of a window: every node under its root, depth first.
QList<QAccessibleInterface *> accessibleNodes(QAccessibleInterface *face)
{
    QList<QAccessibleInterface *> found;
    for (int i = 0; face && i < face->childCount(); ++i)
        if (QAccessibleInterface *child = face->child(i))
            found << child << accessibleNodes(child);
    return found;
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

    // Every item called `name`, in the order of the visual tree.
    QList<QQuickItem *> items(const QString &name) const
    {
        QList<QQuickItem *> found = itemsUnder(window->contentItem());
        found.removeIf([&name](QQuickItem *each) { return each->objectName() != name; });
        return found;
    }
    QQuickItem *item(const QString &name) const { return items(name).value(0); }

    // Every visible item called `name`, top to bottom.
    QList<QQuickItem *> visible(const QString &name) const
    {
        QList<QQuickItem *> found = items(name);
        found.removeIf([](QQuickItem *each) { return !each->isVisible(); });
        std::ranges::sort(found, {}, [](QQuickItem *each) { return each->mapToScene(QPointF()).y(); });
        return found;
    }
    // `property` of every visible item called `name`, top to bottom.
    QStringList shown(const QString &name, const char *property = "value") const
    {
        QStringList values;
        for (QQuickItem *each : visible(name))
            values << each->property(property).toString();
        return values;
    }

    void click(QQuickItem *target)
    {
        QVERIFY(target);
        const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
        QTest::mouseClick(window, Qt::LeftButton, {}, centre.toPoint());
    }

    // A fresh launch of the window; the previous one goes first.
    void openWindow(const QString &input = {})
    {
        engine.reset();
        engine = std::make_unique<QQmlApplicationEngine>();
        QVERIFY(loadWindow(*engine, input));
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

    // A fresh launch with the introduction done: the working layout, on the Get pane.
    void openWorkingWindow()
    {
        Defaults::set(Shell::onboardingKey, true);
        openWindow();
    }

    // A folder of short tones, one for each name.
    QString tones(const QString &name, const QStringList &tracks)
    {
        const QString folder = env->folder(name);
        for (const QString &track : tracks)
            if (!makeTone(folder + '/' + track))
                QTest::qFail(qPrintable("no tone for " + track), __FILE__, __LINE__);
        return folder;
    }

    QString focusedName() const
    {
        return QAccessible::queryAccessibleInterface(window->activeFocusItem())->text(QAccessible::Name);
    }

    int onboardingStep() const
    {
        return item("onboarding")->property("item").value<QObject *>()->property("step").toInt();
    }

private slots:
    void initTestCase()
    {
        // The window closes in one test; the run goes on.
        QGuiApplication::setQuitOnLastWindowClosed(false);
        env = std::make_unique<TestEnv>();
        passOn = qInstallMessageHandler(recordWarnings);
        qputenv("TOVEL_RESOURCES", TOVEL_RESOURCES_DIR);
        qputenv("TOVEL_UPDATE_URL", server.url("/appcast.json").toString().toUtf8());
        qputenv("TOVEL_MANIFEST_URL", server.url("/manifest.json").toString().toUtf8());
    }
    void init()
    {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Tovel", "Tovel").clear();
        QFile::remove(Defaults::sandboxFileName());
        const QMutexLocker lock(&warningsLock);
        warnings.clear();
    }
    void cleanup()
    {
        const QMutexLocker lock(&warningsLock);
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));
    }

    void migration_data()
    {
        // clang-format off
        QTest::addColumn<QByteArray>("old");
        QTest::addColumn<QStringList>("current");
        QTest::addColumn<QStringList>("expected");

        const QByteArray good = "[General]\nappearanceMode=light\nselectedAppIcon=02-Dawn\nwebEngineEnabled=true\n"
                                "webEnginePath=/opt/yt-dlp\n";
        QTest::newRow("current values win, absent ones are copied")
            << good << QStringList{"appearanceMode=dark"}
            << QStringList{"appearanceMode=dark", "selectedAppIcon=02-Dawn", "webEngineEnabled=true",
                           "webEnginePath=/opt/yt-dlp"};
        QTest::newRow("already migrated: the old file is not read again")
            << good << QStringList{"migratedFromSandbox=true"} << QStringList();
        QTest::newRow("binary") << QByteArray("bplist00\xd1\x01\x02\0\0garbage", 18) << QStringList() << QStringList();
        // clang-format on
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
        QStringList stored;
        for (const char *key : {"appearanceMode", "selectedAppIcon", "webEngineEnabled", "webEnginePath"})
            if (const auto value = Defaults::text(key))
                stored << key + ("=" + *value);
        QCOMPARE(stored, expected);
        // A copied switch still reads as one.
        QCOMPARE(Defaults::boolean("webEngineEnabled", false), expected.contains("webEngineEnabled=true"));
    }

    // The old settings are in place before anything reads them; the update check never holds up the window.
    void startUpRunsInOrder()
    {
        writeSandboxSettings("[General]\nappearanceMode=light\ncheckForUpdates=false\nselectedWallpaper=01-Old\n");
        Defaults::set(Appearance::wallpaperKey, "06-Dusk");
        server.route("/appcast.json", {.body = "{}", .delayMs = 3000});
        server.route("/manifest.json", {.body = "{}", .delayMs = 3000});

        startUp();
        QCOMPARE(Appearance::shared().mode(), AppearanceMode::light);
        QCOMPARE(Appearance::shared().wallpaperName(), QStringLiteral("06-Dusk"));
        QVERIFY(!Updater::shared().automatic() && !Updater::shared().checking());

        // With automatic checks on, the next launch starts the check and goes on without waiting for it.
        Updater::shared().setAutomatic(true);
        startUp();
        QVERIFY(Updater::shared().checking());
        QTRY_COMPARE_WITH_TIMEOUT(server.asked("/appcast.json") + server.asked("/manifest.json"), 2, 10'000);
        QTRY_VERIFY_WITH_TIMEOUT(!Updater::shared().checking(), 10'000);
    }

    // Four steps: Return goes on, the web-engine toggle is stored at once, and
    // "onboardingDone" is stored before the working layout shows. Quitting part-way starts over; once
    // finished, later launches open straight on the Get pane.
    void firstLaunchShowsTheIntroductionUntilFinished()
    {
        WebEngine::shared().setEnabled(false);
        openWindow();
        QVERIFY(item("startGathering") && !item("rail"));
        QTest::keyClick(window, Qt::Key_Return);
        QTest::keyClick(window, Qt::Key_Return);
        QCOMPARE(onboardingStep(), 2);
        QTRY_VERIFY(item("onboardingWebToggle")->isVisible());
        click(item("onboardingWebToggle"));
        QVERIFY(WebEngine::shared().enabled() && Defaults::boolean(WebEngine::enabledKey, false));
        QVERIFY(!Defaults::boolean(Shell::onboardingKey, false));

        // Quitting here: the next launch starts the introduction again, from the first step.
        openWindow();
        QCOMPARE(onboardingStep(), 0);
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(window, Qt::Key_Return);
        QVERIFY(Defaults::boolean(Shell::onboardingKey, false));
        QTRY_VERIFY(item("rail"));
        WebEngine::shared().setEnabled(false);

        openWindow();
        QVERIFY(item("rail") && !item("startGathering"));
        QCOMPARE(paneTitle(), QStringLiteral("Get"));
    }

    // A person's way through: "/" to the field, type a folder, Tab to Gather, Space; three cards end "Saved" and three
    // files appear; the Library lists them; back on Get, the same cards, text and format are still there.
    void gathersFromTheWindowAndKeepsTheCards()
    {
        const QString album = tones("album", {"Track 1.wav", "Track 2.wav", "Track 3.wav"});
        QTest::keyClick(window, Qt::Key_Slash);
        QQuickItem *field = item("inputField");
        QVERIFY(field && field->hasActiveFocus());
        // A pasted list keeps its lines, and the badge calls it one.
        QGuiApplication::clipboard()->setText(album + "/Track 1.wav\n" + album + "/Track 2.wav");
        QTest::keySequence(window, QKeySequence::Paste);
        QTRY_COMPARE(field->property("text").toString().count('\n'), 1);
        QTRY_COMPARE(item("getPane")->property("sourceKind").toString(), "List");
        field->setProperty("text", "");
        type(window, album + "  ");
        QQuickItem *pane = item("getPane");
        // Tab goes field, Clear, format, quality, sound, items, Choose, Gather; Space gathers.
        for (const char *next : {"clearButton", "formatPicker", "qualityPicker", "soundPicker", "itemsPicker",
                                 "chooseItemsButton", "gatherButton"}) {
            QTest::keyClick(window, Qt::Key_Tab);
            QVERIFY2(item(next)->hasActiveFocus(), next);
        }
        QTest::keyClick(window, Qt::Key_Space);
        QTRY_COMPARE_WITH_TIMEOUT(shown("statusStat") + shown("progressStat"),
                                  QStringList(3, "Saved") + QStringList(3, "100%"), 30'000);

        const QString downloads = env->downloads();
        QCOMPARE(entries(downloads), QStringList({"Track 1.mp3", "Track 2.mp3", "Track 3.mp3"}));
        // Off to the Library (which lists files in actionsSayWhenTheyCannotAct) and back.
        pane->setProperty("format", 3);
        click(item("railButton-library"));
        QTRY_COMPARE(paneTitle(), "Library");

        click(item("railButton-get"));
        QTRY_COMPARE(shown("statusStat"), QStringList(3, "Saved"));
        field = item("inputField");
        // What was typed and chosen is still there; the choice is kept for the next start too.
        QCOMPARE(field->property("text").toString() + " | " + item("formatPicker")->property("currentIndex").toString(),
                 album + "   | 3");
        QCOMPARE(Defaults::text("gatherFormat"), "flac");
        item("getPane")->setProperty("format", 0);
        // Escape clears the field while it has focus.
        field->forceActiveFocus();
        QTest::keyClick(window, Qt::Key_Escape);
        QCOMPARE(field->property("text").toString(), QString());

        // The same folder again finds it saved; a card's Gather again makes that file anew beside it.
        type(window, album);
        QTest::keyClick(window, Qt::Key_Return);
        QTRY_COMPARE(shown("statusStat").mid(0, 3), QStringList(3, "Already saved"));
        const QList<QQuickItem *> again = visible("gatherAgainButton");
        QCOMPARE(again.size(), 3);
        click(again.first());
        QTRY_COMPARE_WITH_TIMEOUT(shown("statusStat").mid(0, 3),
                                  QStringList({"Saved", "Already saved", "Already saved"}), 30'000);
        QCOMPARE(entries(downloads), QStringList({"Track 1.mp3", "Track 2.mp3", "Track 3 2.mp3", "Track 3.mp3"}));
    }

    // A drop fills the field with the first item's path and starts nothing.
    void aDropFillsTheField()
    {
        const QString song = env->root() + "/dropped song.flac";
        QVERIFY(writeFile(song, "x"));
        const QStringList cards = shown("statusStat");
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(song), QUrl("https://other.test/")});
        data.setText("ignored");
        const QPoint at(window->width() / 2, window->height() - 40);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &drop);
        QCOMPARE(item("inputField")->property("text").toString(), song);
        QTest::qWait(100);
        QCOMPARE(shown("statusStat"), cards); // no new card
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
        QTRY_COMPARE(shown("statusStat").value(0), "Converting");

        item("inputField")->forceActiveFocus();
        window->close();
        QVERIFY(window->isVisible());
        QQuickItem *question = item("quitQuestion");
        QTRY_VERIFY(question->isVisible());
        QCOMPARE(item("quitText")->property("text").toString(), "1 item is still being gathered. Stop it and quit?");
        // Escape changes nothing, and focus is back where it was; "Stop and quit" ends the job, tidies up,
        // then closes.
        QTRY_VERIFY(item("stopAndQuit")->hasActiveFocus());
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(!question->isVisible() && item("inputField")->hasActiveFocus());
        window->close();
        QTRY_VERIFY(question->isVisible());
        click(item("stopAndQuit"));
        QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 20'000);
        QCOMPARE(entries(env->temp()), QStringList());
        QVERIFY(!entries(env->downloads()).contains("long.mp3"));
        qunsetenv("TOVEL_FFMPEG");
        openWorkingWindow();
    }

    // Every settings control hands its choice to its owner and writes it straight into the settings file.
    void settingsControlsStoreAtOnce_data()
    {
        // clang-format off
        QTest::addColumn<QString>("pane");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("typed"); // typed in and confirmed with Return; a click when empty
        QTest::addColumn<QString>("property"); // the owner's property that follows the control
        QTest::addColumn<QString>("stored");
        QTest::newRow("app icon")
            << "appearance" << "iconGrid-01-Aurora" << "" << "iconName" << "selectedAppIcon=01-Aurora";
        QTest::newRow("light") << "appearance" << "mode-light" << "" << "mode" << "appearanceMode=light";
        QTest::newRow("web engine on") << "engine" << "webEngineToggle" << "" << "enabled" << "webEngineEnabled=true";
        QTest::newRow("web engine path")
            << "engine" << "webEnginePath" << "/opt/tools/yt-dlp" << "path" << "webEnginePath=/opt/tools/yt-dlp";
        // clang-format on
    }
    void settingsControlsStoreAtOnce()
    {
        QFETCH(QString, pane);
        QFETCH(QString, control);
        QFETCH(QString, typed);
        QFETCH(QString, property);
        QFETCH(QString, stored);
        click(item("railButton-" + pane));
        QTRY_VERIFY(item(control));
        if (typed.isEmpty()) {
            click(item(control));
        } else {
            item(control)->forceActiveFocus();
            item(control)->setProperty("text", "");
            type(window, typed);
            QTest::keyClick(window, Qt::Key_Return);
        }
        if (pane == "engine") { // a cancelled "Choose..." hands over no file, and nothing changes
            QObject *report = item("enginePane")->findChild<QObject *>("engineReport");
            QVERIFY(report && QMetaObject::invokeMethod(report, "chooseWebEngine", Q_ARG(QUrl, QUrl())));
        }
        QObject *owner = pane == "engine" ? static_cast<QObject *>(&WebEngine::shared()) : &Appearance::shared();
        QCOMPARE(owner->property(qPrintable(property)).toString(), stored.section('=', 1));
        const QByteArray file = readFile(QDir::homePath() + "/.config/Tovel/Tovel.conf");
        QVERIFY2(file.contains(stored.toUtf8()), file.constData());
    }

    // "Open with Tovel": the file waits in the field as a path, and nothing starts until Gather.
    void openedWithAFile()
    {
        Defaults::set(Shell::onboardingKey, true);
        openWindow(launchInput("file:///music/a%20b.flac"));
        QTRY_VERIFY(item("inputField"));
        QTRY_COMPARE(item("inputField")->property("text").toString(), "/music/a b.flac");
        QVERIFY(!item("gatheredHeader")->isVisible());
        QCOMPARE(launchInput("https://host.test/feed"), "https://host.test/feed");
    }

    void theWindowKeepsItsMinimumSize()
    {
        QCOMPARE(window->minimumSize(), QSize(900, 640));
        // Window managers keep to the minimum; where none does, the content still lays out at it.
        window->resize(600, 400);
        QTRY_COMPARE(item("frame")->size(), QSizeF(900, 640));
    }

    // Each dialog a control opens, opened and closed again with Escape (every pane is visited in
    // accessibilityTree, the quit question in closingAsksBeforeStoppingWork).
    void dialogsOpenAndClose()
    {
        openWorkingWindow();
        for (const auto &[pane, opener, dialog] : {std::tuple{"get", "formatPicker", "formatPicker.popup"},
                                                   std::tuple{"engine", "chooseButton", "enginePane.chooser"}}) {
            click(item(QString("railButton-") + pane));
            QTRY_VERIFY(item(opener));
            click(item(opener));
            const QString holder = QString(dialog).section('.', 0, 0), property = QString(dialog).section('.', 1);
            const auto shown = [&] {
                const QObject *held = item(holder)->property(qPrintable(property)).value<QObject *>();
                return held && held->property("visible").toBool();
            };
            QTRY_VERIFY(shown());
            QTest::keyClick(window, Qt::Key_Escape);
            QTRY_VERIFY(!shown());
        }
    }

    // The Choose list by keyboard: it lists the field's folder, Space unchecks the current item, Escape
    // leaves it and gives the focus back.
    void choosingByKeyboard()
    {
        openWorkingWindow();
        const QString album = tones("choose", {"A.wav", "B.wav", "C.wav"});
        QTest::keyClick(window, Qt::Key_Slash);
        type(window, album);
        item("chooseItemsButton")->forceActiveFocus();
        QTest::keyClick(window, Qt::Key_Space);
        QTRY_COMPARE(item("chooseStatus")->property("text").toString(), "3 of 3 checked");
        QVERIFY(item("chooseList")->hasActiveFocus());
        QTest::keyClick(window, Qt::Key_Down);
        QTest::keyClick(window, Qt::Key_Space);
        QCOMPARE(item("chooseStatus")->property("text").toString(), "2 of 3 checked");
        QTest::keyClick(window, Qt::Key_Escape);
        QTRY_VERIFY(!item("chooseDialog")->isVisible());
        QVERIFY(item("chooseItemsButton")->hasActiveFocus());
    }

    // A feed is followed with the Get pane's switch, listed in the Following pane (Ctrl+3) and unfollowed
    // there, all from the keyboard.
    void followingByKeyboard()
    {
        HttpServer server;
        server.serve("/show.xml",
                     "<rss><channel><title>Field Notes</title><item><title>One</title><guid>1</guid>"
                     "<enclosure type=\"audio/mpeg\" url=\""
                         + server.base().toUtf8() + "/one.mp3\"/></item></channel></rss>");
        openWorkingWindow();
        QTest::keyClick(window, Qt::Key_Slash);
        type(window, server.base() + "/show.xml");
        QQuickItem *toggle = item("followToggle");
        QTRY_VERIFY(toggle->isVisible());
        toggle->forceActiveFocus();
        QTest::keyClick(window, Qt::Key_Space);
        QTRY_VERIFY(toggle->property("checked").toBool());
        QTest::keySequence(window, QKeySequence("Ctrl+3"));
        QTRY_COMPARE(paneTitle(), "Following");
        QTRY_COMPARE(item("showTitle")->property("text").toString(), "Field Notes");
        QVERIFY(item("showStatus")->property("text").toString().contains("not checked yet"));
        item("checkShowsButton")->forceActiveFocus();
        QTest::keyClick(window, Qt::Key_Tab);
        QCOMPARE(focusedName(), "Unfollow Field Notes");
        // What Export… writes, Import… follows again.
        auto *following = engine->singletonInstance<QObject *>(qmlTypeId("Tovel", 1, 0, "Following"));
        QVERIFY(following);
        const QUrl opml = QUrl::fromLocalFile(env->root() + "/shows.opml");
        QVERIFY(QMetaObject::invokeMethod(following, "exportTo", Q_ARG(QUrl, opml)));
        QTest::keyClick(window, Qt::Key_Space);
        QTRY_VERIFY(item("noShows")->isVisible());
        QVERIFY(readFile(opml.toLocalFile()).contains("/show.xml"));
        QVERIFY(QMetaObject::invokeMethod(following, "importFrom", Q_ARG(QUrl, opml), Q_ARG(int, 0), Q_ARG(int, 0),
                                          Q_ARG(int, 0)));
        QTRY_VERIFY(item("showTitle") && item("showTitle")->property("text").toString() == "Field Notes");
        QCOMPARE(item("followingNotice")->property("text").toString(), "Now following 1 more show.");
    }

    // Panes are chosen without a mouse: by their shortcuts, from the rail with Return (Space is pressed in
    // keyboardReachesEveryControl; its buttons show a focus ring), and through the accessibility interface,
    // as a screen reader would. Ctrl+2, Ctrl+3 and Ctrl+4 are pressed in other tests, Ctrl+5 in
    // keyboardThroughTheCards.
    void panesWithoutAMouse_data()
    {
        // clang-format off
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("pane");
        QTest::newRow("Ctrl+Tab") << "Ctrl+Tab" << "library";
        QTest::newRow("Return on the rail") << "Return" << "appearance";
        QTest::newRow("accessible press") << "press" << "library";
        // clang-format on
    }
    void panesWithoutAMouse()
    {
        QFETCH(QString, how);
        QFETCH(QString, pane);
        openWorkingWindow();
        QCOMPARE(paneTitle(), "Get");
        QQuickItem *button = item("railButton-" + pane);
        if (how.startsWith("Ctrl")) {
            QTest::keySequence(window, QKeySequence(how));
        } else if (how == "press") {
            QAccessibleInterface *face = QAccessible::queryAccessibleInterface(button);
            QVERIFY(face && face->actionInterface());
            QCOMPARE(face->text(QAccessible::Name), "Library");
            face->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        } else {
            button->forceActiveFocus();
            QCOMPARE(button->property("border").value<QObject *>()->property("width").toInt(), 2);
            QTest::keyClick(window, Qt::Key_Return);
        }
        QTRY_COMPARE(paneTitle().toLower(), pane);
        QVERIFY(button->property("selected").toBool());
    }

    // What a screen reader is given of each pane and of the quit question: nothing hidden, every control
    // named after what it acts on (no two buttons alike), combo boxes with their value, a heading, the
    // current pane selected, a resting Gather disabled, the question as a dialog.
    void accessibilityTree()
    {
        const QString album = tones("accessible", {"One.wav", "Two.wav"});
        openWorkingWindow();
        // A refused request is said at once, and goes when the user writes something else.
        item("inputField")->setProperty("text", album + "/missing.wav");
        click(item("gatherButton"));
        QTRY_VERIFY(item("announcer")->property("text").toString().startsWith("There is no file or folder at"));
        QVERIFY(item("errorText")->isVisible());
        item("inputField")->setProperty("text", album);
        QVERIFY(!item("errorText")->isVisible());
        click(item("gatherButton"));
        QTRY_COMPARE_WITH_TIMEOUT(shown("statusStat"), QStringList(2, "Saved"), 30'000);
        QVERIFY(item("announcer")->property("text").toString().endsWith(": Saved")); // said as it happened
        item("inputField")->setProperty("text", QString());
        const QSet<QAccessible::Role> controls{QAccessible::Button,   QAccessible::CheckBox, QAccessible::RadioButton,
                                               QAccessible::ComboBox, QAccessible::PageTab,  QAccessible::EditableText};
        for (const QString pane : {"get", "library", "appearance", "engine", "question"}) {
            if (pane == "question")
                QVERIFY(QMetaObject::invokeMethod(item("quitQuestion"), "open"));
            else
                click(item("railButton-" + pane));
            QTRY_VERIFY(pane == "question" || paneTitle().toLower() == pane);
            QStringList buttons, headings, selectedTabs, dialogs, faults;
            for (QAccessibleInterface *node : accessibleNodes(QAccessible::queryAccessibleInterface(window))) {
                const QAccessible::Role role = node->role();
                const QString name = node->text(QAccessible::Name),
                              line = QStringLiteral("%1 \"%2\"").arg(role).arg(name);
                if (node->state().invisible)
                    faults << "hidden: " + line;
                if (controls.contains(role) && name.isEmpty())
                    faults << "no name: " + line;
                if (role == QAccessible::ComboBox && node->text(QAccessible::Value).isEmpty() && !name.contains(": "))
                    faults << "no value: " + line;
                if (role == QAccessible::Button && buttons.contains(name))
                    faults << "twice: " + line;
                if (role == QAccessible::Button)
                    buttons << name;
                if (role == QAccessible::Button && name == "Gather" && !node->state().disabled
                    && node->text(QAccessible::Description).isEmpty())
                    faults << "enabled with nothing to gather: " + line;
                if (role == QAccessible::Heading)
                    headings << name;
                if (role == QAccessible::PageTab && node->state().selected)
                    selectedTabs << name.toLower();
                if (role == QAccessible::Dialog)
                    dialogs << name;
            }
            QVERIFY2(faults.isEmpty(), qPrintable(pane + ":\n" + faults.join('\n')));
            QVERIFY2(!headings.isEmpty(), qPrintable(pane));
            if (pane == "question") {
                QCOMPARE(dialogs, QStringList{item("quitText")->property("text").toString()});
                QTest::keyClick(window, Qt::Key_Escape);
            } else {
                QCOMPARE(selectedTabs, QStringList{pane});
            }
            if (pane == "get")
                for (const char *name : {"Play One.mp3", "Show Two.mp3", "Gather"})
                    QVERIFY2(buttons.contains(name), name);
        }
    }

    // Tab alone goes round the whole window from each pane and reaches every control a screen reader
    // lists (of a group of choices, the chosen one: the arrow keys reach the rest); Space on one of
    // them acts as a click would.
    void keyboardReachesEveryControl_data()
    {
        // clang-format off
        QTest::addColumn<QString>("pane");
        QTest::addColumn<QString>("press"); // the accessible name of the control Space is pressed on
        QTest::addColumn<QString>("after"); // "item.property=value" once it has acted
        QTest::newRow("get") << "get" << "Clear the source" << "inputField.text=";
        QTest::newRow("library") << "library" << "Open Downloads" << "downloadsTrouble.visible=true";
        QTest::newRow("appearance") << "appearance" << "Library" << "railButton-library.selected=true";
        QTest::newRow("engine") << "engine" << "Use the web engine for other links" << "webEngineToggle.checked=true";
        // clang-format on
    }
    void keyboardReachesEveryControl()
    {
        QFETCH(QString, pane);
        QFETCH(QString, press);
        QFETCH(QString, after);
        qputenv("XDG_DATA_DIRS", QByteArray(env->folder("no-apps").toUtf8()));
        WebEngine::shared().setEnabled(false);
        openWorkingWindow();
        item("inputField")->setProperty("text", env->root());
        item("getPane")->setProperty("format", 0); // MP3, which takes a quality
        click(item("railButton-" + pane));
        QTRY_COMPARE(paneTitle().toLower(), pane);
        QSet<QString> expected;
        for (QAccessibleInterface *node : accessibleNodes(QAccessible::queryAccessibleInterface(window)))
            if (node->state().focusable && !node->state().invisible && node->role() != QAccessible::StaticText
                && (node->role() != QAccessible::RadioButton || node->state().checked))
                expected << node->text(QAccessible::Name);
        QSet<QString> reached;
        for (int i = 0; i < 120 && !expected.subtract(reached).isEmpty(); ++i) {
            QTest::keyClick(window, Qt::Key_Tab);
            if (QAccessibleInterface *face = QAccessible::queryAccessibleInterface(window->activeFocusItem()))
                reached << face->text(QAccessible::Name);
        }
        QVERIFY2(expected.isEmpty(), qPrintable(QStringList(expected.cbegin(), expected.cend()).join(", ")));

        for (int i = 0; i < 120 && focusedName() != press; ++i)
            QTest::keyClick(window, Qt::Key_Tab);
        QTest::keyClick(window, Qt::Key_Space);
        const QString holder = after.section('.', 0, 0);
        QObject *target = holder == "downloadsTrouble" ? item("openDownloadsButton")->findChild<QObject *>(holder)
                                                       : static_cast<QObject *>(item(holder));
        const QString property = after.section('.', 1).section('=', 0, 0);
        QTRY_COMPARE(target->property(qPrintable(property)).toString(), after.section('=', 1));
        WebEngine::shared().setEnabled(false);
        qunsetenv("XDG_DATA_DIRS");
    }

    // Keys alone: after Gather the field keeps focus while cards arrive; Tab from Gather goes to the top
    // card on screen, on through the cards in screen order, and out of the pane after the last one;
    // the arrow keys choose among the Appearance tiles.
    void keyboardThroughTheCards()
    {
        const QString album = tones("keys", {"A.wav", "B.wav", "C.wav"});
        openWorkingWindow();
        QTest::keyClick(window, Qt::Key_Slash);
        type(window, album);
        QTest::keyClick(window, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(shown("statusStat"), QStringList(3, "Saved"), 30'000);
        QVERIFY(item("inputField")->hasActiveFocus());
        for (int i = 0; i < 7; ++i)
            QTest::keyClick(window, Qt::Key_Tab);
        QVERIFY(item("gatherButton")->hasActiveFocus());
        QStringList order;
        for (int i = 0; i < 6; ++i) {
            QTest::keyClick(window, Qt::Key_Tab);
            order << focusedName();
        }
        QCOMPARE(order,
                 QStringList({"Show C.mp3", "Play C.mp3", "Show B.mp3", "Play B.mp3", "Show A.mp3", "Play A.mp3"}));
        QTest::keyClick(window, Qt::Key_Tab);
        QCOMPARE(window->activeFocusItem()->objectName(), "windowControl-close");

        QTest::keySequence(window, QKeySequence("Ctrl+5"));
        QTRY_COMPARE(paneTitle(), "Engine");
        QTest::keySequence(window, QKeySequence("Ctrl+4"));
        QTRY_COMPARE(paneTitle(), "Appearance");
        item("mode-dark")->forceActiveFocus();
        QTest::keyClick(window, Qt::Key_Right);
        QCOMPARE(Appearance::shared().mode(), AppearanceMode::light);
        QVERIFY(item("mode-light")->hasActiveFocus());
    }

    // Where nothing is set to open a file, Play and Show say so beside the button, with the path to copy;
    // Open Downloads says so too.
    void actionsSayWhenTheyCannotAct()
    {
        qputenv("XDG_DATA_DIRS", QByteArray(env->folder("no-apps").toUtf8()));
        openWorkingWindow();
        QVERIFY(makeTone(env->downloads() + "/Live at Leeds.mp3"));
        QTest::keySequence(window, QKeySequence("Ctrl+2"));
        const auto play = [this] {
            for (QQuickItem *button : visible("libraryPlayButton"))
                if (button->property("accessibleName") == "Play Live at Leeds.mp3")
                    return button;
            return static_cast<QQuickItem *>(nullptr);
        };
        QTRY_VERIFY2(play(), qPrintable(shown("libraryPlayButton", "accessibleName").join(", ")));
        click(play());
        QTRY_COMPARE(shown("actionNotice", "text"),
                     QStringList{"No app is set to open MP3 files. The file is in Downloads."});
        click(visible("copyPathButton").value(0));
        QCOMPARE(QGuiApplication::clipboard()->text(), env->downloads() + "/Live at Leeds.mp3");
        QVERIFY(shown("actionNotice").isEmpty());
        click(item("openDownloadsButton"));
        QObject *trouble = item("openDownloadsButton")->findChild<QObject *>("downloadsTrouble");
        QTRY_VERIFY(trouble && trouble->property("visible").toBool());
        qunsetenv("XDG_DATA_DIRS");
    }

    void cleanupTestCase()
    {
        engine.reset();
        qputenv("TOVEL_RESOURCES", "");
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"

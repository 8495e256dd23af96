#include "platform/defaults.h"
#include "platform/language.h"
#include "support/test_env.h"
#include "ui/shell.h"

#include <QImage>
#include <QProcessEnvironment>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QtTest>

using namespace tovel;
using namespace tovel::test;

namespace {

// The same in German as in English: names, and words German borrowed as they are.
const QStringList sameInGerman{"Tovel",    "MP3",    "M4A",       "WAV",    "FLAC",   "MP4",
                               "ffmpeg",   "yt-dlp", "Downloads", "System", "Format", "Status",
                               "Optional", "Feed",   "Link",      "GPL",    "LGPL"};

// What every visible text of the window shows, one pane (or introduction step) after the other.
QStringList visibleTexts(QQuickItem *item)
{
    QStringList texts;
    if (!item->isVisible() || item->opacity() == 0)
        return texts;
    const QString text = item->property("text").toString();
    if (item->inherits("QQuickText") && !text.isEmpty())
        texts << text;
    for (QQuickItem *child : item->childItems())
        texts << visibleTexts(child);
    return texts;
}

QQuickItem *named(QQuickItem *item, const QString &name)
{
    if (item->objectName() == name)
        return item;
    for (QQuickItem *child : item->childItems())
        if (QQuickItem *found = named(child, name))
            return found;
    return nullptr;
}

// Each pane and each step of the first-run introduction, as the window shows it.
QList<QStringList> windowTexts()
{
    QList<QStringList> shown;
    QQmlApplicationEngine engine;
    if (!loadWindow(engine))
        return shown;
    auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().constFirst());
    window->resize(1100, 860);
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        return shown;
    const auto settle = [] { QTest::qWait(400); }; // the panes cross-fade
    for (int step = 0; step < 4; ++step) {
        window->setProperty("onboarding", true);
        auto *intro = named(window->contentItem(), "onboarding")->property("item").value<QObject *>();
        intro->setProperty("step", step);
        settle();
        shown << visibleTexts(window->contentItem());
    }
    window->setProperty("onboarding", false);
    for (const char *pane : {"get", "library", "appearance", "engine"}) {
        window->setProperty("pane", pane);
        settle();
        shown << visibleTexts(window->contentItem());
    }
    return shown;
}

struct Shot
{
    int status = -1;
    QImage image;
    QByteArray errors;
};

// `onDisplay`: on a virtual X display with OpenGL (Mesa's software rasteriser), the path a desktop takes,
// shader effects and all, instead of the offscreen platform's software renderer.
Shot takeShot(const QString &file, const QStringList &extra, bool onDisplay = false)
{
    Shot shot;
    QStringList arguments = QStringList{"--screenshot", file} + extra;
    QString program = QStringLiteral(TOVEL_BINARY);
    QStringList environment = QProcess::systemEnvironment();
    if (onDisplay) {
        arguments = QStringList{"-a", "-s", "-screen 0 1280x800x24", program} + arguments;
        program = QStringLiteral("xvfb-run");
        environment.removeIf([](const QString &entry) { return entry.startsWith("QT_QPA_PLATFORM="); });
        // OpenGL even though Mesa draws it on the processor, where Tovel would choose its software renderer.
        environment << "QT_QPA_PLATFORM=xcb"
                    << "QSG_RHI_BACKEND=opengl"
                    << "QSG_INFO=1";
    }
    runProgram(program, arguments, &shot.status, environment, 120'000, &shot.errors);
    shot.image = QImage(file);
    return shot;
}

// The grey level over a rectangle, every `step`th pixel each way: its mean and variance.
struct Tone
{
    double mean = 0;
    double variance = 0;
};

Tone toneOf(const QImage &image, const QRect &area, int step = 2)
{
    double sum = 0, squares = 0;
    qint64 count = 0;
    for (int y = area.top(); y <= area.bottom(); y += step)
        for (int x = area.left(); x <= area.right(); x += step) {
            const int grey = qGray(image.pixel(x, y));
            sum += grey;
            squares += double(grey) * grey;
            ++count;
        }
    const double mean = sum / count;
    return {mean, squares / count - mean * mean};
}

// The middle of the main panel, well inside its rounded corners.
QRect panelArea(const QImage &image)
{
    return QRect(120, 340, image.width() - 200, image.height() - 400);
}

} // namespace

// The window in German, and as the screenshot option draws it.
class TestGerman : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;

    // The command line's standard output and error together, with the user's language set as `setting`.
    QString tovel(const QStringList &arguments, const QString &setting) const
    {
        QStringList environment = QProcessEnvironment::systemEnvironment().toStringList();
        environment.removeIf([](const QString &each) {
            return each.startsWith("LANGUAGE=") || each.startsWith("LC_ALL=") || each.startsWith("LC_MESSAGES=")
                || each.startsWith("LANG=");
        });
        QByteArray errors;
        const QByteArray output = runProgram(TOVEL_BINARY, arguments, nullptr, environment << setting, 60'000, &errors);
        return QString::fromUtf8(output + errors);
    }

private slots:
    void initTestCase()
    {
        env = std::make_unique<TestEnv>();
        qputenv("TOVEL_RESOURCES", TOVEL_RESOURCES_DIR);
    }

    void rendersTheWindow_data()
    {
        // clang-format off
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QSize>("expected");
        QTest::addColumn<bool>("onDisplay");
        QTest::newRow("dark get, default size") << QStringList{"--mode", "dark"} << QSize(1100, 720) << false;
        QTest::newRow("OpenGL, light") << QStringList{"--mode", "light", "--pane", "engine"} << QSize(1100, 720) << true;
        QTest::newRow("introduction") << QStringList{"--onboarding", "--mode", "dark"} << QSize(1100, 720) << false;
        // clang-format on
    }
    void rendersTheWindow()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QSize, expected);
        QFETCH(bool, onDisplay);
        TestEnv env;

        const Shot shot = takeShot(env.root() + "/shot.png", arguments, onDisplay);
        QVERIFY2(shot.status == 0, shot.errors.constData());
        if (onDisplay) // the blur and the glass cut-outs ran as shader effects
            QVERIFY2(shot.errors.contains("backend OpenGL"), shot.errors.constData());
        QCOMPARE(shot.image.size(), expected);
        // Something is drawn: not one flat colour.
        const Tone whole = toneOf(shot.image, shot.image.rect());
        QVERIFY2(whole.variance > 20, qPrintable(QString::number(whole.variance)));
    }

    // --mode draws this once: the stored choice stays, and a run without it draws that.
    void modeIsNotStored()
    {
        // In the run's own home: the settings file is found once per process.
        Defaults::set("appearanceMode", "dark");
        const Shot light = takeShot(env->root() + "/light.png", {"--mode", "light"});
        const Shot dark = takeShot(env->root() + "/dark.png", {});
        QVERIFY2(light.status == 0 && dark.status == 0, (light.errors + dark.errors).constData());
        const double lighter
            = toneOf(light.image, panelArea(light.image)).mean - toneOf(dark.image, panelArea(dark.image)).mean;
        QVERIFY2(lighter > 20, qPrintable(QString::number(lighter)));
        QCOMPARE(Defaults::text("appearanceMode"), std::optional<QString>("dark"));
    }

    void commandLine_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<bool>("german");
        QTest::newRow("LANGUAGE") << "LANGUAGE=de" << true;
        QTest::newRow("LC_ALL") << "LC_ALL=de_DE.UTF-8" << true;
        QTest::newRow("LANG") << "LANG=de_DE.UTF-8" << true;
        QTest::newRow("English") << "LANG=en_GB.UTF-8" << false;
        QTest::newRow("C") << "LC_ALL=C" << false;
    }
    void commandLine()
    {
        QFETCH(QString, setting);
        QFETCH(bool, german);
        const QString help = tovel({"--help"}, setting);
        const QString nothing = tovel({"list", env->root() + "/nothing"}, setting);
        QCOMPARE(help.startsWith(german ? "Aufruf:" : "Usage:"), true);
        QCOMPARE(nothing.contains(german ? "gibt es keine Datei und keinen Ordner" : "There is no file or folder at"),
                 true);
        // JSON lines are for programs: the same in every language.
        QVERIFY(tovel({"list", "--json", env->root() + "/nothing"}, setting).contains("There is no file or folder at"));
    }

    // Every text the window shows in English reads differently in German.
    void window()
    {
        const QList<QStringList> english = windowTexts();
        installTranslations(QLocale(QLocale::German, QLocale::Germany));
        const QList<QStringList> german = windowTexts();
        QVERIFY(german.size() == 8 && english.size() == 8);
        static const QRegularExpression words("[A-Za-z]{2,}");
        for (qsizetype view = 0; view < german.size(); ++view) {
            QVERIFY(!english.at(view).isEmpty());
            for (const QString &text : german.at(view)) {
                QString rest = text;
                for (const QString &same : sameInGerman)
                    rest.remove(same);
                if (english.at(view).contains(text) && rest.contains(words))
                    QFAIL(qPrintable(QString("Still in English in view %1: \"%2\"").arg(view).arg(text)));
            }
        }
    }

    // Nothing left for a translator to do.
    void everythingTranslated()
    {
        QFile file(TOVEL_SOURCE_DIR "/translations/tovel_de.ts");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray ts = file.readAll();
        QVERIFY(ts.contains("<translation>"));
        QVERIFY2(!ts.contains("type=\"unfinished\"") && !ts.contains("<translation></translation>")
                     && !ts.contains("<numerusform></numerusform>"),
                 "translations/tovel_de.ts has untranslated texts");
    }
};

QTEST_MAIN(TestGerman)
#include "tst_german.moc"

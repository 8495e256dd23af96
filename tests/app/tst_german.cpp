#include "platform/language.h"
#include "support/test_env.h"
#include "ui/shell.h"

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

} // namespace

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
        QCOMPARE(help.startsWith("Aufruf:"), german);
        QCOMPARE(help.startsWith("Usage:"), !german);
        QCOMPARE(nothing.contains("gibt es keine Datei und keinen Ordner"), german);
        QCOMPARE(nothing.contains("There is no file or folder at"), !german);
        // JSON lines are for programs: the same in every language.
        QVERIFY(tovel({"list", "--json", env->root() + "/nothing"}, setting).contains("There is no file or folder at"));
    }

    // Every text the window shows in English reads differently in German.
    void window()
    {
        const QList<QStringList> english = windowTexts();
        installTranslations(QLocale(QLocale::German, QLocale::Germany));
        const QList<QStringList> german = windowTexts();
        QCOMPARE(german.size(), 8);
        QCOMPARE(german.size(), english.size());
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

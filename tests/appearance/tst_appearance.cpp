#include "appearance/appearance.h"
#include "platform/paths.h"
#include "support/test_env.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QtTest>

using namespace tovel;
using namespace tovel::test;

class TestAppearance : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;

private slots:
    void init() { env = std::make_unique<TestEnv>(); }
    void cleanup()
    {
        qputenv("TOVEL_RESOURCES", "");
        env.reset();
    }

    void modes_data()
    {
        // clang-format off
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("mode");
        QTest::newRow("dark") << "dark" << "dark";
        QTest::newRow("light") << "light" << "light";
        QTest::newRow("capital D is not dark") << "Dark" << "system";
        QTest::newRow("unknown") << "sepia" << "system";
        // clang-format on
    }
    void modes()
    {
        QFETCH(QString, stored);
        QFETCH(QString, mode);
        QCOMPARE(rawValue(appearanceModeFrom(stored)), mode);
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

    void choicesAreStoredAndApplied()
    {
        Appearance &appearance = Appearance::shared();
        QSignalSpy scheme(&appearance, &Appearance::schemeChanged);
        appearance.setMode(AppearanceMode::light);
        QVERIFY(!appearance.isDark());
        appearance.setMode(AppearanceMode::dark);
        QVERIFY(appearance.isDark());
        // Light, then dark: the scheme changed at least once, and only when it really changed.
        QVERIFY(scheme.size() >= 1 && scheme.size() <= 2);
        appearance.setMode(AppearanceMode::dark);
        QVERIFY(scheme.size() <= 2);
        // An unknown icon is stored as chosen and shows nothing; the panes' own storing is tested in the window.
        appearance.setIconName(QStringLiteral("99-Nothing"));
        QVERIFY(appearance.iconSource().isEmpty());
    }
};

QTEST_MAIN(TestAppearance)
#include "tst_appearance.moc"

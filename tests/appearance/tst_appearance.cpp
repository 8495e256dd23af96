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

QTEST_MAIN(TestAppearance)
#include "tst_appearance.moc"

#include "engine/tools.h"
#include "platform/paths.h"
#include "support/test_env.h"

#include <QtTest>

#include <memory>

using namespace tovel;

namespace {

QStringList of(std::initializer_list<const char *> items)
{
    QStringList result;
    for (const char *item : items)
        result << QString::fromUtf8(item);
    return result;
}

QByteArray fixture(const char *name)
{
    QFile file(QStringLiteral(TOVEL_FIXTURES_DIR "/") + QString::fromUtf8(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Lays out files under `base`, one entry each: "x:path" an executable script, "f:path" a plain readable file,
// "d:path" a folder, "l:path=target" a symbolic link to base/target.
void build(const QString &base, const QStringList &layout)
{
    for (const QString &entry : layout) {
        const QString kind = entry.section(u':', 0, 0);
        const QString rest = entry.section(u':', 1);
        const QString path = base + u'/' + rest.section(u'=', 0, 0);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        if (kind == u"x") {
            QVERIFY(test::writeScript(path, QStringLiteral("#!/bin/sh\nexit 0\n")));
        } else if (kind == u"f") {
            QVERIFY(test::writeFile(path, "#!/bin/sh\nexit 0\n"));
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        } else if (kind == u"d") {
            QVERIFY(QDir().mkpath(path));
        } else {
            QVERIFY(QFile::link(base + u'/' + rest.section(u'=', 1), path));
        }
    }
}

QStringList under(const QString &base, const QStringList &relative)
{
    QStringList result;
    for (const QString &path : relative)
        result << base + u'/' + path;
    return result;
}

} // namespace

class TestTools : public QObject {
    Q_OBJECT
    std::unique_ptr<test::TestEnv> env;

private slots:
    void init() { env = std::make_unique<test::TestEnv>(); }
    void cleanup()
    {
        Tools::clearFFmpegOverride();
        paths::overrideResources(std::nullopt);
        env.reset();
    }

    void find_data()
    {
        QTest::addColumn<QStringList>("layout");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QStringList>("directories");
        QTest::addColumn<QString>("expected"); // relative to the root; empty for nothing
        const QStringList tool = of({ "tool" });
        const QStringList d1d2 = of({ "d1", "d2" });
        QTest::newRow("first executable extra, returned as given")
            << of({ "f:b/tool", "x:a/tool", "x:c/tool", "x:d1/tool" }) << tool
            << of({ "b/tool", "a/../a/tool", "c/tool" }) << d1d2 << QStringLiteral("a/../a/tool");
        QTest::newRow("no executable extra falls through to the folders")
            << of({ "f:a/tool", "x:d2/tool" }) << tool << of({ "a/tool", "missing/tool" }) << d1d2
            << QStringLiteral("d2/tool");
        QTest::newRow("folders outermost, names inside")
            << of({ "x:d1/node", "x:d2/deno", "x:d2/node" }) << of({ "deno", "node" }) << QStringList() << d1d2
            << QStringLiteral("d1/node");
        QTest::newRow("names in order within one folder") << of({ "x:d1/node", "x:d1/deno" }) << of({ "deno", "node" })
                                                          << QStringList() << d1d2 << QStringLiteral("d1/deno");
        QTest::newRow("non-executable file skipped")
            << of({ "f:d1/tool", "x:d2/tool" }) << tool << QStringList() << d1d2 << QStringLiteral("d2/tool");
        QTest::newRow("folder named like the program skipped")
            << of({ "d:d1/tool", "x:d2/tool" }) << tool << QStringList() << d1d2 << QStringLiteral("d2/tool");
        QTest::newRow("link to an executable counts, path kept")
            << of({ "x:elsewhere/real", "l:d1/tool=elsewhere/real", "x:d2/tool" }) << tool << QStringList() << d1d2
            << QStringLiteral("d1/tool");
        QTest::newRow("link to a plain file does not")
            << of({ "f:elsewhere/real", "l:d1/tool=elsewhere/real", "x:d2/tool" }) << tool << QStringList() << d1d2
            << QStringLiteral("d2/tool");
        QTest::newRow("nothing") << of({ "f:d1/tool", "d:d2/tool" }) << tool << of({ "a/tool" }) << d1d2 << QString();
    }
    void find()
    {
        QFETCH(QStringList, layout);
        QFETCH(QStringList, names);
        QFETCH(QStringList, extra);
        QFETCH(QStringList, directories);
        QFETCH(QString, expected);
        build(env->root(), layout);
        if (QTest::currentTestFailed())
            return;
        const auto found = Tools::find(names, under(env->root(), extra), under(env->root(), directories));
        QCOMPARE(found, expected.isEmpty() ? std::nullopt : std::optional(env->root() + u'/' + expected));
    }

    void locateFFmpeg_data()
    {
        QTest::addColumn<QStringList>("layout");
        QTest::addColumn<bool>("withResources");
        QTest::addColumn<QString>("expected");
        QTest::newRow("bundled but not executable: folders decide")
            << of({ "f:res/bin/ffmpeg", "x:d2/ffmpeg" }) << true << QStringLiteral("d2/ffmpeg");
        QTest::newRow("bundled folder named ffmpeg: folders decide")
            << of({ "d:res/bin/ffmpeg", "x:d2/ffmpeg" }) << true << QStringLiteral("d2/ffmpeg");
        QTest::newRow("bundled and executable wins")
            << of({ "x:res/bin/ffmpeg", "x:d1/ffmpeg" }) << true << QStringLiteral("res/bin/ffmpeg");
        QTest::newRow("no resource folder: folders decide")
            << of({ "x:res/bin/ffmpeg", "x:d2/ffmpeg" }) << false << QStringLiteral("d2/ffmpeg");
        QTest::newRow("neither") << of({ "f:res/bin/ffmpeg" }) << true << QString();
    }
    void locateFFmpeg()
    {
        QFETCH(QStringList, layout);
        QFETCH(bool, withResources);
        QFETCH(QString, expected);
        build(env->root(), layout);
        if (QTest::currentTestFailed())
            return;
        const auto resources = withResources ? std::optional(env->root() + QStringLiteral("/res")) : std::nullopt;
        const auto found = Tools::locateFFmpeg(resources, under(env->root(), of({ "d1", "d2" })));
        QCOMPARE(found, expected.isEmpty() ? std::nullopt : std::optional(env->root() + u'/' + expected));
    }

    void ffmpegInResources_data()
    {
        QTest::addColumn<QString>("resources"); // relative to the root; empty means no resource folder
        QTest::addColumn<QString>("ffmpeg"); // relative to the root; empty means none found
        QTest::addColumn<bool>("expected");
        QTest::newRow("inside") << QStringLiteral("res") << QStringLiteral("res/bin/ffmpeg") << true;
        QTest::newRow("outside") << QStringLiteral("res") << QStringLiteral("usr/bin/ffmpeg") << false;
        QTest::newRow("no ffmpeg") << QStringLiteral("res") << QString() << false;
        QTest::newRow("no resource folder") << QString() << QStringLiteral("res/bin/ffmpeg") << false;
    }
    void ffmpegInResources()
    {
        QFETCH(QString, resources);
        QFETCH(QString, ffmpeg);
        QFETCH(bool, expected);
        paths::overrideResources(resources.isEmpty() ? QString() : env->root() + u'/' + resources);
        Tools::overrideFFmpegPath(ffmpeg.isEmpty() ? std::nullopt : std::optional(env->root() + u'/' + ffmpeg));
        QCOMPARE(Tools::ffmpegInResources(), expected);
        QCOMPARE(Tools::hasFFmpeg(), !ffmpeg.isEmpty());
    }

    void classifyLicense_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("expected");
        QTest::newRow("GPL v2 (Debian)") << fixture("ffmpeg_L_gpl2_debian12_stdout.txt") << QStringLiteral("GPL");
        QTest::newRow("GPL v3") << fixture("ffmpeg_L_gpl3_stdout.txt") << QStringLiteral("GPL");
        QTest::newRow("LGPL v2.1, phrase split by LF")
            << fixture("ffmpeg_L_lgpl21_stdout.txt") << QStringLiteral("LGPL");
        QTest::newRow("LGPL v3") << fixture("ffmpeg_L_lgpl3_stdout.txt") << QStringLiteral("LGPL");
        QTest::newRow("nonfree") << fixture("ffmpeg_L_nonfree_stdout.txt") << QStringLiteral("unknown");
        QTest::newRow("LGPL v2.1 with CR LF line ends")
            << fixture("ffmpeg_L_lgpl21_stdout.txt").replace("\n", "\r\n") << QStringLiteral("unknown");
        QTest::newRow("split by LF") << QByteArray("the GNU General\nPublic License") << QStringLiteral("GPL");
        QTest::newRow("split by CR") << QByteArray("the GNU Lesser\rGeneral Public License") << QStringLiteral("LGPL");
        QTest::newRow("split by CR LF") << QByteArray("the GNU General\r\nPublic License") << QStringLiteral("unknown");
        QTest::newRow("both, lesser named last")
            << QByteArray("GNU General Public License or GNU Lesser General Public License") << QStringLiteral("LGPL");
        QTest::newRow("case matters") << QByteArray("gnu general public license") << QStringLiteral("unknown");
        QTest::newRow("invalid UTF-8") << QByteArray("GNU General Public License \xff\xfe")
                                       << QStringLiteral("unknown");
        QTest::newRow("lone surrogate encoded")
            << QByteArray("GNU General Public License \xed\xa0\x80") << QStringLiteral("unknown");
        QTest::newRow("valid UTF-8 with a byte-order mark")
            << QByteArray("\xef\xbb\xbfGNU General Public License \xc2\xa9") << QStringLiteral("GPL");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("unknown");
    }
    void classifyLicense()
    {
        QFETCH(QByteArray, output);
        QFETCH(QString, expected);
        QCOMPARE(Tools::classifyLicense(output), expected);
    }

    void ffmpegLicense_data()
    {
        QTest::addColumn<QString>("program"); // "script", "plain", "missing" or "none"
        QTest::addColumn<QString>("printed"); // the fixture the script prints on standard output
        QTest::addColumn<QString>("expected");
        QTest::newRow("LGPL, failing exit, noise on stderr")
            << QStringLiteral("script") << QStringLiteral("ffmpeg_L_lgpl3_stdout.txt") << QStringLiteral("LGPL");
        QTest::newRow("GPL on stdout, LGPL only on stderr")
            << QStringLiteral("script") << QStringLiteral("ffmpeg_L_gpl2_debian12_stdout.txt") << QStringLiteral("GPL");
        QTest::newRow("cannot start") << QStringLiteral("plain") << QString() << QStringLiteral("unknown");
        QTest::newRow("vanished") << QStringLiteral("missing") << QString() << QStringLiteral("unknown");
        QTest::newRow("none") << QStringLiteral("none") << QString() << QStringLiteral("not found");
    }
    void ffmpegLicense()
    {
        QFETCH(QString, program);
        QFETCH(QString, printed);
        QFETCH(QString, expected);
        const QString path = env->root() + QStringLiteral("/bin/ffmpeg");
        QVERIFY(QDir().mkpath(env->root() + QStringLiteral("/bin")));
        if (program == u"script") {
            QVERIFY(test::writeScript(path,
                QStringLiteral("#!/bin/sh\n[ \"$*\" = -L ] || exit 2\ncat '%1'\n"
                               "echo 'GNU Lesser General Public License' >&2\nexit 1\n")
                    .arg(QStringLiteral(TOVEL_FIXTURES_DIR "/") + printed)));
        } else if (program == u"plain") {
            QVERIFY(test::writeFile(path, "#!/bin/sh\necho 'GNU General Public License'\n"));
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        }
        Tools::overrideFFmpegPath(program == u"none" ? std::nullopt : std::optional(path));
        QCOMPARE(Tools::ffmpegLicense(), expected);
    }

    void findYtDlp()
    {
        const QString local = env->home() + QStringLiteral("/.local/bin/yt-dlp");
        build(env->home(), of({ "f:.local/bin/yt-dlp" }));
        QVERIFY(Tools::findYtDlp() != std::optional(local));
        build(env->home(), of({ "x:.local/bin/yt-dlp" }));
        QCOMPARE(Tools::findYtDlp(), std::optional(local));
    }

    void findJSRuntime_data()
    {
        QTest::addColumn<QStringList>("layout"); // relative to HOME
        QTest::addColumn<QString>("expected"); // relative to HOME; empty means nothing under HOME
        QTest::newRow("plain text order, not numeric")
            << of({ "x:.nvm/versions/node/v20.1.0/bin/node", "x:.nvm/versions/node/v9.0.0/bin/node" })
            << QStringLiteral(".nvm/versions/node/v9.0.0/bin/node");
        QTest::newRow("non-executable version skipped")
            << of({ "x:.nvm/versions/node/v20.1.0/bin/node", "f:.nvm/versions/node/v9.0.0/bin/node" })
            << QStringLiteral(".nvm/versions/node/v20.1.0/bin/node");
        QTest::newRow("per-user node before any deno")
            << of({ "x:.local/bin/deno", "x:.nvm/versions/node/v20.1.0/bin/node" })
            << QStringLiteral(".nvm/versions/node/v20.1.0/bin/node");
        QTest::newRow("version folder without node") << of({ "d:.nvm/versions/node/v9.0.0/bin" }) << QString();
    }
    void findJSRuntime()
    {
        QFETCH(QStringList, layout);
        QFETCH(QString, expected);
        build(env->home(), layout);
        if (QTest::currentTestFailed())
            return;
        const auto found = Tools::findJSRuntime();
        if (expected.isEmpty())
            QVERIFY(!found || !found->startsWith(env->home() + QStringLiteral("/.nvm/")));
        else
            QCOMPARE(found, std::optional(env->home() + u'/' + expected));
    }
};

QTEST_GUILESS_MAIN(TestTools)
#include "tst_tools.moc"

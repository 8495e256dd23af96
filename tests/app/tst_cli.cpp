#include "support/test_env.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include <csignal>

using namespace tovel::test;

namespace {

struct Outcome
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Outcome runTovel(const QStringList &arguments)
{
    Outcome outcome;
    outcome.out = runProgram(TOVEL_BINARY, arguments, &outcome.status, {}, 120'000, &outcome.err);
    return outcome;
}

// One object per line; nothing at all when a line is no JSON object.
QList<QJsonObject> jsonLines(const QByteArray &text)
{
    QList<QJsonObject> objects;
    for (const QByteArray &line : text.split('\n')) {
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (!line.isEmpty() && !document.isObject())
            return {};
        if (!line.isEmpty())
            objects << document.object();
    }
    return objects;
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    QString in;

private slots:
    void init()
    {
        env = std::make_unique<TestEnv>();
        in = env->folder("in");
    }
    void cleanup() { env.reset(); }

    void everyFormat_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("quality");
        QTest::addColumn<QString>("codec");
        QTest::newRow("mp3") << "mp3" << "best" << "mp3";
        QTest::newRow("mp3 128") << "mp3" << "128 kbps" << "mp3";
        QTest::newRow("m4a 192") << "m4a" << "192" << "aac";
        QTest::newRow("wav") << "wav" << "best" << "pcm_s16le";
        QTest::newRow("flac") << "flac" << "best" << "flac";
        QTest::newRow("mp4") << "mp4" << "best" << "aac";
    }
    void everyFormat()
    {
        QFETCH(QString, format);
        QFETCH(QString, quality);
        QFETCH(QString, codec);
        // mp4 copies streams, so its input needs a codec an mp4 can hold.
        const bool mp4 = format == "mp4";
        const QString input = in + (mp4 ? "/Sine.m4a" : "/Sine.wav"), to = env->root() + "/saved";
        QVERIFY(makeTone(input, 1.0, mp4 ? QStringList{"-c:a", "aac"} : QStringList()));

        const Outcome outcome
            = runTovel({"get", input, "--format", format, "--quality", quality, "--to", to, "--json"});
        QVERIFY2(outcome.status == 0, outcome.err.constData());
        // Job lines, then a summary; the last job line shows the saved file.
        const QList<QJsonObject> lines = jsonLines(outcome.out);
        QVERIFY(lines.size() >= 3);
        QCOMPARE(lines.last().value("event"), "summary");
        QCOMPARE(lines.last().value("done"), 1);
        const QJsonObject last = lines.at(lines.size() - 2);
        QCOMPARE(QStringList({last.value("phase").toString(), last.value("output").toString()}),
                 QStringList({"done", to + "/Sine." + format}));
        QCOMPARE(last.value("progress"), 1.0);
        const auto probed = probe(to + "/Sine." + format);
        QVERIFY(probed);
        QCOMPARE(probed->codec, codec);
        QVERIFY(qAbs(probed->duration - 1.0) < 0.1);
        QCOMPARE(entries(env->temp()), QStringList());
    }

    void folderInPlainLines()
    {
        for (int i = 1; i <= 3; ++i)
            QVERIFY(makeTone(in + QStringLiteral("/Track %1.wav").arg(i)));
        const Outcome outcome = runTovel({"get", in, "--format", "wav"});
        QCOMPARE(outcome.status, 0);
        // Default destination: the Downloads folder in the (test's) home.
        QCOMPARE(entries(env->downloads()), QStringList({"Track 1.wav", "Track 2.wav", "Track 3.wav"}));
        const QString text = QString::fromUtf8(outcome.out);
        for (const char *line : {"Track 2 \u2014 Queued (0%)", "Track 2 \u2014 Converting\u2026 (75%)",
                                 "Track 2 \u2014 Saved to Downloads (100%)", "3 of 3 saved"})
            QVERIFY2(text.contains(line), qPrintable(text));
    }

    void listAndHint()
    {
        writeFile(in + "/b 9.ogg", "x");
        writeFile(in + "/notes.txt", "x");
        Outcome outcome = runTovel({"list", in, "--json"});
        QCOMPARE(outcome.status, 0);
        const QJsonObject item{
            {"title", "b 9"}, {"origin", "Folder \u00b7 in"}, {"url", in + "/b 9.ogg"}, {"hintedExtension", "ogg"}};
        QCOMPARE(jsonLines(outcome.out), QList<QJsonObject>({item}));

        outcome = runTovel({"hint", "HTTPS://host.test/ep.MP3"});
        QCOMPARE(outcome.status, 0);
        QCOMPARE(outcome.out, "Direct media link.\nSource: Direct\n");
    }

    void errorsAndStatuses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("stderr");
        const QString router
            = "Nothing here can read that. Give a feed, a media link, an archive.org item, or a file path.\n";
        QTest::newRow("get nothing") << QStringList{"get", "~/no/such/file.mp3"} << 2 << router;
        QTest::newRow("list ftp") << QStringList{"list", "ftp://host.test/a.mp3", "--json"} << 2 << router;
        QTest::newRow("bad format") << QStringList{"get", "x", "--format", "ogg"} << 2
                                    << "Unknown format \"ogg\". Choose mp3, m4a, wav, flac or mp4.\n";
        QTest::newRow("empty folder")
            << QStringList{"get", "{in}"} << 2
            << "That address loaded, but nothing playable was found. No audio or video files in that folder.\n";
        QTest::newRow("unreadable media") << QStringList{"get", "{in}/../garbage.mp3", "--to", "{in}"} << 1 << "";
    }
    void errorsAndStatuses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, stderr);
        writeFile(env->root() + "/garbage.mp3", "not audio");
        const Outcome outcome = runTovel(arguments.replaceInStrings("{in}", in));
        QCOMPARE(outcome.status, status);
        if (!stderr.isEmpty())
            QCOMPARE(QString::fromUtf8(outcome.err), stderr);
        QCOMPARE(entries(in), QStringList());
    }

    void interruptCancelsEverything()
    {
        // A slow source: a long tone makes ffmpeg take a while; Ctrl-C must end it and leave nothing.
        QVERIFY(makeTone(in + "/Long.wav", 600.0));
        const QString to = env->folder("saved");
        QProcess process;
        process.start(TOVEL_BINARY, {"get", in, "--format", "flac", "--to", to, "--json"});
        QVERIFY(process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(process.readAllStandardOutput().contains("\"converting\"") || !entries(to).isEmpty(),
                                 30'000);
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(30'000));
        QCOMPARE(process.exitCode(), 130);
        QCOMPARE(entries(to), QStringList());
        QCOMPARE(entries(env->temp()), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"

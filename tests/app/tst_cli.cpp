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
    outcome.out = runProgram(QStringLiteral(TOVEL_BINARY), arguments, &outcome.status, {}, 120'000, &outcome.err);
    return outcome;
}

QList<QJsonObject> jsonLines(const QByteArray &text)
{
    QList<QJsonObject> objects;
    for (const QByteArray &line : text.split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject())
            return {};
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
        in = env->folder(QStringLiteral("in"));
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
        const QStringList extra = format == QLatin1String("mp4") ? QStringList{QStringLiteral("-c:a"), QStringLiteral("aac")}
                                                                   : QStringList{};
        const QString input = in + (format == QLatin1String("mp4") ? QStringLiteral("/Sine.m4a") : QStringLiteral("/Sine.wav"));
        QVERIFY(makeTone(input, 1.0, extra));

        const QString to = env->root() + QStringLiteral("/saved");
        const Outcome outcome = runTovel({QStringLiteral("get"), input, QStringLiteral("--format"), format,
                                       QStringLiteral("--quality"), quality, QStringLiteral("--to"), to,
                                       QStringLiteral("--json")});
        QVERIFY2(outcome.status == 0, outcome.err.constData());
        const QList<QJsonObject> lines = jsonLines(outcome.out);
        QVERIFY(lines.size() >= 3);
        QCOMPARE(lines.last().value(QStringLiteral("event")).toString(), QStringLiteral("summary"));
        QCOMPARE(lines.last().value(QStringLiteral("done")).toInt(), 1);
        const QJsonObject last = lines.at(lines.size() - 2);
        QCOMPARE(last.value(QStringLiteral("phase")).toString(), QStringLiteral("done"));
        QCOMPARE(last.value(QStringLiteral("progress")).toDouble(), 1.0);
        const QString output = last.value(QStringLiteral("output")).toString();
        QCOMPARE(output, to + QStringLiteral("/Sine.") + format);
        const auto probed = probe(output);
        QVERIFY(probed);
        QCOMPARE(probed->codec, codec);
        QVERIFY(qAbs(probed->duration - 1.0) < 0.1);
        QCOMPARE(entries(env->temp()), QStringList());
    }

    void folderInPlainLines()
    {
        for (int i = 1; i <= 3; ++i)
            QVERIFY(makeTone(in + QStringLiteral("/Track %1.wav").arg(i)));
        const Outcome outcome = runTovel({QStringLiteral("get"), in, QStringLiteral("--format"), QStringLiteral("wav")});
        QCOMPARE(outcome.status, 0);
        // Default destination: the Downloads folder in the (test's) home.
        QCOMPARE(entries(env->downloads()), QStringList({"Track 1.wav", "Track 2.wav", "Track 3.wav"}));
        const QString text = QString::fromUtf8(outcome.out);
        QVERIFY(text.contains(QStringLiteral("Track 2 \u2014 Queued (0%)")));
        QVERIFY(text.contains(QStringLiteral("Track 2 \u2014 Converting\u2026 (75%)")));
        QVERIFY(text.contains(QStringLiteral("Track 2 \u2014 Saved to Downloads (100%)")));
        QVERIFY(text.contains(QStringLiteral("3 of 3 saved")));
    }

    void listAndHint()
    {
        for (const char *name : {"b 10.mp3", "b 9.ogg", "notes.txt"})
            writeFile(in + u'/' + QString::fromUtf8(name), "x");
        Outcome outcome = runTovel({QStringLiteral("list"), in, QStringLiteral("--json")});
        QCOMPARE(outcome.status, 0);
        const QList<QJsonObject> items = jsonLines(outcome.out);
        QCOMPARE(items.size(), 2);
        QCOMPARE(items.at(0).value(QStringLiteral("title")).toString(), QStringLiteral("b 9"));
        QCOMPARE(items.at(0).value(QStringLiteral("hintedExtension")).toString(), QStringLiteral("ogg"));
        QCOMPARE(items.at(1).value(QStringLiteral("origin")).toString(), QStringLiteral("Folder \u00b7 in"));
        QCOMPARE(items.at(1).keys(), QStringList({"hintedExtension", "origin", "title", "url"}));

        outcome = runTovel({QStringLiteral("hint"), QStringLiteral("HTTPS://host.test/ep.MP3")});
        QCOMPARE(outcome.status, 0);
        QCOMPARE(QString::fromUtf8(outcome.out), QStringLiteral("Direct media link.\nSource: Direct\n"));
    }

    void errorsAndStatuses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("stderr");
        const QString router = QStringLiteral("Nothing here can read that. Give a feed, a media link, an archive.org item, or a file path.\n");
        QTest::newRow("get nothing") << QStringList{"get", "~/no/such/file.mp3"} << 2 << router;
        QTest::newRow("list ftp") << QStringList{"list", "ftp://host.test/a.mp3", "--json"} << 2 << router;
        QTest::newRow("bad format") << QStringList{"get", "x", "--format", "ogg"} << 2
                                    << "Unknown format \"ogg\". Choose mp3, m4a, wav, flac or mp4.\n";
        QTest::newRow("empty folder") << QStringList{"get", "{in}"} << 2
                                      << "That address loaded, but nothing playable was found. No audio or video files in that folder.\n";
        QTest::newRow("unreadable media") << QStringList{"get", "{in}/../garbage.mp3", "--to", "{in}"} << 1 << "";
    }
    void errorsAndStatuses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, stderr);
        writeFile(env->root() + QStringLiteral("/garbage.mp3"), "not audio");
        for (QString &argument : arguments)
            argument.replace(QStringLiteral("{in}"), in);
        const Outcome outcome = runTovel(arguments);
        QCOMPARE(outcome.status, status);
        if (!stderr.isEmpty())
            QCOMPARE(QString::fromUtf8(outcome.err), stderr);
        QCOMPARE(entries(in), QStringList());
    }

    void interruptCancelsEverything()
    {
        // A slow source: a long tone makes ffmpeg take a while; Ctrl-C must end it and leave nothing.
        QVERIFY(makeTone(in + QStringLiteral("/Long.wav"), 600.0));
        const QString to = env->folder(QStringLiteral("saved"));
        QProcess process;
        process.start(QStringLiteral(TOVEL_BINARY),
                      {QStringLiteral("get"), in, QStringLiteral("--format"), QStringLiteral("flac"),
                       QStringLiteral("--to"), to, QStringLiteral("--json")});
        QVERIFY(process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(process.readAllStandardOutput().contains("\"converting\"") || !entries(to).isEmpty(), 30'000);
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(30'000));
        QCOMPARE(process.exitCode(), 130);
        QCOMPARE(entries(to), QStringList());
        QCOMPARE(entries(env->temp()), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"

#include "core/fetcher.h"
#include "core/http.h"
#include "engine/manifest.h"
#include "pipeline/history.h"
#include "support/http_server.h"
#include "support/jobs.h"
#include "support/test_env.h"

#include <QtTest>

using namespace tovel;
using namespace tovel::test;

Q_DECLARE_METATYPE(HttpServer::Response)

// Downloads through the job runner: direct links, the per-host line, cancel, failures and time-outs.
class TestRemoteJobs : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<HttpServer> server;
    QString out;
    QByteArray tone;
    QHash<QString, QByteArray> versions; // a tagged MP3 episode: A, B (the same length) and C (longer)

private slots:
    void initTestCase()
    {
        TestEnv scratch;
        QVERIFY(makeTone(scratch.temp() + "/tone.wav", 0.5));
        tone = readFile(scratch.temp() + "/tone.wav");
        const QStringList mp3{"-c:a", "libmp3lame", "-b:a", "64k", "-metadata", "title=Served"};
        QVERIFY(makeTone(scratch.temp() + "/a.mp3", 4, mp3));
        QVERIFY(makeTone(scratch.temp() + "/b.mp3", 4, QStringList{"-af", "volume=0.5"} + mp3));
        QVERIFY(makeTone(scratch.temp() + "/c.mp3", 5, mp3));
        for (const QString name : {"A", "B", "C"})
            versions[name] = readFile(scratch.temp() + "/" + name.toLower() + ".mp3");
        QVERIFY(versions["A"].size() == versions["B"].size() && versions["A"] != versions["B"]);
    }
    void init()
    {
        env = std::make_unique<TestEnv>();
        server = std::make_unique<HttpServer>();
        out = env->folder("out");
    }
    void cleanup()
    {
        QTRY_COMPARE_WITH_TIMEOUT(JobRunner::liveTasks(), 0, 60'000);
        network().setTransferTimeout(60'000);
        server.reset();
        env.reset();
    }

    void directLinkEndToEnd_data()
    {
        // clang-format off
        QTest::addColumn<bool>("sendLength");
        QTest::newRow("with a length") << true;
        QTest::newRow("without a length") << false;
        // clang-format on
    }
    void directLinkEndToEnd()
    {
        QFETCH(bool, sendLength);
        HttpServer::Response response;
        response.body = tone;
        response.sendLength = sendLength;
        response.chunkSize = 8 * 1024;
        response.chunkDelayMs = 25;
        server->route("/media/Episode%20Twelve.wav", response);

        JobRunner runner(out);
        QList<double> progress;
        QStringList phases;
        connect(&runner, &JobRunner::jobAdded, this, [&](Job *job) {
            phases << job->phaseName();
            connect(job, &Job::progressChanged, this, [&, job] { progress << job->progress(); });
            connect(job, &Job::phaseChanged, this, [&, job] { phases << job->phaseName(); });
        });
        start(runner, server->base() + "/media/Episode%20Twelve.wav?x=1");
        QCOMPARE(runner.jobs().size(), 1);
        const Job *job = runner.jobs().first();
        QCOMPARE(QStringList({job->title(), job->origin()}), QStringList({"Episode Twelve", "127.0.0.1"}));
        QVERIFY(settle(runner));

        QCOMPARE(phases, QStringList({"fetching", "converting", "done"}));
        QCOMPARE(probe(out + "/Episode Twelve.mp3").value_or(Probe()).codec, "mp3");
        // Download progress runs up to 0.7, and only when the length is known.
        const QList<double> downloading(progress.begin(), std::find(progress.begin(), progress.end(), 0.75));
        if (sendLength) {
            QVERIFY(downloading.size() >= 2);
            QVERIFY(std::is_sorted(downloading.begin(), downloading.end()));
            QCOMPARE(downloading.last(), 0.7);
        } else {
            QVERIFY(downloading.isEmpty());
        }
        // The request carried the manifest's user agent.
        QCOMPARE(server->requests().value(0).headers.value("user-agent"),
                 ManifestStore::shared().manifest().userAgent.toUtf8());
        QCOMPARE(entries(env->temp()), QStringList());
    }

    // An MP3 episode gathered as MP3 at the best quality is the very file that was served.
    void anMp3ArrivesAsServed()
    {
        const QString mp3 = env->root() + "/ep.mp3";
        QVERIFY(makeTone(mp3, 1.0, {"-c:a", "libmp3lame", "-metadata", "title=Served"}));
        server->serve("/ep.mp3", readFile(mp3));
        JobRunner runner(out);
        start(runner, server->base() + "/ep.mp3");
        QVERIFY(settle(runner));
        QCOMPARE(runner.jobs().first()->phaseName(), "done");
        QCOMPARE(readFile(out + "/ep.mp3"), readFile(mp3));
        QCOMPARE(entries(env->temp()), QStringList());
    }

    void failuresLeaveNothing()
    {
        // An error page fails the fetch at once; a stalled or a refused connection after its last try.
        server->serve("/gone.mp3", "<html>gone</html>", 404);
        HttpServer::Response stall;
        stall.stall = true;
        server->route("/stall.mp3", stall);
        network().setTransferTimeout(300);
        JobRunner runner({.destination = out, .timings = {.retryWaits = {0, 0, 0}}});
        for (const QString &address : {server->base() + "/gone.mp3", server->base() + "/stall.mp3",
                                       QStringLiteral("http://127.0.0.1:1/closed.mp3")})
            start(runner, address);
        QVERIFY(settle(runner));
        const QList<Job *> jobs = runner.jobs(); // newest first
        QCOMPARE(jobs.at(2)->phaseLabel(), "Fetch failed. The server answered 404 Not Found.");
        for (const Job *job : jobs) {
            QVERIFY2(job->phaseLabel().startsWith("Fetch failed. "), qPrintable(job->phaseLabel()));
            QCOMPARE(job->progress(), 0.0);
        }
        QCOMPARE(entries(out) + entries(env->temp()), QStringList());
    }

    // What a server may send that must not become a file: the partial file goes, whatever the reason.
    void fetchRefuses_data()
    {
        // clang-format off
        QTest::addColumn<HttpServer::Response>("response");
        QTest::addColumn<qint64>("limit"); // the most the fetch may take; 0: no limit
        QTest::addColumn<QString>("error"); // empty: fetched as sent
        HttpServer::Response broken, huge, drip, packed, big, bigUnsaid;
        broken.status = 500;
        broken.body = tone;
        huge.sendLength = false;
        huge.headers = {{"Content-Length", "1000000000000000"}};
        huge.body = QByteArray(4096, 'x');
        huge.chunkSize = 1024;
        huge.chunkDelayMs = 200;
        drip.body = QByteArray(200, 'x');
        drip.chunkSize = 1;
        drip.chunkDelayMs = 100;
        drip.etag = "\"d\"";
        // A 1 MB gzip body that unpacks to far more: saved as the bytes it is.
        packed.headers = {{"Content-Encoding", "gzip"}};
        packed.body = QByteArray("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10) + QByteArray(1 << 20, '\x01');
        // A download held to a size gives up as soon as the body says, or turns out, to be longer.
        big.body = bigUnsaid.body = QByteArray(300 * 1024, 'x');
        bigUnsaid.sendLength = false;
        QTest::newRow("500 with a body") << broken << qint64(0) << "The server answered 500 Internal Server Error.";
        QTest::newRow("more than the disk holds") << huge << qint64(0)
            << "The temporary folder TEMP is nearly full: at least ";
        QTest::newRow("dripping") << drip << qint64(0) << "The download stalled: less than 1 KiB arrived in 2 seconds.";
        QTest::newRow("compressed") << packed << qint64(0) << QString();
        QTest::newRow("over its limit, announced") << big << qint64(100 * 1024) << "The file is larger than 102400 bytes.";
        QTest::newRow("over its limit, unannounced") << bigUnsaid << qint64(100 * 1024)
                                                     << "The file is larger than 102400 bytes.";
        QTest::newRow("exactly its limit") << bigUnsaid << qint64(300 * 1024) << QString();
        // clang-format on
    }
    void fetchRefuses()
    {
        QFETCH(HttpServer::Response, response);
        QFETCH(qint64, limit);
        QFETCH(QString, error);
        server->route("/file.mp3", response);
        Fetcher fetcher;
        fetcher.setStallWindow(std::chrono::seconds(2));
        const Result<QString> fetched = QCoro::waitFor(
            fetcher.fetch(server->url("/file.mp3"), "UA", {}, limit ? std::optional(limit) : std::nullopt));
        const QString description = fetched ? QString() : fetched.error().description();
        QVERIFY2(error.isEmpty() ? !!fetched : description.startsWith(error.replace("TEMP", env->temp())),
                 qPrintable(description));
        if (fetched) {
            QCOMPARE(readFile(*fetched), response.body);
            QCOMPARE(QFile::permissions(*fetched) & 0x00FF, QFile::Permissions()); // nothing for group or others
            QCOMPARE(server->requests().first().headers.value("accept-encoding"), "identity");
            QFile::remove(*fetched);
        }
        // A download that stalled may be tried again: what arrived is kept for that try (it has a validator).
        QCOMPARE(!fetcher.partial().isEmpty(), error.startsWith("The download stalled"));
        if (!fetcher.partial().isEmpty())
            QFile::remove(fetcher.partial());
        QCOMPARE(entries(env->temp()), QStringList());
    }

    // A download that is only a playlist of the user's own file is not read as media.
    void referencesAreNotFollowed()
    {
        const QString song = env->home() + "/song.mp3";
        QVERIFY(makeTone(song));
        server->serve("/evil.mp3",
                      "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:10,\nfile://" + song.toUtf8() + "\n#EXT-X-ENDLIST\n");
        JobRunner runner(out);
        start(runner, server->base() + "/evil.mp3");
        QVERIFY(settle(runner));
        QVERIFY2(runner.jobs().first()->phaseLabel().startsWith("Conversion failed. Nothing here can read that."),
                 qPrintable(runner.jobs().first()->phaseLabel()));
        QCOMPARE(entries(out) + entries(env->temp()), QStringList());
    }

    // Stopping a gathering while its source is still being read ends the request too, quietly.
    void resolutionIsCancelled_data()
    {
        // clang-format off
        QTest::addColumn<bool>("discard");
        QTest::newRow("stopped") << false;
        QTest::newRow("runner discarded") << true;
        // clang-format on
    }
    void resolutionIsCancelled()
    {
        QFETCH(bool, discard);
        HttpServer::Response stall;
        stall.stall = true;
        server->route("/feed.xml", stall);
        auto runner = std::make_unique<JobRunner>(out);
        QCoro::Task<void> running
            = runner->run(server->base() + "/feed.xml", AudioFormat::mp3, AudioQuality::best, 100);
        QTRY_COMPARE(server->openRequests(), 1);
        if (discard)
            runner.reset();
        else
            runner->cancelAll();
        QTRY_VERIFY(running.isReady());
        QTRY_COMPARE(server->openRequests(), 0);
        if (runner)
            QCOMPARE(runner->lastError(), std::nullopt);
    }

    // Downloads that break off or meet a passing error are tried again, resuming where the server allows.
    // Whatever a server does to a download that breaks off and resumes, the saved file is exactly the
    // file the server now holds, or the job failed and left nothing, not even a line in the history.
    void resumes_data()
    {
        // clang-format off
        QTest::addColumn<QList<HttpServer::Response>>("turns");
        QTest::addColumn<QString>("expected"); // the version saved: "A", "B", "C"; empty when the job fails
        QTest::addColumn<QString>("error");
        HttpServer::Response cut, a, b, c, plain, partial, chunkedCut, chunkedWhole, gone, drip, noLength;
        cut.body = a.body = partial.body = chunkedCut.body = chunkedWhole.body = drip.body = noLength.body = versions["A"];
        cut.etag = a.etag = partial.etag = chunkedCut.etag = chunkedWhole.etag = "\"a\"";
        cut.ranges = a.ranges = true;
        cut.dropAfter = versions["A"].size() / 2;
        b.body = versions["B"];
        b.etag = "\"b\"";
        b.ranges = true;
        c.body = versions["C"];
        c.etag = "\"a\""; // a server that keeps the tag of another file
        c.ranges = c.ignoresIfRange = true;
        plain = a;
        plain.ranges = false;
        partial.partialToAll = true;
        chunkedCut.chunked = chunkedWhole.chunked = true;
        chunkedCut.dropAfter = versions["A"].size() / 2;
        chunkedWhole.dropAfter = versions["A"].size();
        gone.status = 416;
        gone.headers = {{"Content-Range", "bytes */" + QByteArray::number(versions["A"].size())}};
        drip.chunkSize = 1;
        drip.chunkDelayMs = 100;
        noLength.sendLength = false;
        noLength.dropAfter = versions["A"].size() / 2;
        const auto with = [](HttpServer::Response response, auto change) {
            change(response);
            return response;
        };
        QTest::newRow("changed, same length") << QList{cut, b} << "B" << "";
        QTest::newRow("changed, If-Range ignored")
            << QList{cut, with(b, [](auto &r) { r.ignoresIfRange = true; })} << "B" << "";
        QTest::newRow("changed, other length, same tag") << QList{cut, c} << "C" << "";
        QTest::newRow("rest sent with no validator")
            << QList{cut, with(b, [](auto &r) { r.etag.clear(); r.ignoresIfRange = true; })} << "B" << "";
        QTest::newRow("200 to a resume") << QList{cut, plain} << "A" << "";
        QTest::newRow("wrong start") << QList{cut, with(a, [](auto &r) { r.rangeShift = -100; })} << "A" << "";
        QTest::newRow("wrong total") << QList{cut, with(a, [&](auto &r) { r.statedTotal = versions["A"].size() + 7; })}
                                     << "A" << "";
        QTest::newRow("short 206, then the rest") << QList{cut, with(a, [](auto &r) { r.rangeBytes = 1000; }), a} << "A" << "";
        QTest::newRow("206 to a plain request") << QList{partial, plain} << "A" << "";
        QTest::newRow("cut chunked body") << QList{chunkedCut, a} << "A" << "";
        QTest::newRow("416 after a full body") << QList{chunkedWhole, gone} << "A" << "";
        QTest::newRow("cut with no length") << QList{noLength, plain} << "A" << "";
        QTest::newRow("cut with no length, every time") << QList{noLength} << ""
                                                       << "Fetch failed. The download kept ending early. The source holds only ";
        QTest::newRow("dripping") << QList{drip} << ""
                                  << "Fetch failed. The download stalled: less than 1 KiB arrived in 1 seconds.";
        // clang-format on
    }
    void resumes()
    {
        QFETCH(QList<HttpServer::Response>, turns);
        QFETCH(QString, expected);
        QFETCH(QString, error);
        server->routeInTurn("/ep.mp3", turns);
        const QString recorded = env->root() + "/history.sqlite";
        JobRunner runner({.destination = out,
                          .history = std::make_shared<History>(recorded),
                          .timings = {.retryWaits = {0, 0, 0}, .downloadStall = std::chrono::seconds(1)}});
        start(runner, server->base() + "/ep.mp3");
        QVERIFY(settle(runner));
        const Job *job = runner.jobs().first();
        if (expected.isEmpty())
            QVERIFY2(job->phaseLabel().startsWith(error), qPrintable(job->phaseLabel()));
        else
            QCOMPARE(job->phaseName(), "done");
        QCOMPARE(entries(out), expected.isEmpty() ? QStringList() : QStringList{"ep.mp3"});
        if (!expected.isEmpty())
            QVERIFY(readFile(out + "/ep.mp3") == versions[expected]);
        QCOMPARE(History::sources(recorded).size(), expected.isEmpty() ? 0 : 1);
        QCOMPARE(entries(env->temp()), QStringList());
        // Every resume named the version it began with.
        for (const HttpServer::Request &request : server->requests())
            if (request.headers.contains("range"))
                QCOMPARE(request.headers.value("if-range"), "\"a\"");
    }

    // What the archive or Commons lists for a file is what must arrive: a file that differs is fetched
    // once more from the start, then given up with nothing saved.
    void publishersLists_data()
    {
        // clang-format off
        QTest::addColumn<bool>("archive");
        QTest::addColumn<QString>("listed"); // JSON members beside the file's address
        QTest::addColumn<QString>("error");  // empty: saved
        const QByteArray &a = versions["A"];
        const QString md5 = QCryptographicHash::hash(a, QCryptographicHash::Md5).toHex();
        const QString sha1 = QCryptographicHash::hash(a, QCryptographicHash::Sha1).toHex();
        const QString size = QString::number(a.size());
        const QString archiveSays = "Fetch failed. The file did not match what the Internet Archive lists for it.";
        const QString commonsSays = "Fetch failed. The file did not match what Wikimedia Commons lists for it.";
        QTest::newRow("archive, all match") << true << "'md5':'" + md5 + "','sha1':'" + sha1 + "','size':'" + size + "'" << "";
        QTest::newRow("archive, md5 differs") << true << "'md5':'" + QString(32, u'0') + "','size':'" + size + "'" << archiveSays;
        QTest::newRow("archive, size differs") << true << "'size':'" + QString::number(a.size() + 1) + "'" << archiveSays;
        QTest::newRow("commons, all match") << false << "'sha1':'" + sha1.toUpper() + "','size':" + size << "";
        QTest::newRow("commons, sha1 differs") << false << "'sha1':'" + QString(40, u'f') + "'" << commonsSays;
        // clang-format on
    }
    void publishersLists()
    {
        QFETCH(bool, archive);
        QFETCH(QString, listed);
        QFETCH(QString, error);
        QString answer = archive ? "{'files':[{'name':'ep.mp3'," + listed + "}]}"
                                 : "{'query':{'pages':{'1':{'imageinfo':[{'url':'" + server->base()
                + "/download/ident/ep.mp3'," + listed + "}]}}}}";
        server->serve(archive ? "/metadata/ident" : "/w/api.php", answer.replace(u'\'', u'"').toUtf8());
        server->serve("/download/ident/ep.mp3", versions["A"]);
        qputenv(archive ? "TOVEL_ARCHIVE_BASE" : "TOVEL_COMMONS_BASE", server->base().toUtf8());
        JobRunner runner({.destination = out, .timings = {.retryWaits = {0, 0, 0}}});
        start(runner, archive ? "https://archive.org/details/ident" : "https://commons.wikimedia.org/wiki/File:ep.mp3");
        qunsetenv("TOVEL_ARCHIVE_BASE");
        qunsetenv("TOVEL_COMMONS_BASE");
        QVERIFY(settle(runner));
        QCOMPARE(runner.jobs().first()->phaseLabel().startsWith("Fetch failed."), !error.isEmpty());
        if (!error.isEmpty())
            QCOMPARE(runner.jobs().first()->phaseLabel(), error);
        QCOMPARE(entries(out), error.isEmpty() ? QStringList{"ep.mp3"} : QStringList());
        const QList<HttpServer::Request> requests = server->requests();
        const auto fetches = std::count_if(requests.begin(), requests.end(), [](const auto &request) {
            return request.target == "/download/ident/ep.mp3";
        });
        QCOMPARE(fetches, error.isEmpty() ? 1 : 2);
        QCOMPARE(entries(env->temp()), QStringList());
    }

    // The episodes of a show share its picture: it is fetched once, and one that cannot be used is left
    // out rather than failing them.
    void aSharedCoverFetchedOnceAndDroppedWhenUnusable()
    {
        QString feed = "<rss xmlns:itunes=\"http://www.itunes.com/dtds/podcast-1.0.dtd\"><channel><title>Show</title>"
                       "<itunes:image href=\""
            + server->base() + "/cover.jpg\"/>";
        for (const QString name : {"One", "Two", "Three"}) {
            feed += "<item><title>" + name + "</title><enclosure type=\"audio/wav\" url=\"" + server->base() + "/"
                + name + ".wav\"/></item>";
            server->serve("/" + name.toUtf8() + ".wav", tone);
        }
        server->serve("/feed.xml", (feed + "</channel></rss>").toUtf8());
        server->serve("/cover.jpg", QByteArray("\xFF\xD8\xFF\xE0 not really a picture"));
        JobRunner runner(out);
        start(runner, server->base() + "/feed.xml");
        QVERIFY(settle(runner));
        for (const Job *job : runner.jobs())
            QCOMPARE(job->phaseLabel(), "Saved to Downloads");
        QCOMPARE(entries(out), QStringList({"One.mp3", "Three.mp3", "Two.mp3"}));
        const QList<HttpServer::Request> requests = server->requests();
        QCOMPARE(
            std::count_if(requests.begin(), requests.end(), [](const auto &r) { return r.target == "/cover.jpg"; }), 1);
        QCOMPARE(entries(env->temp()), QStringList());
    }

    void retries_data()
    {
        // clang-format off
        QTest::addColumn<QList<HttpServer::Response>>("turns");
        QTest::addColumn<QString>("phase");
        QTest::addColumn<QStringList>("ranges"); // the Range header of each request
        HttpServer::Response cut, whole, ranged, busy, gone;
        cut.ranges = true;
        whole.body = ranged.body = cut.body = tone;
        cut.dropAfter = tone.size() / 2;
        ranged.ranges = true;
        busy.status = 503;
        busy.headers = {{"Retry-After", "0"}};
        gone.status = 404;
        const QString rest = "bytes=" + QString::number(tone.size() / 2) + "-";
        cut.etag = ranged.etag = "\"t\"";
        QTest::newRow("cut, then resumed") << QList{cut, ranged} << "done" << QStringList{"", rest};
        QTest::newRow("503, then served") << QList{busy, whole} << "done" << QStringList{"", ""};
        QTest::newRow("404 is not tried again") << QList{gone} << "failed" << QStringList{""};
        QTest::newRow("four tries at most") << QList{busy} << "failed" << QStringList{"", "", "", ""};
        // clang-format on
    }
    void retries()
    {
        QFETCH(QList<HttpServer::Response>, turns);
        QFETCH(QString, phase);
        QFETCH(QStringList, ranges);
        server->routeInTurn("/ep.wav", turns);
        JobRunner runner(out);
        QStringList phases;
        connect(&runner, &JobRunner::jobAdded, this,
                [&](Job *job) { connect(job, &Job::phaseChanged, this, [&, job] { phases << job->phaseName(); }); });
        start(runner, server->base() + "/ep.wav");
        QVERIFY(settle(runner));
        QCOMPARE(runner.jobs().first()->phaseName(), phase);
        QStringList sent;
        for (const HttpServer::Request &request : server->requests())
            sent << QString::fromLatin1(request.headers.value("range"));
        // The network layer may resend a request cut short once on its own, before our next try.
        QVERIFY2(sent.size() >= ranges.size() && sent.size() <= ranges.size() + 1, qPrintable(sent.join(" | ")));
        QCOMPARE(QStringList({sent.first(), sent.last()}), QStringList({ranges.first(), ranges.last()}));
        QCOMPARE(phases.count("retrying"), ranges.size() - 1);
        if (phase == "done")
            QVERIFY(qAbs(probe(out + "/ep.mp3").value_or(Probe()).duration - 0.5) < 0.1);
        QCOMPARE(entries(env->temp()), QStringList());
    }

    // Cancel works while a job waits to try again.
    void cancelWhileWaitingToRetry()
    {
        HttpServer::Response busy;
        busy.status = 503;
        busy.headers = {{"Retry-After", "60"}};
        server->route("/ep.wav", busy);
        JobRunner runner(out);
        start(runner, server->base() + "/ep.wav");
        Job *job = runner.jobs().first();
        QTRY_COMPARE(job->phaseName(), "retrying");
        runner.cancel(job);
        QVERIFY(QTest::qWaitFor([&runner] { return runner.activeTasks() == 0; }, 10'000));
        QCOMPARE(job->phaseName(), "cancelled");
        QCOMPARE(server->requests().size(), 1);
    }

    void sixDownloadsPerHostAndCancel()
    {
        // Each answer is held back long enough for the line to be seen whole; the first one drips for minutes.
        HttpServer::Response slow, endless;
        slow.body = tone;
        slow.delayMs = 1500;
        endless.generatedSize = qint64(1) << 30;
        endless.chunkSize = 64 * 1024;
        endless.chunkDelayMs = 20;
        server->route("/ep1.wav", endless);
        for (int i = 2; i <= 9; ++i)
            server->route(QStringLiteral("/ep%1.wav").arg(i).toUtf8(), slow);
        HttpServer other;
        other.route("/other.wav", slow);

        JobRunner runner(out);
        for (int i = 1; i <= 9; ++i)
            start(runner, server->base() + QStringLiteral("/ep%1.wav").arg(i));
        // Another host does not wait behind the first one's line ("localhost" is a host of its own).
        start(runner, other.base().replace("127.0.0.1", "localhost") + "/other.wav");
        const Job *otherJob = runner.jobs().first();
        Job *ninth = runner.jobs().at(1), *first = runner.jobs().last();
        const auto inPhase = [&runner](const QString &phase) {
            const QList<Job *> &jobs = runner.jobs();
            return std::count_if(jobs.begin(), jobs.end(), [&phase](auto *job) { return job->phaseName() == phase; });
        };
        // The network layer holds back a seventh request on its own; the jobs in line show the limit is ours.
        QTRY_COMPARE_WITH_TIMEOUT(server->openRequests(), 6, 60'000);
        QCOMPARE(inPhase("waiting"), 3);
        QCOMPARE(ninth->phaseName(), "waiting");
        QTRY_COMPARE_WITH_TIMEOUT(other.requests().size(), 1, 60'000);
        QVERIFY(otherJob->phaseName() != "waiting");
        // A job cancelled while in line never sends its request.
        runner.cancel(ninth);
        QTRY_COMPARE_WITH_TIMEOUT(inPhase("done"), 8, 60'000);
        QCOMPARE(QList<qsizetype>({server->mostConcurrent(), server->requests().size()}), QList<qsizetype>({6, 8}));
        // The one still downloading is cancelled: it leaves no part behind.
        QVERIFY(first->progress() > 0);
        runner.cancel(first);
        QVERIFY(settle(runner));
        QCOMPARE(first->phaseName(), "cancelled");
        QVERIFY(first->progress() < 0.7);
        QCOMPARE(entries(out).size(), 8);
        QCOMPARE(entries(env->temp()), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestRemoteJobs)
#include "tst_remote_jobs.moc"

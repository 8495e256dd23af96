#include "core/fetcher.h"
#include "core/job_runner.h"
#include "engine/manifest.h"
#include "engine/tools.h"
#include "support/http_server.h"
#include "support/test_env.h"

#include <QCoroTask>
#include <QtTest>

using namespace tovel;
using namespace tovel::test;

namespace {
constexpr int timeout = 60'000;

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

// Downloads through the job runner: direct links, the per-host line, cancel, failures and time-outs.
class TestRemoteJobs : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<HttpServer> server;
    QString out;
    QByteArray tone;

    void run(JobRunner &runner, const QString &input, AudioFormat format = AudioFormat::mp3)
    {
        QCoro::waitFor(runner.run(input, format, AudioQuality::best, 100));
    }
    static bool allEnded(const JobRunner &runner) { return runner.activeTasks() == 0; }

private slots:
    void initTestCase()
    {
        TestEnv scratch;
        const QString path = scratch.temp() + QStringLiteral("/tone.wav");
        QVERIFY(makeTone(path, 0.5));
        tone = readAll(path);
    }
    void init()
    {
        env = std::make_unique<TestEnv>();
        server = std::make_unique<HttpServer>();
        out = env->folder(QStringLiteral("out"));
    }
    void cleanup()
    {
        QTRY_COMPARE_WITH_TIMEOUT(JobRunner::liveTasks(), 0, timeout);
        network().setTransferTimeout(60'000);
        server.reset();
        env.reset();
    }

    void directLinkEndToEnd_data()
    {
        QTest::addColumn<bool>("sendLength");
        QTest::newRow("with a length") << true;
        QTest::newRow("without a length") << false;
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
            connect(job, &Job::progressChanged, this, [&, job] { progress << job->progress(); });
            connect(job, &Job::phaseChanged, this, [&, job] { phases << job->phaseName(); });
        });
        run(runner, server->base() + QStringLiteral("/media/Episode%20Twelve.wav?x=1"));
        QCOMPARE(runner.jobs().size(), 1);
        Job *job = runner.jobs().first();
        QCOMPARE(job->title(), QStringLiteral("Episode Twelve"));
        QCOMPARE(job->origin(), QStringLiteral("127.0.0.1"));
        QTRY_VERIFY_WITH_TIMEOUT(allEnded(runner), timeout);

        QCOMPARE(job->phaseName(), QStringLiteral("done"));
        QCOMPARE(phases, QStringList({"fetching", "converting", "done"}));
        QCOMPARE(probe(out + QStringLiteral("/Episode Twelve.mp3"))->codec, QStringLiteral("mp3"));
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
        QCOMPARE(server->requests().first().headers.value("user-agent"),
                 ManifestStore::shared().manifest().userAgent.toUtf8());
        QCOMPARE(entries(env->temp()), QStringList());
    }

    void errorPageFailsAtConversion()
    {
        HttpServer::Response response;
        response.status = 404;
        response.body = "<html>gone</html>";
        server->route("/gone.mp3", response);
        JobRunner runner(out);
        run(runner, server->base() + QStringLiteral("/gone.mp3"));
        QTRY_VERIFY_WITH_TIMEOUT(allEnded(runner), timeout);
        QVERIFY(runner.jobs().first()->phaseLabel().startsWith(QStringLiteral("Conversion failed. ")));
        QCOMPARE(entries(out), QStringList());
        QCOMPARE(entries(env->temp()), QStringList());
    }

    void transportFailures()
    {
        HttpServer::Response stall;
        stall.stall = true;
        server->route("/stall.mp3", stall);
        network().setTransferTimeout(300);
        JobRunner runner(out);
        run(runner, server->base() + QStringLiteral("/stall.mp3"));
        run(runner, QStringLiteral("http://127.0.0.1:1/closed.mp3"));
        QTRY_VERIFY_WITH_TIMEOUT(allEnded(runner), timeout);
        for (Job *job : runner.jobs()) {
            QVERIFY2(job->phaseLabel().startsWith(QStringLiteral("Fetch failed. ")), qPrintable(job->phaseLabel()));
            QCOMPARE(job->progress(), 0.0);
        }
        QCOMPARE(entries(env->temp()), QStringList());
    }

    void cancelWhileDownloading()
    {
        HttpServer::Response slow;
        slow.generatedSize = 64 * 1024 * 1024;
        slow.chunkSize = 64 * 1024;
        slow.chunkDelayMs = 20;
        server->route("/big.mp3", slow);
        JobRunner runner(out);
        run(runner, server->base() + QStringLiteral("/big.mp3"));
        Job *job = runner.jobs().first();
        QTRY_VERIFY_WITH_TIMEOUT(job->progress() > 0, timeout);
        runner.cancel(job);
        QTRY_VERIFY_WITH_TIMEOUT(allEnded(runner), timeout);
        QCOMPARE(job->phaseName(), QStringLiteral("cancelled"));
        QVERIFY(job->progress() < 0.7);
        QCOMPARE(entries(out), QStringList());
        QCOMPARE(entries(env->temp()), QStringList());
    }

    void sixDownloadsPerHost()
    {
        // Each answer is held back long enough for the line to be seen whole.
        HttpServer::Response slow;
        slow.body = tone;
        slow.delayMs = 1500;
        for (int i = 1; i <= 9; ++i)
            server->route(QStringLiteral("/ep%1.wav").arg(i).toUtf8(), slow);
        HttpServer other;
        other.route("/other.wav", slow);

        JobRunner runner(out);
        for (int i = 1; i <= 9; ++i)
            run(runner, server->base() + QStringLiteral("/ep%1.wav").arg(i));
        // Another host does not wait behind the first one's line ("localhost" is a host of its own).
        run(runner, other.base().replace(QStringLiteral("127.0.0.1"), QStringLiteral("localhost")) + QStringLiteral("/other.wav"));
        Job *otherJob = runner.jobs().first();
        Job *ninth = runner.jobs().at(1);
        QTRY_COMPARE_WITH_TIMEOUT(server->openRequests(), 6, timeout);
        QCOMPARE(ninth->phaseName(), QStringLiteral("waiting"));
        QTRY_COMPARE_WITH_TIMEOUT(other.requests().size(), 1, timeout);
        QVERIFY(otherJob->phaseName() != QStringLiteral("waiting"));
        // A job cancelled while in line never sends its request.
        runner.cancel(ninth);
        QTRY_VERIFY_WITH_TIMEOUT(allEnded(runner), timeout);
        QCOMPARE(server->mostConcurrent(), 6);
        QCOMPARE(server->requests().size(), 8);
        QCOMPARE(entries(out).size(), 9);
    }
};

QTEST_GUILESS_MAIN(TestRemoteJobs)
#include "tst_remote_jobs.moc"

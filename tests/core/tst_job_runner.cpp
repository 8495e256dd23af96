#include "core/job_runner.h"
#include "engine/tools.h"
#include "support/test_env.h"

#include <QCoroTask>
#include <QDir>
#include <QtTest>

using namespace tovel;
using namespace tovel::test;

namespace {

constexpr int timeout = 60'000;

// A stand-in ffmpeg that logs when it starts and ends, takes `seconds`, then copies its input to its output.
QString standInBody(const QString &log, const QString &seconds)
{
    return QStringLiteral("#!/bin/sh\n"
                          "for a in \"$@\"; do out=\"$a\"; done\n"
                          "echo \"start $3\" >> '%1'\n"
                          "sleep %2\n"
                          "cp \"$3\" \"$out\"\n"
                          "echo \"end $3\" >> '%1'\n")
        .arg(log, seconds);
}

QStringList readLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

// Every phase and progress a job shows, in order.
struct Recorder
{
    QStringList steps;
    void watch(Job *job)
    {
        steps << QStringLiteral("%1 %2").arg(job->phaseName()).arg(job->progress());
        QObject::connect(job, &Job::changed, job, [this, job] {
            const QString step = QStringLiteral("%1 %2").arg(job->phaseName()).arg(job->progress());
            if (steps.last() != step)
                steps << step;
        });
    }
};

} // namespace

class TestJobRunner : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    QString in;
    QString out;

    void run(JobRunner &runner, const QString &input, AudioFormat format = AudioFormat::mp3, int limit = 100)
    {
        QCoro::waitFor(runner.run(input, format, AudioQuality::best, limit));
    }
    static bool allEnded(const JobRunner &runner) { return runner.activeTasks() == 0; }
    QString useStandIn(const QString &seconds)
    {
        const QString script = env->root() + QStringLiteral("/ffmpeg");
        const QString log = env->root() + QStringLiteral("/ffmpeg.log");
        writeScript(script, standInBody(log, seconds));
        Tools::overrideFFmpegPath(script);
        return log;
    }

private slots:
    void init()
    {
        env = std::make_unique<TestEnv>();
        in = env->folder(QStringLiteral("in"));
        out = env->folder(QStringLiteral("out"));
    }
    void cleanup()
    {
        QTRY_COMPARE_WITH_TIMEOUT(JobRunner::liveTasks(), 0, timeout);
        Tools::clearFFmpegOverride();
        env.reset();
    }

    void localFileEndToEnd()
    {
        const QString source = in + QStringLiteral("/Tone.wav");
        QVERIFY(makeTone(source));
        const QFileInfo before(source);
        const QByteArray bytes = [&] { QFile f(source); f.open(QIODevice::ReadOnly); return f.readAll(); }();

        JobRunner runner(out);
        Recorder recorder;
        connect(&runner, &JobRunner::jobAdded, this, [&](Job *job) { recorder.watch(job); });
        run(runner, QStringLiteral("file://") + QString::fromUtf8(QUrl::toPercentEncoding(source, "/")), AudioFormat::flac);
        QCOMPARE(runner.jobs().size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(allEnded(runner), timeout);

        Job *job = runner.jobs().first();
        QCOMPARE(recorder.steps, QStringList({"waiting 0", "waiting 0.75", "converting 0.75", "converting 1", "done 1"}));
        QCOMPARE(job->output().toLocalFile(), out + QStringLiteral("/Tone.flac"));
        QCOMPARE(probe(out + QStringLiteral("/Tone.flac"))->codec, QStringLiteral("flac"));
        // The original is untouched and nothing of ours is left in the temporary folder.
        QFile original(source);
        QVERIFY(original.open(QIODevice::ReadOnly));
        QCOMPARE(original.readAll(), bytes);
        QCOMPARE(QFileInfo(source).lastModified(), before.lastModified());
        QCOMPARE(entries(env->temp()), QStringList());
    }

    void sameTitlesNeverCollide()
    {
        // Two files with one title, converted at the same time, next to a file of the user's.
        QVERIFY(makeTone(in + QStringLiteral("/Show.wav")));
        QVERIFY(makeTone(in + QStringLiteral("/Show.flac"), 0.3, {QStringLiteral("-c:a"), QStringLiteral("flac")}));
        writeFile(out + QStringLiteral("/Show.mp3"), "the user's own file");
        JobRunner runner(out);
        run(runner, in);
        QTRY_VERIFY_WITH_TIMEOUT(allEnded(runner), timeout);
        QCOMPARE(entries(out), QStringList({"Show 2.mp3", "Show 3.mp3", "Show.mp3"}));
        QFile mine(out + QStringLiteral("/Show.mp3"));
        QVERIFY(mine.open(QIODevice::ReadOnly));
        QCOMPARE(mine.readAll(), QByteArray("the user's own file"));
        for (Job *job : runner.jobs())
            QCOMPARE(job->phaseName(), QStringLiteral("done"));
    }

    void conversionsWaitInLine()
    {
        const QString log = useStandIn(QStringLiteral("0.2"));
        for (int i = 1; i <= 9; ++i)
            writeFile(in + QStringLiteral("/%1.wav").arg(i), "x");
        JobRunner runner(out);
        run(runner, in);
        // Every job exists at once.
        QCOMPARE(runner.jobs().size(), 9);
        QTRY_VERIFY_WITH_TIMEOUT(allEnded(runner), timeout);

        int running = 0;
        int most = 0;
        QStringList starts;
        for (const QString &line : readLines(log)) {
            running += line.startsWith(QLatin1String("start")) ? 1 : -1;
            most = std::max(most, running);
            if (line.startsWith(QLatin1String("start")))
                starts << QFileInfo(line.mid(6)).fileName().section(u'-', 5);
        }
        const int capacity = JobRunner::conversionSlots().capacity();
        QCOMPARE(most, capacity);
        // Served in the order the jobs were created: slots are granted in order, though jobs granted
        // together may start ffmpeg in either order.
        QCOMPARE(starts.size(), 9);
        for (int i = 0; i < starts.size(); ++i)
            QVERIFY2(qAbs(starts.at(i).section(u'.', 0, 0).toInt() - (i + 1)) < capacity, qPrintable(starts.join(u' ')));
        QCOMPARE(entries(out).size(), 9);
        QCOMPARE(entries(env->temp()), QStringList());
    }

    void cancelDuringConversionAndInLine()
    {
        const QString log = useStandIn(QStringLiteral("30"));
        const int capacity = JobRunner::conversionSlots().capacity();
        for (int i = 1; i <= capacity + 1; ++i)
            writeFile(in + QStringLiteral("/%1.wav").arg(i), "x");
        JobRunner runner(out);
        run(runner, in);
        QTRY_COMPARE_WITH_TIMEOUT(readLines(log).size(), capacity, timeout);

        Job *converting = runner.jobs().last(); // the first item
        Job *queued = runner.jobs().first();    // the last item, still in line
        QCOMPARE(converting->phaseName(), QStringLiteral("converting"));
        QCOMPARE(queued->phaseName(), QStringLiteral("waiting"));
        QCOMPARE(queued->statusWord(), QStringLiteral("Queued"));

        runner.cancel(queued);
        runner.cancel(converting);
        QCOMPARE(converting->phaseName(), QStringLiteral("cancelled"));
        // The queued job never starts, even when a slot frees up.
        QTRY_VERIFY_WITH_TIMEOUT(runner.activeTasks() == capacity - 1, timeout);
        runner.cancelAll();
        QTRY_VERIFY_WITH_TIMEOUT(allEnded(runner), timeout);
        QCOMPARE(readLines(log).size(), capacity);
        for (Job *job : runner.jobs()) {
            QCOMPARE(job->phaseName(), QStringLiteral("cancelled"));
            QVERIFY(job->output().isEmpty());
        }
        QCOMPARE(entries(out), QStringList());
        QCOMPARE(entries(env->temp()), QStringList());
    }

    void failures()
    {
        writeFile(in + QStringLiteral("/garbage.mp3"), "not audio at all");
        QVERIFY(QFile::link(in + QStringLiteral("/gone.wav"), in + QStringLiteral("/dangling.wav")));
        JobRunner runner(out);
        run(runner, in + QStringLiteral("/garbage.mp3"));
        run(runner, in + QStringLiteral("/dangling.wav"));
        QTRY_VERIFY_WITH_TIMEOUT(allEnded(runner), timeout);
        const Job *dangling = runner.jobs().at(0);
        const Job *garbage = runner.jobs().at(1);
        QVERIFY(garbage->phase().label().startsWith(
            QStringLiteral("Conversion failed. Nothing here can read that. ffmpeg exited with code ")));
        QCOMPARE(garbage->progress(), 0.75);
        QVERIFY(dangling->phase().label().startsWith(QStringLiteral("Could not read that file. ")));
        QCOMPARE(dangling->progress(), 0.0);
        QCOMPARE(entries(out), QStringList());
        QCOMPARE(entries(env->temp()), QStringList());
    }

    void requestErrors()
    {
        writeFile(in + QStringLiteral("/a.wav"), "x");
        Tools::overrideFFmpegPath(std::nullopt);
        JobRunner runner(out);
        run(runner, in);
        QCOMPARE(runner.lastErrorText(), QStringLiteral("ffmpeg is not installed. Tovel needs it to convert audio."));
        QVERIFY(runner.jobs().isEmpty());

        Tools::clearFFmpegOverride();
        run(runner, QStringLiteral("ftp://host.test/a.mp3"));
        QCOMPARE(runner.lastErrorText(),
                 QStringLiteral("Nothing here can read that. Give a feed, a media link, an archive.org item, or a file path."));
        QVERIFY(runner.jobs().isEmpty());
    }

    void limitTakesTheFirstItems()
    {
        useStandIn(QStringLiteral("0"));
        for (int i = 1; i <= 150; ++i)
            writeFile(in + QStringLiteral("/item %1.mp3").arg(i), "x");
        JobRunner runner(out);
        run(runner, in);
        QCOMPARE(runner.jobs().size(), 100);
        QCOMPARE(runner.jobs().first()->title(), QStringLiteral("item 100"));
        QCOMPARE(runner.jobs().last()->title(), QStringLiteral("item 1"));
        QTRY_VERIFY_WITH_TIMEOUT(allEnded(runner), timeout);
        QCOMPARE(entries(out).size(), 100);
    }

    void discardedRunnerWindsDown()
    {
        const QString log = useStandIn(QStringLiteral("30"));
        for (int i = 1; i <= 6; ++i)
            writeFile(in + QStringLiteral("/%1.wav").arg(i), QByteArray(1 << 20, 'x'));
        auto runner = std::make_unique<JobRunner>(out);
        run(*runner, in);
        QTRY_VERIFY_WITH_TIMEOUT(!readLines(log).isEmpty(), timeout);
        runner.reset();
        // Every task ends on its own: ffmpeg ended, temporary copies and reservations removed.
        QTRY_COMPARE_WITH_TIMEOUT(JobRunner::liveTasks(), 0, timeout);
        QCOMPARE(JobRunner::conversionSlots().inUse(), 0);
        QCOMPARE(entries(out), QStringList());
        QCOMPARE(entries(env->temp()), QStringList());
        QCOMPARE(entries(in).size(), 6);
    }
};

QTEST_GUILESS_MAIN(TestJobRunner)
#include "tst_job_runner.moc"

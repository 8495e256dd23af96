#include "engine/tools.h"
#include "support/jobs.h"
#include "support/test_env.h"

#include <QtTest>

#include <sys/stat.h>

#include <numeric>

using namespace tovel;
using namespace tovel::test;

class TestJobRunner : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    QString in;
    QString out;

    // The items ("<n>.wav", read where they are) the stand-in has started on, in order.
    static QList<int> started(const QString &log)
    {
        QList<int> items;
        for (const QString &line : QString::fromUtf8(readFile(log)).split(u'\n', Qt::SkipEmptyParts))
            items << QFileInfo(line).fileName().section(u'.', 0, 0).toInt();
        return items;
    }

private slots:
    void init()
    {
        env = std::make_unique<TestEnv>();
        in = env->folder("in");
        out = env->folder("out");
    }
    void cleanup()
    {
        QTRY_COMPARE_WITH_TIMEOUT(JobRunner::liveTasks(), 0, 60'000);
        qunsetenv("TOVEL_FFMPEG");
        env.reset();
    }

    // Inputs that never end or never open fail at once, leaving nothing; a name at the length limit still converts.
    void oddLocalInputs_data()
    {
        // clang-format off
        QTest::addColumn<QString>("name"); // inside the input folder, or an absolute path
        QTest::addColumn<QString>("label");
        const QString notAFile = "Could not read that file. It is not a regular file.";
        QTest::newRow("pipe") << "pipe.mp3" << notAFile;
        QTest::newRow("device") << "/dev/zero" << notAFile;
        QTest::newRow("dangling link") << "dangling.wav" << "Could not read that file. ";
        QTest::newRow("long name") << QString(240, u'n') + ".wav" << "Saved " + QString(240, u'n') + ".mp3";
        // clang-format on
    }
    void oddLocalInputs()
    {
        QFETCH(QString, name);
        QFETCH(QString, label);
        const QString path = name.startsWith('/') ? name : in + '/' + name;
        if (name == "dangling.wav")
            QVERIFY(QFile::link(in + "/gone.wav", path));
        else if (name.endsWith(".wav"))
            QVERIFY(makeTone(path));
        else if (!name.startsWith('/'))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        JobRunner runner(out);
        const QString got = gather(runner, path);
        QVERIFY2(got.startsWith(label), qPrintable(got));
        QCOMPARE(entries(out).size() + entries(env->temp()).size(), label.startsWith("Saved") ? 1 : 0);
    }

    // A long conversion moves the card past 0.75 as ffmpeg reports, never backwards.
    void conversionShowsProgress()
    {
        QVERIFY(makeTone(in + "/Long.wav", 240.0));
        JobRunner runner(out);
        QList<double> seen;
        connect(&runner, &JobRunner::jobAdded, this, [&seen](Job *job) {
            connect(job, &Job::progressChanged, job, [&seen, job] { seen << job->progress(); });
        });
        QCOMPARE(gather(runner, in + "/Long.wav"), "Saved Long.mp3");
        QVERIFY2(std::any_of(seen.begin(), seen.end(), [](double p) { return p > 0.75 && p < 1.0; }),
                 qPrintable(QString::number(seen.size())));
        QVERIFY(std::is_sorted(seen.begin(), seen.end()));
        QCOMPARE(seen.last(), 1.0);
    }

    void lineCancelAndDiscard()
    {
        // Conversions beyond the slots wait in line, served in the order their jobs were created (the
        // first slots go to whichever input was described first). A job cancelled in line never starts;
        // the slot a cancelled conversion frees goes to the next one wanted.
        // A stand-in ffmpeg that logs "start <input>" and then runs until it is ended.
        const QString log = env->root() + "/ffmpeg.log";
        QVERIFY(writeSlowFFmpeg(env->root() + "/ffmpeg", log));
        qputenv("TOVEL_FFMPEG", QFile::encodeName(env->root() + "/ffmpeg"));
        const int capacity = 3;
        auto lines = std::make_shared<GatherLines>(capacity);
        for (int i = 1; i <= capacity + 3; ++i)
            writeFile(in + QStringLiteral("/%1.wav").arg(i), "x");
        auto runner = std::make_unique<JobRunner>(JobRunner::Setup{.destination = out, .lines = lines});
        start(*runner, in);
        QCOMPARE(runner->jobs().size(), capacity + 3); // every job exists at once
        // Jobs are listed newest first: item i is jobs()[size - i].
        const auto item = [&runner](int i) { return runner->jobs().at(runner->jobs().size() - i); };
        const auto queued = [&] {
            QList<int> waiting;
            for (int i = 1; i <= capacity + 3; ++i)
                if (item(i)->statusWord() == QLatin1String("Queued"))
                    waiting << i;
            return waiting;
        };
        QTRY_COMPARE_WITH_TIMEOUT(queued().size(), 3, 60'000);
        QTRY_COMPARE_WITH_TIMEOUT(started(log).size(), capacity, 60'000);
        const QList<int> waiting = queued();
        QList<int> running = started(log);
        std::sort(running.begin(), running.end());

        Job *converting = item(running.first());
        Job *inLine = item(waiting.first()); // the first one in line
        QCOMPARE(converting->phaseName(), "converting");
        runner->cancel(inLine);
        runner->cancel(converting);
        QCOMPARE(converting->phaseName(), "cancelled");
        QTRY_COMPARE_WITH_TIMEOUT(started(log).size(), capacity + 1, 60'000);
        QCOMPARE(started(log).last(), waiting.at(1));

        // A discarded runner's tasks wind down on their own, converting or in line: ffmpeg ended, the line
        // left, temporary copies and reservations removed, the user's files kept.
        runner.reset();
        QTRY_COMPARE_WITH_TIMEOUT(JobRunner::liveTasks(), 0, 60'000);
        QCOMPARE(lines->conversions().inUse(), 0);
        QCOMPARE(started(log).size(), capacity + 1);
        QCOMPARE(entries(out) + entries(env->temp()), QStringList());
        QCOMPARE(entries(in).size(), capacity + 3);
    }

    // An ffmpeg that misbehaves never produces a saved file: whatever it does after reading a good input,
    // the job fails with a sentence and the folder holds nothing of it, under any name.
    void misbehavingFFmpeg_data()
    {
        // clang-format off
        QTest::addColumn<QString>("conversion"); // what the stand-in does instead of converting ($out: its output)
        QTest::addColumn<QString>("label");
        QTest::newRow("exits 0, writes nothing") << "rm -f \"$out\"; exit 0" << "Conversion failed. ffmpeg ended without writing the file.";
        QTest::newRow("exits 0, leaves it empty") << "exit 0" << "Conversion failed. ffmpeg ended without writing the file.";
        QTest::newRow("exits 0, nothing encoded")
            << "echo ID3tags > \"$out\"; echo 'Output file is empty, nothing was encoded' >&2; exit 0"
            << "Conversion failed. Nothing here can read that. ffmpeg found no audio to write.";
        QTest::newRow("destination removed") << "echo out_time_us=300000; rm -rf \"$(dirname \"$out\")\"; exit 0"
                                             << "Conversion failed. ffmpeg ended without writing the file.";
        QTest::newRow("hangs") << "exec sleep 600" << "Conversion failed. ffmpeg made no progress for 3 seconds and was stopped.";
        QTest::newRow("crashes") << "kill -SEGV $$" << "Conversion failed. Nothing here can read that. ffmpeg exited with code 11.";
        QTest::newRow("writes something else")
            << "ffmpeg -v error -y -f lavfi -i sine=d=9 -c:a libmp3lame \"$out\"; echo out_time_us=9000000; exit 0"
            << "Conversion failed. The file ffmpeg wrote is longer than its source.";
        // clang-format on
    }
    void misbehavingFFmpeg()
    {
        QFETCH(QString, conversion);
        QFETCH(QString, label);
        const QString script = env->root() + "/ffmpeg";
        // It cannot describe inputs, and converts as the row says.
        QVERIFY(writeScript(script,
                            "#!/bin/sh\ncase \"$*\" in *-progress*) ;; *) exit 1 ;; esac\n"
                            "for a; do out=$a; done\n"
                                + conversion + "\n"));
        qputenv("TOVEL_FFMPEG", script.toUtf8());
        QVERIFY(makeTone(in + "/Tone.wav", 4.0));
        JobRunner runner({.destination = out, .timings = {.conversionStall = std::chrono::seconds(3)}});
        QCOMPARE(gather(runner, in + "/Tone.wav"), label);
        QCOMPARE(entries(out) + entries(in), QStringList{"Tone.wav"});
    }

    // A local file shorter than its header says is saved, and the user told so.
    void sourceShorterThanItSays_data()
    {
        // clang-format off
        QTest::addColumn<QStringList>("encoding");
        QTest::newRow("M4A, index first") << QStringList{"-c:a", "aac", "-movflags", "+faststart"};
        QTest::newRow("WAV") << QStringList{"-f", "wav"};
        // clang-format on
    }
    void sourceShorterThanItSays()
    {
        QFETCH(QStringList, encoding);
        const QString extension = encoding.contains("wav") ? "wav" : "m4a";
        QVERIFY(makeTone(env->root() + "/whole." + extension, 6.0, encoding));
        const QByteArray whole = readFile(env->root() + "/whole." + extension);
        writeFile(in + "/Half." + extension, whole.left(whole.size() / 2));
        JobRunner runner(out);
        QCOMPARE(gather(runner, in + "/Half." + extension), "Saved Half.mp3");
        const QString warning = runner.jobs().first()->warning();
        QVERIFY2(
            QRegularExpression("^The source holds only [23] s of the 6 s it announces.$").match(warning).hasMatch(),
            qPrintable(warning));
    }

    // A request that cannot start makes no job and says why.
    void withoutFFmpeg()
    {
        qputenv("TOVEL_FFMPEG", "");
        JobRunner runner(out);
        start(runner, in);
        QCOMPARE(runner.lastErrorText(), "ffmpeg is not installed. Tovel needs it to convert audio.");
        QCOMPARE(runner.jobs().size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestJobRunner)
#include "tst_job_runner.moc"

#include "support/test_env.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace tovel::test;

// Even loudness and shorter silences, through the real program and the real ffmpeg, measured afterwards
// by ffmpeg's own ebur128 and silencedetect.
class TestSound : public QObject
{
    Q_OBJECT

    // Makes a file with ffmpeg from a filter graph of generated sound.
    static bool make(const QString &path, const QString &graph, const QStringList &extra = {})
    {
        int status = -1;
        runProgram("ffmpeg",
                   QStringList{"-nostdin", "-v", "error", "-y", "-filter_complex", graph} + extra + QStringList{path},
                   &status);
        return status == 0;
    }

    // What ffmpeg's filters report of a file, with its sample rate and channels.
    static QString measure(const QString &path, const QString &filter)
    {
        QByteArray report;
        runProgram("ffmpeg", {"-nostdin", "-hide_banner", "-nostats", "-i", path, "-af", filter, "-f", "null", "-"},
                   nullptr, {}, 60'000, &report);
        return QString::fromUtf8(report);
    }
    static double number(const QString &text, const QString &pattern)
    {
        const auto match = QRegularExpression(pattern).match(text);
        return match.hasMatch() ? match.captured(1).toDouble() : qQNaN();
    }

    // `tovel get` with --json: the saved job's last line, and the exit status.
    static QJsonObject get(const QStringList &arguments, int *status = nullptr, QByteArray *errors = nullptr)
    {
        const QByteArray out
            = runProgram(TOVEL_BINARY, QStringList{"get", "--json"} + arguments, status, {}, 120'000, errors);
        QJsonObject last;
        for (const QByteArray &line : out.split('\n'))
            if (const QJsonObject object = QJsonDocument::fromJson(line).object();
                object.value("event") == QLatin1String("job"))
                last = object;
        return last;
    }

private slots:
    void evenLoudness_data()
    {
        QTest::addColumn<QString>("graph");
        QTest::addColumn<QStringList>("input");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QStringList>("loudness");
        QTest::addColumn<double>("target");
        // A target the peak ceiling keeps out of reach: the true peak lands at the ceiling instead.
        QTest::addColumn<bool>("limited");
        QTest::newRow("quiet tone, as MP3")
            << "sine=f=440:d=6,volume=0.02,pan=stereo|c0=c0|c1=c0" << QStringList{"-ar", "44100", "quiet.wav"} << "mp3"
            << QStringList{"--loudness"} << -16.0 << false;
        QTest::newRow("loud noise, as FLAC to -23 LUFS")
            << "anoisesrc=d=6:c=pink:a=0.9:seed=7" << QStringList{"-ar", "48000", "loud.wav"} << "flac"
            << QStringList{"--loudness", "-23"} << -23.0 << false;
        QTest::newRow("clipped tone, as M4A")
            << "sine=f=300:d=6,volume=6" << QStringList{"-ar", "32000", "clipped.flac"} << "m4a"
            << QStringList{"--loudness=-16"} << -16.0 << false;
        QTest::newRow("surround tone, as FLAC")
            << "sine=f=440:d=6,volume=0.3,pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0"
            << QStringList{"-ar", "48000", "surround.flac"} << "flac" << QStringList{"--loudness"} << -16.0 << false;
        QTest::newRow("white noise, as WAV to -5 LUFS")
            << "anoisesrc=d=6:c=white:a=0.5:seed=7" << QStringList{"-ar", "44100", "white.wav"} << "wav"
            << QStringList{"--loudness", "-5"} << -5.0 << true;
    }
    // Within 1 LU of the target, no true peak above -1 dBTP, and the input's sample rate and channels.
    void evenLoudness()
    {
        QFETCH(QString, graph);
        QFETCH(QStringList, input);
        QFETCH(QString, format);
        QFETCH(QStringList, loudness);
        QFETCH(double, target);
        QFETCH(bool, limited);
        TestEnv env;
        const QString source = env.folder("in") + u'/' + input.takeLast();
        QVERIFY(make(source, graph, input));
        const QJsonObject job = get(QStringList{source, "--format", format} + loudness);
        QCOMPARE(job.value("phase").toString(), QString("done"));
        QCOMPARE(job.value("sound").toString(), QString("loudness=%1").arg(target));
        const QString output = job.value("output").toString();
        const QString loudnessReport = measure(output, "ebur128=peak=true:framelog=verbose");
        const double integrated = number(loudnessReport, "\\n\\s+I:\\s+(\\S+) LUFS");
        const double peak = number(loudnessReport, "Peak:\\s+(\\S+) dBFS");
        QVERIFY2(limited ? integrated < target - 1 : qAbs(integrated - target) <= 1.0,
                 qPrintable(QString::number(integrated)));
        QVERIFY2(peak <= -1.0 && (!limited || peak >= -2.0), qPrintable(QString::number(peak)));
        const auto streamOf = [](const QString &path) {
            return QRegularExpression("Audio: [^,]+, (\\d+ Hz, [a-z]+)").match(measure(path, "anull")).captured(1);
        };
        QCOMPARE(streamOf(output), streamOf(source));
    }

    // Silences over a second become half a second, with the sound on either side untouched; shorter ones
    // stay. The same file asked for with other options is made again, and with the same ones is saved already.
    void shorterSilences()
    {
        TestEnv env;
        const QString source = env.folder("in") + "/Talk.wav";
        QVERIFY(make(source,
                     "sine=f=440:d=2[a];anullsrc=r=44100:cl=mono:d=3[b];sine=f=660:d=2[c];"
                     "anullsrc=r=44100:cl=mono:d=0.8[d];sine=f=880:d=2[e];[a][b][c][d][e]concat=n=5:v=0:a=1",
                     {"-ar", "44100"}));
        const QStringList wanted{source, "--format", "wav", "--shorter-silences"};
        QCOMPARE(get({source, "--format", "wav"}).value("output").toString(), env.downloads() + "/Talk.wav");
        const QJsonObject job = get(wanted);
        QCOMPARE(job.value("output").toString(), env.downloads() + "/Talk 2.wav");
        QCOMPARE(job.value("timeSaved").toDouble(), 2.5);
        QVERIFY2(job.value("label").toString() == "Saved to Downloads", qPrintable(job.value("label").toString()));

        const QString report = measure(job.value("output").toString(), "silencedetect=n=-50dB:d=0.1");
        QStringList edges;
        for (auto it = QRegularExpression("silence_(?:start|end): ([0-9.]+)").globalMatch(report); it.hasNext();)
            edges << QString::number(it.next().captured(1).toDouble(), 'f', 1);
        QCOMPARE(edges, QStringList({"2.0", "2.5", "4.5", "5.3"}));
        QVERIFY(qAbs(probe(job.value("output").toString()).value_or(Probe()).duration - 7.3) < 0.05);

        QCOMPARE(get(wanted).value("label").toString(), QString("Already saved"));

        // Chapters after a cut silence start earlier by as much as was cut.
        const QString chaptered = env.folder("chaptered") + "/Talk.m4a", metadata = env.root() + "/chapters.txt";
        QVERIFY(writeFile(metadata,
                          ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=5000\ntitle=One\n"
                          "[CHAPTER]\nTIMEBASE=1/1000\nSTART=5000\nEND=7000\ntitle=Two\n"
                          "[CHAPTER]\nTIMEBASE=1/1000\nSTART=7000\nEND=9800\ntitle=Three\n"));
        int made = -1;
        runProgram("ffmpeg",
                   {"-v", "error", "-i", source, "-i", metadata, "-map_chapters", "1", "-c:a", "aac", chaptered},
                   &made);
        QCOMPARE(made, 0);
        const QString cut = get({chaptered, "--format", "mp3", "--shorter-silences"}).value("output").toString();
        const QByteArray starts
            = runProgram("ffprobe", {"-v", "error", "-show_entries", "chapter=start_time", "-of", "csv=p=0", cut});
        QStringList rounded;
        for (const QByteArray &start : starts.trimmed().split('\n'))
            rounded << QString::number(start.toDouble(), 'f', 1);
        QCOMPARE(rounded, QStringList({"0.0", "2.5", "4.5"}));
        int status = 0;
        QByteArray errors;
        get({source, "--loudness", "3"}, &status, &errors);
        QCOMPARE(status, 2);
        QVERIFY2(errors.contains("--loudness takes a target from -40 to -5 LUFS"), errors.constData());
    }
};

QTEST_GUILESS_MAIN(TestSound)
#include "tst_sound.moc"

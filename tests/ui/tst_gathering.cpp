#include "engine/web_engine.h"
#include "pipeline/job_runner.h"
#include "pipeline/selection.h"
#include "support/http_server.h"
#include "support/test_env.h"
#include "ui/choice_list.h"
#include "ui/engine_report.h"
#include "ui/gathering.h"
#include "ui/library_model.h"

#include <QAbstractItemModelTester>
#include <QCoroTask>
#include <QSignalSpy>
#include <QtTest>

using namespace tovel;
using namespace tovel::test;

class TestGathering : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;

    static QStringList rows(const QAbstractItemModel &model, int role)
    {
        QStringList values;
        for (int row = 0; row < model.rowCount(); ++row)
            values << model.data(model.index(row, 0), role).toString();
        return values;
    }

private slots:
    void init() { env = std::make_unique<TestEnv>(); }
    void cleanup()
    {
        QTRY_COMPARE_WITH_TIMEOUT(JobRunner::liveTasks(), 0, 60'000);
        env.reset();
    }

    // What the pane shows before anything runs: the facts row, the enabled Gather, a drop's text.
    void paneFacts()
    {
        Gathering gathering;
        // Quality: a bitrate for mp3 and m4a only; the choice is kept while another format hides it.
        const QList<std::tuple<int, int, QString>> facts{{0, 0, "BEST"},   {0, 1, "320K"},   {1, 2, "192K"},
                                                         {2, 1, "\u2014"}, {4, 3, "\u2014"}, {1, 3, "128K"}};
        for (const auto &[format, quality, fact] : facts)
            QCOMPARE(gathering.qualityFact(format, quality), fact);
        // Gather waits for more than spaces and tabs; a line break alone enables it but gathers nothing.
        QCOMPARE(QList<bool>({gathering.canGather(""), gathering.canGather(" \t "), gathering.canGather(" a ")}),
                 QList<bool>({false, false, true}));
        QVERIFY(!gathering.gather("\n \n", 0, 0));
        QVERIFY(gathering.jobs()->rowCount() == 0 && gathering.lastError().isEmpty());
        // The badge follows the engine: with it off, a page is only a link (the router's table has the rest).
        WebEngine::shared().useForThisRun(false, std::nullopt);
        QCOMPARE(gathering.sourceKind("https://video.test/watch?v=1"), "Link");
        // A drop: the first item's path for a file, the address of a link, else the text.
        const QList<std::tuple<QList<QUrl>, QString, QString>> drops{
            {{QUrl::fromLocalFile("/music/a b.mp3"), QUrl("https://x.test/")}, "", "/music/a b.mp3"},
            {{QUrl("https://x.test/a%20b.mp3")}, "ignored", "https://x.test/a%20b.mp3"},
            {{}, "https://feed.test/rss", "https://feed.test/rss"},
            {{QUrl()}, "text", ""}};
        for (const auto &[urls, text, expected] : drops)
            QCOMPARE(gathering.droppedText(urls, text), expected);
        // Progress as the card shows it: whole percentages, truncated.
        for (const auto &[fraction, percent] :
             QList<std::pair<double, int>>{{0.999, 99}, {0.427, 42}, {0.29, 29}, {0.7 * 0.5, 35}, {1.0, 100}, {0, 0}})
            QCOMPARE(wholePercent(fraction), percent);
        // With HOME unset nothing can be saved: the pane says so from the start, and gathers nothing.
        const QString in = env->folder("in");
        const QStringList home = entries(env->home());
        const bool rootHadDownloads = QFileInfo::exists("/Downloads");
        qunsetenv("HOME");
        Gathering homeless;
        QCOMPARE(homeless.lastError(),
                 "Your home folder is not set, so there is nowhere to save: set HOME to your "
                 "home folder and try again.");
        QVERIFY(!homeless.gather(in, 0, 0));
        QVERIFY(homeless.jobs()->rowCount() == 0);
        QCOMPARE(entries(env->home()), home);
        QCOMPARE(QFileInfo::exists("/Downloads"), rootHadDownloads);
    }

    // The job list grows at the front as the runner adds jobs, and progress never touches the list.
    void jobListFollowsTheRunner()
    {
        const QString in = env->folder("in");
        for (int i = 1; i <= 3; ++i)
            QVERIFY(makeTone(in + QStringLiteral("/Track %1.wav").arg(i)));
        Gathering gathering;
        JobListModel &model = *gathering.jobs();
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QVERIFY(gathering.gather(in, 0, 0));
        QTRY_COMPARE_WITH_TIMEOUT(model.rowCount(), 3, 10'000);
        QTRY_COMPARE_WITH_TIMEOUT(gathering.unfinished(), 0, 30'000);
        const auto card = [&model](int row) {
            return qobject_cast<Job *>(model.data(model.index(row, 0), JobListModel::JobRole).value<QObject *>());
        };
        QStringList cards;
        for (int row = 0; row < 3; ++row)
            cards << card(row)->title() + u' ' + card(row)->phaseName();
        QCOMPARE(cards, QStringList({"Track 3 done", "Track 2 done", "Track 1 done"}));
        QCOMPARE(changed.size() + reset.size(), 0);

        // The same folder again: only the file edited since is converted.
        QVERIFY(setModified(in + "/Track 1.wav", QDateTime::currentDateTime().addSecs(-60)));
        QSignalSpy ended(&gathering, &Gathering::batchEnded);
        QVERIFY(gathering.gather(in, 0, 0));
        QTRY_COMPARE(model.rowCount(), 6);
        QTRY_COMPARE(ended.size(), 1);
        QCOMPARE(ended.first().first().toString(), "1 saved \u00b7 2 already saved");

        // The library says where each file came from, while it is the file saved: one whose modification
        // time has changed since (listed last, as the oldest) may hold other bytes.
        QVERIFY(setModified(env->downloads() + "/Track 1.mp3", QDateTime::currentDateTime().addSecs(-60)));
        LibraryModel library;
        library.reload();
        QTRY_COMPARE(rows(library, LibraryModel::SourceRole), QStringList(3, "Folder \u00b7 in") << "");
    }

    // The Items picker takes the first items of the request: "All" is every one (up to 100).
    // A pasted list and an OPML file: each line its own gathering, its cards saying which line they came
    // from; a line that cannot be read is said by its number, and the others are gathered all the same.
    void gathersEveryLineOfAList()
    {
        HttpServer server;
        const QString folder = env->folder("tones"), episode = env->root() + "/ep.mp3";
        QVERIFY(makeTone(folder + "/a.wav") && makeTone(folder + "/b.wav") && makeTone(episode));
        server.serve("/ep.mp3", readFile(episode));
        server.serve("/feed",
                     QString("<rss><channel><title>Show</title><item><title>Ep</title><enclosure "
                             "type=\"audio/mpeg\" url=\"%1/ep.mp3\"/></item></channel></rss>")
                         .arg(server.base())
                         .toUtf8());
        const QString opml = env->root() + "/shows.opml";
        QVERIFY(writeFile(opml,
                          QString("<?xml version=\"1.0\"?><opml version=\"2.0\"><body><outline text=\"Show\" "
                                  "xmlUrl=\"%1/feed\"/><outline text=\"A\" url=\"%2/a.wav\"/></body></opml>")
                              .arg(server.base(), folder)
                              .toUtf8()));
        const QString pasted = folder + "\n# a note\n\n" + server.base() + "/feed\n/nowhere/c.wav\n";
        Gathering gathering;
        QCOMPARE(gathering.sourceKind(pasted) + gathering.sourceKind(opml), "ListList");
        const auto places = [&gathering](int count) {
            QStringList seen;
            if (!QTest::qWaitFor([&] { return gathering.jobs()->rowCount() == count && gathering.unfinished() == 0; },
                                 30'000))
                return QStringList{"still gathering"};
            for (int row = 0; row < count; ++row) {
                const auto *job = qobject_cast<Job *>(
                    gathering.jobs()->index(row, 0).data(JobListModel::JobRole).value<QObject *>());
                seen << job->place().section(" \u00b7 ", 0, 1) + ' ' + job->statusWord();
            }
            seen.sort();
            return seen;
        };
        QVERIFY(gathering.gather(pasted, 0, 0));
        QCOMPARE(places(3),
                 QStringList({"Line 1 \u00b7 Folder Saved", "Line 1 \u00b7 Folder Saved", "Line 2 \u00b7 Show Saved"}));
        QCOMPARE(gathering.historyNotice(), "Line 3, /nowhere/c.wav: There is no file or folder at /nowhere/c.wav.");
        QVERIFY(gathering.gather(opml, 0, 0));
        QCOMPARE(
            places(5),
            QStringList({"Line 1 \u00b7 Folder Saved", "Line 1 \u00b7 Folder Saved", "Line 1 \u00b7 Show Already saved",
                         "Line 2 \u00b7 Local file Already saved", "Line 2 \u00b7 Show Saved"}));
    }

    // Only the items asked for, by their numbers, their day or a word of their title.
    void picksTheItemsAskedFor_data()
    {
        QTest::addColumn<QStringList>("selection");
        QTest::addColumn<QString>("titles");
        QTest::newRow("numbers") << QStringList{"4, 1-2", "", ""} << "Bonus: Outtakes | Two | One";
        QTest::newRow("since") << QStringList{"", "2026-03-01", ""} << "Bonus: Outtakes | Three";
        QTest::newRow("title") << QStringList{"", "", "BONUS"} << "Bonus: Outtakes";
        QTest::newRow("all three") << QStringList{"1-3", "2026-02-01", "t"} << "Three | Two";
        QTest::newRow("none") << QStringList{"9", "", ""} << "None of the 4 items is one of those asked for.";
    }
    void picksTheItemsAskedFor()
    {
        QFETCH(QStringList, selection);
        QFETCH(QString, titles);
        HttpServer server;
        QString feed = "<rss><channel><title>Show</title>";
        const QList<QPair<QString, QString>> items{{"One", "Thu, 01 Jan 2026"},
                                                   {"Two", "Sun, 01 Feb 2026"},
                                                   {"Three", "Sun, 01 Mar 2026"},
                                                   {"Bonus: Outtakes", ""}};
        for (const auto &[title, day] : items)
            feed += QString("<item><title>%1</title><pubDate>%2 10:00:00 GMT</pubDate><enclosure type=\"audio/mpeg\" "
                            "url=\"%3/%4.mp3\"/></item>")
                        .arg(title, day, server.base(), title.left(3));
        feed += "</channel></rss>";
        server.serve("/feed", feed.replace("<pubDate> 10:00:00 GMT</pubDate>", "").toUtf8());
        JobRunner runner(env->downloads());
        const auto chosen = parseSelection(selection.at(0), selection.at(1), selection.at(2));
        QVERIFY(chosen);
        QCoro::waitFor(
            runner.run(server.base() + "/feed", AudioFormat::mp3, AudioQuality::best, 100, false, {}, 0, *chosen));
        QStringList seen;
        for (const Job *job : runner.jobs())
            seen << job->title();
        QCOMPARE(runner.hasError() ? runner.lastErrorText() : seen.join(" | "), titles);
        runner.cancelAll();
    }

    // The Choose list: newest first, the saved ones marked, and what is checked gathered by its number.
    void choosesFromTheItems()
    {
        HttpServer server;
        const QString episode = env->root() + "/ep.mp3";
        QVERIFY(makeTone(episode));
        QString feed = "<rss><channel><title>Show</title>";
        for (const auto &[title, day] :
             QList<QPair<QString, QString>>{{"Old", "2026-01-01"}, {"Mid", "2026-02-01"}, {"New", "2026-03-01"}}) {
            feed += QString("<item><title>%1</title><pubDate>%2</pubDate><itunes:duration>%4</itunes:duration>"
                            "<enclosure type=\"audio/mpeg\" url=\"%3/%1.mp3\"/></item>")
                        .arg(title, day, server.base(), title == "New" ? "1:02:10" : "95");
            server.serve(("/" + title + ".mp3").toUtf8(), readFile(episode));
        }
        server.serve("/feed", (feed + "</channel></rss>").toUtf8());
        Gathering gathering;
        ChoiceList choices;
        const auto listed = [&choices] {
            QStringList rows;
            if (!QTest::qWaitFor([&] { return !choices.loading(); }, 30'000))
                return QStringList{"still reading"};
            for (int row = 0; row < choices.rowCount(); ++row) {
                const QModelIndex at = choices.index(row);
                rows << at.data(ChoiceList::TitleRole).toString()
                        + (at.data(ChoiceList::SavedRole).toBool() ? " saved" : "")
                        + (at.data(ChoiceList::CheckedRole).toBool() ? " [x]" : " [ ]");
            }
            return rows;
        };
        choices.load(server.base() + "/feed", 0, 0, 0);
        QCOMPARE(listed(), QStringList({"New [x]", "Mid [x]", "Old [x]"}));
        QCOMPARE(QStringList({choices.index(0).data(ChoiceList::DetailRole).toString().section(" \u00b7 ", 1),
                              choices.index(1).data(ChoiceList::DetailRole).toString().section(" \u00b7 ", 1)}),
                 QStringList({"1 h 2 min", "2 min"}));
        choices.checkNewest(1);
        choices.setChecked(2, true);
        QCOMPARE(choices.picked(), "1,3");
        QVERIFY(gathering.gatherPicked(server.base() + "/feed", 0, 0, 0, choices.picked()));
        QTRY_COMPARE_WITH_TIMEOUT(entries(env->downloads()), QStringList({"New.mp3", "Old.mp3"}), 30'000);
        choices.load(server.base() + "/feed", 0, 0, 0);
        QCOMPARE(listed(), QStringList({"New saved [x]", "Mid [x]", "Old saved [x]"}));
        choices.checkAll(false);
        QCOMPARE(choices.checkedCount() + choices.picked().size(), 0);
    }

    void itemsPicker_data()
    {
        // clang-format off
        QTest::addColumn<int>("choice");
        QTest::addColumn<int>("jobs");
        QTest::newRow("All") << 0 << 6;
        QTest::newRow("Newest 1") << 1 << 1;
        QTest::newRow("Newest 5") << 2 << 5;
        // clang-format on
    }
    void itemsPicker()
    {
        QFETCH(int, choice);
        QFETCH(int, jobs);
        const QString in = env->folder("in");
        for (int i = 1; i <= 6; ++i)
            writeFile(in + QStringLiteral("/%1.mp3").arg(i), "not audio");
        Gathering gathering;
        QCOMPARE(gathering.itemCounts().value(choice), QTest::currentDataTag());
        QVERIFY(gathering.gather(in, 0, 0, choice));
        QSignalSpy ended(&gathering, &Gathering::batchEnded);
        QTRY_COMPARE(gathering.jobs()->rowCount(), jobs);
        QTRY_COMPARE_WITH_TIMEOUT(gathering.unfinished(), 0, 30'000);
        // One word for the desktop once the batch has ended: every file here was unreadable.
        QTRY_COMPARE(ended.size(), 1);
        QCOMPARE(ended.first().first().toString(), QStringLiteral("0 saved \u00b7 %1 failed").arg(jobs));
    }

    // The licence is asked for in the background each time a report is made.
    void engineReportAsksForTheLicence()
    {
        EngineReport report;
        QCOMPARE(report.license(), "checking\u2026");
        QTRY_VERIFY_WITH_TIMEOUT(report.license() != "checking\u2026", 10'000);
        QVERIFY(QStringList({"LGPL", "GPL", "unknown", "not found"}).contains(report.license()));
        QVERIFY(report.manifestLine().startsWith("Manifest v0 \u00b7 built-in defaults"));
    }

    // The library: four audio extensions in any case, newest first, undated last, ties by name.
    void libraryListsAudioNewestFirst()
    {
        const QString folder = env->folder("Downloads");
        const QDateTime base = QDateTime::currentDateTime().addDays(-1);
        const QList<std::pair<QString, int>> files{{"a.MP3", 30},  {"b.flac", 10}, {"c.mp4", 50}, {"d.txt", 60},
                                                   {".e.wav", 40}, {"f.m4a", 10},  {"g.ogg", 70}};
        for (const auto &[name, minutes] : files) {
            QVERIFY(writeFile(folder + u'/' + name, "x")
                    && setModified(folder + u'/' + name, base.addSecs(minutes * 60)));
        }
        // A link whose target is gone has no date to read: it is still listed, last.
        QVERIFY(QFile::link(folder + "/gone", folder + "/z.wav"));

        LibraryModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setFolder(folder);
        model.reload();
        QTRY_VERIFY(model.loaded());
        QCOMPARE(rows(model, LibraryModel::NameRole), QStringList({".e", "a", "b", "f", "z"}));
        QCOMPARE(rows(model, LibraryModel::ExtensionRole), QStringList({"WAV", "MP3", "FLAC", "M4A", "WAV"}));

        // A file touched again comes first at the next visit; an empty or missing folder lists nothing.
        QVERIFY(setModified(folder + "/f.m4a", base.addSecs(3600)));
        model.reload();
        QTRY_COMPARE(rows(model, LibraryModel::NameRole).value(0), "f");
        model.setFolder(env->root() + "/missing");
        model.reload();
        QTRY_COMPARE(model.rowCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestGathering)
#include "tst_gathering.moc"

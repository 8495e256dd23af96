#include "build_info.h"
#include "support/test_env.h"
#include "updates/diagnostics.h"

#include <QtTest>

#include <csignal>

using namespace tovel;

class TestDiagnostics : public QObject {
    Q_OBJECT

private slots:
    void crashLeavesOneReport_data();
    void crashLeavesOneReport();
    void writtenReportText();
    void countsAndDeletesReports_data();
    void countsAndDeletesReports();
    void absentFolderCountsNoneAndIsCreated();
};

namespace {

QStringList expectedHeader()
{
    return { QStringLiteral("Tovel %1 (%2) \u2014 %3")
                 .arg(QString::fromUtf8(build::version), QString::fromUtf8(build::buildNumber),
                     QSysInfo::currentCpuArchitecture()),
        QSysInfo::prettyProductName() };
}

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The seconds in a "crash-<seconds>.txt" name, or -1.
qint64 secondsIn(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^crash-(\\d+)\\.txt$"));
    const QRegularExpressionMatch match = pattern.match(name);
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

} // namespace

void TestDiagnostics::crashLeavesOneReport_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<int>("signalNumber");

    const auto row = [](const char *name, const char *mode, const QString &kind, const char *detail, int signal) {
        QTest::newRow(name) << QString(mode) << kind << QString(detail) << signal;
    };
    const auto fatal = [&](const char *name, const char *mode, int signal) {
        row(name, mode, QString("signal %1").arg(signal), "fatal signal", signal);
    };
    row("null pointer write", "segv", "signal 11", "fatal signal", SIGSEGV);
    fatal("stack overflow", "stack", SIGSEGV);
    fatal("abort", "abort", SIGABRT);
    fatal("divide by zero", "fpe", SIGFPE);
    fatal("trap", "trap", SIGTRAP);
    fatal("bus error", "bus", SIGBUS);
    fatal("illegal instruction", "ill", SIGILL);
    // Exceptions must still end by the runtime's abort, and leave no second report from it.
    row("exception", "throw", "exception", "std::runtime_error: disk on fire", SIGABRT);
    row("exception without reason", "throw-empty", "exception", "std::runtime_error: no reason", SIGABRT);
    row("thrown int", "throw-int", "exception", "int: no reason", SIGABRT);
}

void TestDiagnostics::crashLeavesOneReport()
{
    QFETCH(QString, mode);
    QFETCH(QString, kind);
    QFETCH(QString, detail);
    QFETCH(int, signalNumber);
    test::TestEnv env;
    const QString folder = Diagnostics::reportsFolder();

    const qint64 before = QDateTime::currentSecsSinceEpoch();
    QProcess shell;
    shell.start("/bin/sh", { "-c", "\"$0\" \"$1\"; echo $?", CRASH_HELPER, mode });
    QVERIFY(shell.waitForFinished(60'000));
    const qint64 after = QDateTime::currentSecsSinceEpoch();
    // The shell reports a death by signal N as 128 + N.
    QCOMPARE(shell.readAllStandardOutput().trimmed().toInt(), 128 + signalNumber);

    const QStringList names = test::entries(folder);
    QCOMPARE(names.size(), 1);
    const qint64 seconds = secondsIn(names.first());
    QVERIFY2(seconds >= before && seconds <= after, qPrintable(names.first()));

    const QString text = readText(folder + '/' + names.first());
    QVERIFY(!text.endsWith('\n'));
    const QStringList lines = text.split('\n');
    QVERIFY2(lines.size() >= 6, qPrintable(text));
    const QStringList expected = expectedHeader() + QStringList{ "kind: " + kind, "detail: " + detail, QString() };
    QCOMPARE(lines.mid(0, 5), expected);
    QVERIFY2(lines.filter("crash_helper").size() > 0, qPrintable(text));
}

void TestDiagnostics::writtenReportText()
{
    test::TestEnv env;
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    Diagnostics::writeReport("exception", "Größe: 5 × ✓", { "first frame", "second frame" });
    const qint64 after = QDateTime::currentSecsSinceEpoch();

    const QStringList reports = Diagnostics::reports();
    QCOMPARE(reports.size(), 1);
    QCOMPARE(test::entries(Diagnostics::reportsFolder()).size(), 1);
    const qint64 seconds = secondsIn(QFileInfo(reports.first()).fileName());
    QVERIFY(seconds >= before && seconds <= after);
    QCOMPARE(readText(reports.first()),
        expectedHeader().join('\n') + "\nkind: exception\ndetail: Größe: 5 × ✓\n\nfirst frame\nsecond frame");
}

void TestDiagnostics::countsAndDeletesReports_data()
{
    QTest::addColumn<QStringList>("files"); // oldest first
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("two reports and another txt") << QStringList{ "crash-100.txt", "notes.txt", "crash-200.txt" }
                                                 << QStringList{ "crash-200.txt", "notes.txt", "crash-100.txt" };
    QTest::newRow("capital TXT is not a report")
        << QStringList{ "crash-2.TXT", "crash-1.txt" } << QStringList{ "crash-1.txt" };
    QTest::newRow("hidden counts, other endings don't") << QStringList{ ".old.txt", "crash-3.txt.part", "crash-3.txtx",
        "crash-3", ".crash-3-99.tmp" } << QStringList{ ".old.txt" };
    QTest::newRow("empty") << QStringList{} << QStringList{};
}

void TestDiagnostics::countsAndDeletesReports()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, expected);
    test::TestEnv env;
    const QString folder = Diagnostics::reportsFolder();
    // Names and times disagree on purpose: the order comes from the times.
    const QDateTime start = QDateTime::currentDateTimeUtc().addDays(-1);
    for (int i = 0; i < files.size(); ++i) {
        QFile file(folder + '/' + files[i]);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.setFileTime(start.addSecs(60 * i), QFileDevice::FileModificationTime));
    }

    QStringList names;
    for (const QString &path : Diagnostics::reports())
        names << QFileInfo(path).fileName();
    QCOMPARE(names, expected);

    Diagnostics::deleteAll();
    QVERIFY(Diagnostics::reports().isEmpty());
    QStringList kept = files;
    for (const QString &name : expected)
        kept.removeOne(name);
    kept.sort();
    QCOMPARE(test::entries(folder), kept);
}

void TestDiagnostics::absentFolderCountsNoneAndIsCreated()
{
    test::TestEnv env;
    const QString folder = env.home() + "/.local/share/Tovel/Diagnostics";
    QVERIFY(!QFileInfo::exists(folder));
    QVERIFY(Diagnostics::reports().isEmpty());
    QVERIFY(QFileInfo(folder).isDir());
}

QTEST_GUILESS_MAIN(TestDiagnostics)
#include "tst_diagnostics.moc"

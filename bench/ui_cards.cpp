// The window under load: gathers a folder of 100 short files in the real window (off screen) and
// records how long each frame takes and how late the GUI event loop answers a 10 ms timer while the
// jobs run, and how soon after launch the window shows its first frame.
//
//   ui_cards [FILES]        (default 100; see bench/README.md)
//
// Targets: p99 frame time <= 16 ms, p99 loop latency <= 25 ms with every card live, first frame
// <= 0.5 s after launch. Exit status 0 when the run completed, whether or not the targets were met.

#include "find_item.h"
#include "platform/defaults.h"
#include "ui/gathering.h"
#include "ui/shell.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

// Seconds since this process started, from the kernel's own record of its start.
double secondsSinceStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // The fields after the command name (which may hold spaces) start after its closing parenthesis.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double started = fields.value(19).toDouble() / double(::sysconf(_SC_CLK_TCK));
    return uptime.readAll().split(' ').value(0).toDouble() - started;
}

double percentile(QList<double> values, double p)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype index = std::min<qsizetype>(values.size() - 1, qsizetype(p * double(values.size())));
    return values.at(index);
}

void report(const char *figure, double value, double target, const char *unit)
{
    std::printf("%-28s %8.1f %s   (target <= %.0f %s)   %s\n", figure, value, unit, target, unit,
                value <= target ? "PASS" : "FAIL");
}

// The measured run: a fresh window in a private home; gathers FOLDER and reports.
int window(int argc, char *argv[], const QString &folder, int files)
{
    QGuiApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tovel"));
    QCoreApplication::setApplicationName(QStringLiteral("Tovel"));
    tovel::Defaults::set(tovel::Shell::onboardingKey, true);
    tovel::loadFonts();
    QQmlApplicationEngine engine;
    if (!tovel::loadWindow(engine))
        return 1;
    auto *win = qobject_cast<QQuickWindow *>(engine.rootObjects().constFirst());
    auto *gathering = engine.singletonInstance<tovel::Gathering *>(qmlTypeId("Tovel", 1, 0, "Gathering"));
    if (!win || !gathering)
        return 1;

    double firstFrame = -1;
    QList<double> frames, lateness;
    QElapsedTimer frameClock, loopClock;
    bool measuring = false;
    QObject::connect(win, &QQuickWindow::afterAnimating, win, [&] { frameClock.start(); });
    QObject::connect(win, &QQuickWindow::frameSwapped, win, [&] {
        if (firstFrame < 0) {
            firstFrame = secondsSinceStart();
            // Then gather, exactly as Gather does.
            QTimer::singleShot(0, win, [&] {
                measuring = true;
                loopClock.start();
                gathering->gather(folder, 0, 0);
            });
            return;
        }
        if (measuring && frameClock.isValid())
            frames << double(frameClock.nsecsElapsed()) / 1e6;
    });
    // The loop's answer to a 10 ms timer, as late as it comes.
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, win, [&] {
        if (!measuring)
            return;
        lateness << std::max(0.0, double(loopClock.nsecsElapsed()) / 1e6 - 10.0);
        loopClock.restart();
    });
    tick.start();
    // A person scrolls through the cards while they update: every frame moves the list a little.
    QTimer scroll;
    scroll.setInterval(16);
    int direction = 1;
    QObject::connect(&scroll, &QTimer::timeout, win, [&] {
        QQuickItem *list = findItem(win->contentItem(), QStringLiteral("jobList"));
        if (!measuring || !list)
            return;
        const double top = list->property("originY").toDouble();
        const double bottom = top + list->property("contentHeight").toDouble() - list->height();
        double y = list->property("contentY").toDouble() + 12 * direction;
        if (y >= bottom || y <= top)
            direction = -direction;
        list->setProperty("contentY", std::clamp(y, top, std::max(top, bottom)));
    });
    scroll.start();

    int saved = 0;
    QTimer done;
    done.setInterval(100);
    QObject::connect(&done, &QTimer::timeout, win, [&] {
        if (!measuring || gathering->jobs()->rowCount() < files || gathering->unfinished() > 0)
            return;
        saved = int(QDir(QDir::homePath() + QStringLiteral("/Downloads")).entryList({QStringLiteral("*.mp3")}).size());
        QCoreApplication::exit(0);
    });
    done.start();
    QTimer::singleShot(600'000, win, [] { QCoreApplication::exit(1); });
    win->show();
    const int status = QGuiApplication::exec();

    std::printf("%d cards, %d files saved, %lld frames, %lld timer ticks\n", int(gathering->jobs()->rowCount()), saved,
                qlonglong(frames.size()), qlonglong(lateness.size()));
    report("p99 frame time", percentile(frames, 0.99), 16, "ms");
    report("p99 loop latency", percentile(lateness, 0.99), 25, "ms");
    report("first frame after launch", firstFrame * 1000.0, 500, "ms");
    std::printf("(median frame %.1f ms, max %.1f ms; median latency %.1f ms, max %.1f ms)\n", percentile(frames, 0.5),
                percentile(frames, 1.0), percentile(lateness, 0.5), percentile(lateness, 1.0));
    return status == 0 && saved == files ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 4 && QByteArray(argv[1]) == "--window")
        return window(argc, argv, QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt());

    QCoreApplication app(argc, argv);
    const int files = argc >= 2 ? QByteArray(argv[1]).toInt() : 100;
    if (files < 1)
        return 1;
    QTemporaryDir work;
    const QString home = work.path() + QStringLiteral("/home"), in = work.path() + QStringLiteral("/in");
    QDir().mkpath(home + QStringLiteral("/Downloads"));
    QDir().mkpath(work.path() + QStringLiteral("/tmp"));
    QDir().mkpath(in);
    std::printf("Making %d one-second tones...\n", files);
    std::fflush(stdout);
    for (int i = 1; i <= files; ++i) {
        const int code = QProcess::execute(QStringLiteral("ffmpeg"),
                                           {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
                                            QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                            QStringLiteral("sine=frequency=%1:duration=1").arg(200 + i),
                                            in + QStringLiteral("/Tone %1.wav").arg(i, 3, 10, QLatin1Char('0'))});
        if (code != 0)
            return 1;
    }
    // The window runs in a process of its own, so that its launch is measured from the start.
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    environment.insert(QStringLiteral("TMPDIR"), work.path() + QStringLiteral("/tmp"));
    if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--window"), in, QString::number(files)});
    child.waitForFinished(-1);
    return child.exitCode();
}

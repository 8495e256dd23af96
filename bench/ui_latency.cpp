// How soon the window answers at two sizes: the same steps at 1100×720 and at 3840×2160, each the
// time from the input to the frame that shows its result, with the renderer Tovel chooses (on a
// machine whose OpenGL is drawn by the processor, Qt Quick's software renderer; QSG_RHI_BACKEND=opengl
// or QT_QUICK_BACKEND=software choose for it).
//
//   ui_latency [ROUNDS]     (default 15 of each step; see bench/README.md)
//
// Steps: switching panes (Ctrl+2, Ctrl+1), the pointer entering and leaving a rail button, a pop-up
// list opening and closing. Target: each 4K median within 1.5× of the small window's.

#include "find_item.h"
#include "platform/defaults.h"
#include "ui/shell.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QProcess>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// Milliseconds from `act` to the next frame on screen; -1 when no frame came within a second.
double untilFrame(QQuickWindow *window, const std::function<void()> &act)
{
    bool shown = false;
    const QMetaObject::Connection connection
        = QObject::connect(window, &QQuickWindow::frameSwapped, window, [&shown] { shown = true; });
    QElapsedTimer clock;
    clock.start();
    act();
    while (!shown && clock.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    QObject::disconnect(connection);
    // Let anything the step started (a fade, a tooltip's timer) settle before the next one.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 150)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return shown ? ms : -1;
}

void key(QQuickWindow *window, int key, Qt::KeyboardModifiers modifiers)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QCoreApplication::sendEvent(window, &press);
    QCoreApplication::sendEvent(window, &release);
}

void move(QQuickWindow *window, QPointF to)
{
    QMouseEvent event(QEvent::MouseMove, to, window->mapToGlobal(to), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &event);
}

// The measured run: a window of `size` in a private home; prints one line per step, "name ms".
int window(int argc, char *argv[], QSize size, int rounds)
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
    if (!win)
        return 1;
    win->resize(size);
    win->show();
    win->requestActivate();
    untilFrame(win, [] {});
    // Shortcuts answer only in the active window.
    QElapsedTimer activation;
    activation.start();
    while (!win->isActive() && activation.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QQuickItem *root = win->contentItem();
    QQuickItem *rail = findItem(root, QStringLiteral("railButton-appearance"));
    if (!rail)
        return 1;
    const QPointF onRail = rail->mapToScene(QPointF(rail->width() / 2, rail->height() / 2));
    const QPointF away(size.width() / 2.0, size.height() - 20.0);

    QList<double> panes, hovers, popups;
    for (int i = 0; i < rounds; ++i) {
        panes << untilFrame(win, [win] { key(win, Qt::Key_2, Qt::ControlModifier); });
        panes << untilFrame(win, [win] { key(win, Qt::Key_1, Qt::ControlModifier); });
        hovers << untilFrame(win, [win, onRail] { move(win, onRail); });
        hovers << untilFrame(win, [win, away] { move(win, away); });
        QQuickItem *picker = findItem(root, QStringLiteral("formatPicker"));
        QObject *popup = picker ? picker->property("popup").value<QObject *>() : nullptr;
        if (!popup)
            return 1;
        popups << untilFrame(win, [popup] { QMetaObject::invokeMethod(popup, "open"); });
        popups << untilFrame(win, [popup] { QMetaObject::invokeMethod(popup, "close"); });
    }
    std::printf("pane %.1f\nhover %.1f\npopup %.1f\n", median(panes), median(hovers), median(popups));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 4 && QByteArray(argv[1]) == "--window") {
        const QList<QByteArray> size = QByteArray(argv[2]).split('x');
        return window(argc, argv, QSize(size.value(0).toInt(), size.value(1).toInt()), QByteArray(argv[3]).toInt());
    }

    QCoreApplication app(argc, argv);
    const int rounds = argc >= 2 ? QByteArray(argv[1]).toInt() : 15;
    if (rounds < 1)
        return 1;
    QHash<QString, QHash<QString, double>> figures; // size → step → median ms
    const QStringList sizes{QStringLiteral("1100x720"), QStringLiteral("3840x2160")};
    for (const QString &size : sizes) {
        QTemporaryDir work;
        const QString home = work.path() + QStringLiteral("/home");
        QDir().mkpath(home + QStringLiteral("/Downloads"));
        QProcess child;
        child.setProcessChannelMode(QProcess::SeparateChannels);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
        if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--window"), size, QString::number(rounds)});
        child.waitForFinished(-1);
        if (child.exitCode() != 0) {
            std::fprintf(stderr, "The window at %s did not finish.\n%s", qPrintable(size),
                         child.readAllStandardError().constData());
            return 1;
        }
        for (const QByteArray &line : child.readAllStandardOutput().split('\n'))
            if (const QList<QByteArray> parts = line.split(' '); parts.size() == 2)
                figures[size][QString::fromUtf8(parts[0])] = parts[1].toDouble();
    }
    bool met = true;
    std::printf("%-8s %12s %12s %8s   (target: ratio <= 1.5)\n", "step", "1100x720 ms", "3840x2160 ms", "ratio");
    for (const char *step : {"pane", "hover", "popup"}) {
        const double small = figures[sizes[0]].value(QLatin1String(step));
        const double large = figures[sizes[1]].value(QLatin1String(step));
        const double ratio = small > 0 ? large / small : 0;
        met = met && ratio <= 1.5;
        std::printf("%-8s %12.1f %12.1f %8.2f   %s\n", step, small, large, ratio, ratio <= 1.5 ? "PASS" : "FAIL");
    }
    return met ? 0 : 2;
}

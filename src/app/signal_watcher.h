#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace tovel {

// Ctrl-C, termination requests and a closed terminal (SIGINT, SIGTERM, SIGHUP), delivered to the event
// loop through a socket pair, so whoever listens can end every job cleanly. A reader that goes away
// from our standard output no longer ends the process mid-file either (SIGPIPE is ignored; the write
// just fails).
class SignalWatcher : public QObject
{
    Q_OBJECT
public:
    SignalWatcher()
    {
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds());
        m_notifier = new QSocketNotifier(fds()[1], QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            char byte;
            if (::read(fds()[1], &byte, 1) > 0)
                emit interrupted();
        });
        struct sigaction action
        {};
        action.sa_handler = [](int) {
            const char byte = 1;
            [[maybe_unused]] auto written = ::write(fds()[0], &byte, 1);
        };
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            ::sigaction(signal, &action, nullptr);
        ::signal(SIGPIPE, SIG_IGN);
    }

signals:
    void interrupted();

private:
    static int *fds()
    {
        static int pair[2] = {-1, -1};
        return pair;
    }
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace tovel

#include "updates/diagnostics.h"

#include "build_info.h"
#include "core/url_text.h"
#include "platform/paths.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QSysInfo>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#include <typeinfo>
#include <utility>
#include <vector>

#include <cxxabi.h>
#include <execinfo.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovel::Diagnostics {

namespace {

constexpr int handledSignals[] = {SIGILL, SIGABRT, SIGFPE, SIGSEGV, SIGBUS, SIGTRAP};
constexpr int maxFrames = 128;

QString orUnknown(const char *text)
{
    return text && *text ? QString::fromUtf8(text) : QStringLiteral("?");
}

// The first two lines, each with its line feed; the same for both kinds of report.
QByteArray headerText()
{
    const QString text = QStringLiteral("Tovel ") + orUnknown(build::version) + QStringLiteral(" (")
        + orUnknown(build::buildNumber) + QStringLiteral(") \u2014 ") + QSysInfo::currentCpuArchitecture() + u'\n'
        + QSysInfo::prettyProductName() + u'\n';
    return text.toUtf8();
}

// Everything the signal handler needs is laid out at install time: inside the handler we only copy bytes and
// make plain system calls, never allocate or lock. Plain bytes, so no destructor can take them away during exit.
struct Prepared
{
    char folder[PATH_MAX] = {};
    char header[2048] = {};
    std::size_t headerLength = 0;
    bool ready = false;
};
Prepared prepared;
// Kept reachable so leak checkers don't count it; it is needed until the process ends.
char *alternateStack = nullptr;

// The thread that is writing (or has written) the report. Only one report per crash: a second crashing thread
// leaves it to the first, and the abort that follows an exception report doesn't write over it.
std::atomic<pid_t> reporter{0};
std::terminate_handler previousTerminate = nullptr;

// A bounded text builder over a fixed buffer, usable in a signal handler.
struct Builder
{
    char *out;
    std::size_t capacity;
    std::size_t length = 0;
    bool fits = true;

    void add(char c)
    {
        if (length + 1 < capacity) {
            out[length++] = c;
            out[length] = '\0';
        } else {
            fits = false;
        }
    }
    void add(const char *text)
    {
        while (*text)
            add(*text++);
    }
    void addNumber(unsigned long long value)
    {
        char digits[24];
        int count = 0;
        do {
            digits[count++] = char('0' + value % 10);
            value /= 10;
        } while (value);
        while (count)
            add(digits[--count]);
    }
};

bool writeAll(int fd, const char *data, std::size_t size)
{
    while (size) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= std::size_t(written);
    }
    return true;
}

void writeSignalReport(int signalNumber, void *const *frames, int frameCount)
{
    if (!prepared.ready)
        return;
    ::mkdir(prepared.folder, 0777); // in case it went away since install; failure is fine
    const auto now = static_cast<unsigned long long>(::time(nullptr));
    char finalPath[PATH_MAX + 64];
    char tempPath[PATH_MAX + 64];
    Builder finalName{finalPath, sizeof finalPath};
    finalName.add(prepared.folder);
    finalName.add("/crash-");
    finalName.addNumber(now);
    finalName.add(".txt");
    // Not a ".txt" while it is being written, so a half report is never counted.
    Builder tempName{tempPath, sizeof tempPath};
    tempName.add(prepared.folder);
    tempName.add("/.crash-");
    tempName.addNumber(now);
    tempName.add('-');
    tempName.addNumber(static_cast<unsigned long long>(::getpid()));
    tempName.add(".tmp");
    if (!finalName.fits || !tempName.fits)
        return;

    const int fd = ::open(tempPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return;
    char lines[128];
    Builder middle{lines, sizeof lines};
    middle.add("kind: signal ");
    middle.addNumber(static_cast<unsigned long long>(signalNumber));
    middle.add("\ndetail: fatal signal\n\n");
    const bool written = writeAll(fd, prepared.header, prepared.headerLength) && writeAll(fd, lines, middle.length);
    if (written && frameCount > 0) {
        backtrace_symbols_fd(frames, frameCount, fd);
        // It ends every line with a line feed; a report has none after its last line.
        const off_t end = ::lseek(fd, 0, SEEK_CUR);
        if (end > 0) {
            [[maybe_unused]] const int truncated = ::ftruncate(fd, end - 1);
        }
    }
    ::close(fd);
    if (!written || ::rename(tempPath, finalPath) != 0)
        ::unlink(tempPath);
}

// Another thread is reporting and will end the process itself; wait for that, but never hang for good.
void awaitOtherReporter()
{
    for (int i = 0; i < 100; ++i) {
        timespec pause{0, 100'000'000};
        ::nanosleep(&pause, nullptr);
    }
}

void onSignal(int signalNumber)
{
    const pid_t self = ::gettid();
    pid_t expected = 0;
    if (reporter.compare_exchange_strong(expected, self)) {
        void *frames[maxFrames];
        const int count = ::backtrace(frames, maxFrames);
        writeSignalReport(signalNumber, frames + 1, count - 1); // frame 0 is this handler
    } else if (expected != self) {
        awaitOtherReporter();
    }
    // Otherwise this thread has reported already: it is the abort after an exception report.

    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signalNumber, &fallback, nullptr);
    // Still blocked here: it is delivered, with its default action, as the handler returns.
    ::raise(signalNumber);
}

QString exceptionName()
{
    const std::type_info *type = abi::__cxa_current_exception_type();
    if (!type)
        return QStringLiteral("?");
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> name(abi::__cxa_demangle(type->name(), nullptr, nullptr, &status),
                                                           &std::free);
    return QString::fromUtf8(status == 0 && name ? name.get() : type->name());
}

QString exceptionReason(const std::exception_ptr &current)
{
    try {
        std::rethrow_exception(current);
    } catch (const std::exception &error) {
        if (error.what() && *error.what())
            return QString::fromUtf8(error.what());
    } catch (...) {}
    return QStringLiteral("no reason");
}

QStringList stackHere(int skip)
{
    void *frames[maxFrames];
    const int count = ::backtrace(frames, maxFrames);
    QStringList lines;
    if (count <= skip)
        return lines;
    const std::unique_ptr<char *, decltype(&std::free)> symbols(::backtrace_symbols(frames + skip, count - skip),
                                                                &std::free);
    for (int i = 0; symbols && i < count - skip; ++i)
        lines << QString::fromUtf8(symbols.get()[i]);
    return lines;
}

[[noreturn]] void onTerminate()
{
    // With no handler anywhere the runtime terminates before unwinding, so this stack still shows the throw.
    if (const std::exception_ptr current = std::current_exception()) {
        pid_t expected = 0;
        if (reporter.compare_exchange_strong(expected, ::gettid())) {
            try {
                writeReport(QStringLiteral("exception"),
                            exceptionName() + QStringLiteral(": ") + exceptionReason(current), stackHere(1));
            } catch (...) {}
        }
    }
    // The runtime's own handler names the exception on stderr and aborts; the SIGABRT handler then sees this
    // thread has reported, writes nothing and lets the process end by SIGABRT.
    if (previousTerminate)
        previousTerminate();
    std::abort();
}

void prepareForSignals()
{
    // No home to keep reports in: a crash then leaves none rather than one somewhere unexpected.
    if (paths::homeProblem())
        return;
    const QByteArray folder = QFile::encodeName(reportsFolder());
    const QByteArray header = headerText();
    if (folder.size() >= qsizetype(sizeof prepared.folder) || header.size() >= qsizetype(sizeof prepared.header))
        return;
    std::memcpy(prepared.folder, folder.constData(), std::size_t(folder.size()) + 1);
    std::memcpy(prepared.header, header.constData(), std::size_t(header.size()));
    prepared.headerLength = std::size_t(header.size());
    // The first backtrace() loads the unwinder, which allocates: never let that happen inside a handler.
    void *warmUp[1];
    ::backtrace(warmUp, 1);
    prepared.ready = true;
}

// Running out of stack faults on a stack with no room for the handler; give it one of its own.
// Per thread: only the installing (main) thread's overflow is caught this way.
void giveThisThreadAnAlternateStack()
{
    stack_t current = {};
    if (::sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE))
        return; // someone (a sanitizer) already gave it one
    const std::size_t size = std::max<std::size_t>(SIGSTKSZ, 64 * 1024);
    alternateStack = new char[size];
    stack_t stack = {};
    stack.ss_sp = alternateStack;
    stack.ss_size = size;
    ::sigaltstack(&stack, nullptr);
}

} // namespace

QString reportFileName(qint64 seconds)
{
    return QStringLiteral("crash-%1.txt").arg(seconds);
}

void install()
{
    static std::once_flag once;
    std::call_once(once, [] {
        prepareForSignals();
        giveThisThreadAnAlternateStack();
        previousTerminate = std::set_terminate(onTerminate);
        struct sigaction action = {};
        action.sa_handler = onSignal;
        action.sa_flags = SA_ONSTACK;
        // A fault while reporting ends the process at once rather than re-entering the handler.
        sigemptyset(&action.sa_mask);
        for (const int signalNumber : handledSignals)
            sigaddset(&action.sa_mask, signalNumber);
        for (const int signalNumber : handledSignals)
            ::sigaction(signalNumber, &action, nullptr);
    });
}

QString reportsFolder()
{
    const QString folder = paths::applicationSupport() + QStringLiteral("/Diagnostics");
    if (!paths::homeProblem())
        QDir().mkpath(folder);
    return folder;
}

void writeReport(const QString &kind, const QString &detail, const QStringList &stack)
{
    if (paths::homeProblem())
        return;
    // An exception's words may quote a link, password and all; the report keeps the link without them.
    const QByteArray text = headerText()
        + (QStringLiteral("kind: ") + kind + QStringLiteral("\ndetail: ") + withoutCredentials(detail)
           + QStringLiteral("\n\n") + stack.join(u'\n'))
              .toUtf8();
    QSaveFile file(reportsFolder() + u'/' + reportFileName(QDateTime::currentSecsSinceEpoch()));
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size())
        file.commit();
}

QStringList reports()
{
    std::vector<std::pair<qint64, QString>> found;
    const QFileInfoList entries = QDir(reportsFolder()).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (entry.suffix() != QLatin1String("txt"))
            continue;
        const QDateTime modified = entry.lastModified();
        found.emplace_back(modified.isValid() ? modified.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min(),
                           entry.filePath());
    }
    std::stable_sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    QStringList newestFirst;
    for (const auto &entry : found)
        newestFirst << entry.second;
    return newestFirst;
}

void revealFolder()
{
    // The core library has no D-Bus to ask the file manager to select it; the desktop's opener shows the folder.
    QProcess::startDetached(QStringLiteral("xdg-open"), {reportsFolder()});
}

void deleteAll()
{
    for (const QString &path : reports())
        QFile::remove(path);
}

} // namespace tovel::Diagnostics

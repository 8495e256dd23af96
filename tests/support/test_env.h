#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>

namespace tovel::test {

// A private home for one test: HOME, the XDG folders and TMPDIR all point inside a temporary folder,
// so a test never touches the user's settings, Downloads or temporary folder, and can check what is left.
class TestEnv
{
public:
    TestEnv();
    ~TestEnv();
    TestEnv(const TestEnv &) = delete;
    TestEnv &operator=(const TestEnv &) = delete;

    [[nodiscard]] QString root() const { return m_dir.path(); }
    [[nodiscard]] QString home() const { return root() + QStringLiteral("/home"); }
    [[nodiscard]] QString temp() const { return root() + QStringLiteral("/tmp"); }
    [[nodiscard]] QString downloads() const { return home() + QStringLiteral("/Downloads"); }
    // A fresh folder inside the test's root.
    [[nodiscard]] QString folder(const QString &name) const;

private:
    QTemporaryDir m_dir;
    QHash<QByteArray, std::optional<QByteArray>> m_saved;
    void set(const char *name, const QString &value);
};

// Files directly in a folder, sorted; hidden ones included.
[[nodiscard]] QStringList entries(const QString &folder);

// A short sine tone made by the real ffmpeg; returns false when ffmpeg failed.
bool makeTone(const QString &path, double seconds = 0.3, const QStringList &extra = {});

// Writes an executable shell script.
bool writeScript(const QString &path, const QString &body);

// A stand-in ffmpeg that cannot describe any input (so every input is encoded) and whose conversions
// log "start <input>" to `log` (when given) and then run until they are ended.
bool writeSlowFFmpeg(const QString &path, const QString &log = {});

// Writes a file with the given bytes.
bool writeFile(const QString &path, const QByteArray &bytes);

// A file of tests/data (documents and program output from elsewhere, see its README); empty when missing.
[[nodiscard]] QByteArray dataFile(const QString &name);

// A file's bytes; empty when it cannot be read.
[[nodiscard]] QByteArray readFile(const QString &path);

// Runs a program to its end (at most `timeoutMs`) and returns its standard output; `status` gets the exit code.
QByteArray runProgram(const QString &program, const QStringList &arguments, int *status = nullptr,
                      const QStringList &environment = {}, int timeoutMs = 120'000, QByteArray *errors = nullptr);

// Each row a statement gives on an SQLite file, its fields joined by spaces; "failed" when it cannot run.
[[nodiscard]] QStringList sqlRows(const QString &database, const QString &statement);

// Sets a file's modification time.
bool setModified(const QString &path, const QDateTime &when);

// What ffprobe says of a media file: the first stream's codec name, the duration in seconds, the file's
// tags (names in lower case), and whether it holds a cover picture.
struct Probe
{
    QString codec;
    double duration = 0;
    QHash<QString, QString> tags = {};
    bool cover = false;
};
[[nodiscard]] std::optional<Probe> probe(const QString &path);

} // namespace tovel::test

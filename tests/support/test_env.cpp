#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>

#include <sys/stat.h>

namespace tovel::test {

TestEnv::TestEnv()
{
    QDir().mkpath(home());
    QDir().mkpath(temp());
    set("HOME", home());
    set("XDG_CONFIG_HOME", home() + "/.config");
    set("XDG_DATA_HOME", home() + "/.local/share");
    set("XDG_CACHE_HOME", home() + "/.cache");
    set("XDG_STATE_HOME", home() + "/.local/state");
    set("TMPDIR", temp());
}

TestEnv::~TestEnv()
{
    for (auto it = m_saved.cbegin(); it != m_saved.cend(); ++it) {
        if (it.value())
            qputenv(it.key().constData(), *it.value());
        else
            qunsetenv(it.key().constData());
    }
}

void TestEnv::set(const char *name, const QString &value)
{
    if (!m_saved.contains(name))
        m_saved.insert(name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
    qputenv(name, value.toUtf8());
}

QString TestEnv::folder(const QString &name) const
{
    const QString path = root() + u'/' + name;
    QDir().mkpath(path);
    return path;
}

QStringList entries(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

bool makeTone(const QString &path, double seconds, const QStringList &extra)
{
    int status = -1;
    runProgram("ffmpeg",
               QStringList{"-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                           QString("sine=frequency=440:sample_rate=44100:duration=%1").arg(seconds)}
                   + extra + QStringList{path},
               &status);
    return status == 0;
}

bool writeSlowFFmpeg(const QString &path, const QString &log)
{
    QString body = "#!/bin/sh\ncase \"$*\" in *-progress*) ;; *) exit 1 ;; esac\n";
    if (!log.isEmpty())
        body += QString("for a; do [ \"$prev\" = -i ] && echo \"start $a\" >> '%1'; prev=$a; done\n").arg(log);
    return writeScript(path, body + "exec sleep 600\n");
}

bool writeScript(const QString &path, const QString &body)
{
    return writeFile(path, body.toUtf8()) && ::chmod(QFile::encodeName(path).constData(), 0755) == 0;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray dataFile(const QString &name)
{
    QFile file(TOVEL_TEST_DATA_DIR "/" + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("Test data %s is missing.", qPrintable(file.fileName()));
    return file.readAll();
}

QByteArray runProgram(const QString &program, const QStringList &arguments, int *status, const QStringList &environment,
                      int timeoutMs, QByteArray *errors)
{
    QProcess process;
    if (!environment.isEmpty())
        process.setEnvironment(environment);
    process.start(program, arguments);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        if (status)
            *status = -1;
        return {};
    }
    if (status)
        *status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    if (errors)
        *errors = process.readAllStandardError();
    return process.readAllStandardOutput();
}

QStringList sqlRows(const QString &database, const QString &statement)
{
    QStringList found;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "check");
        db.setDatabaseName(database);
        QSqlQuery query(db);
        if (!db.open() || !query.exec(statement))
            found << "failed";
        while (query.next()) {
            QStringList fields;
            for (int i = 0; i < query.record().count(); ++i)
                fields << query.value(i).toString();
            found << fields.join(' ');
        }
    }
    QSqlDatabase::removeDatabase("check");
    return found;
}

bool setModified(const QString &path, const QDateTime &when)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.setFileTime(when, QFileDevice::FileModificationTime);
}

std::optional<Probe> probe(const QString &path)
{
    int status = -1;
    const QByteArray json = runProgram(
        "ffprobe", {"-v", "error", "-print_format", "json", "-show_streams", "-show_format", path}, &status);
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    const QJsonArray streams = root.value("streams").toArray();
    if (status != 0 || streams.isEmpty())
        return std::nullopt;
    const QJsonObject format = root.value("format").toObject(), tags = format.value("tags").toObject();
    Probe found{streams.first().toObject().value("codec_name").toString(),
                format.value("duration").toString().toDouble()};
    for (auto it = tags.begin(); it != tags.end(); ++it)
        found.tags.insert(it.key().toLower(), it.value().toString());
    for (const QJsonValue &stream : streams)
        found.cover = found.cover || stream.toObject().value("disposition").toObject().value("attached_pic").toInt();
    return found;
}

} // namespace tovel::test

#include "ui/library_model.h"

#include "core/media_extensions.h"
#include "pipeline/history.h"
#include "platform/paths.h"

#include <QCoroFuture>
#include <QDir>
#include <QPointer>
#include <QtConcurrent>

#include <algorithm>

namespace tovel {

QList<LibraryFile> listLibrary(const QString &folder, const QString &historyPath)
{
    static const QStringList audio{QStringLiteral("mp3"), QStringLiteral("m4a"), QStringLiteral("wav"),
                                   QStringLiteral("flac")};
    QList<LibraryFile> files;
    const QHash<QString, History::Source> sources = History::sources(historyPath);
    // Shallow, hidden entries included (they fall to the extension test like any other).
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QFileInfo &entry : entries) {
        const QString name = entry.fileName();
        const QString extension = fileExtension(name);
        if (!audio.contains(extension.toLower()))
            continue;
        // A file changed since, or another one under the same name, is not what was saved.
        const auto saved = sources.constFind(entry.absoluteFilePath());
        const bool same = saved != sources.cend() && saved->vouchesFor(entry);
        files.append({QUrl::fromLocalFile(entry.absoluteFilePath()), baseName(name), extension, entry.lastModified(),
                      same ? saved->source : QString()});
    }
    std::sort(files.begin(), files.end(), [](const LibraryFile &a, const LibraryFile &b) {
        if (a.modified.isValid() != b.modified.isValid())
            return a.modified.isValid();
        if (a.modified != b.modified)
            return a.modified > b.modified;
        return a.url.path() < b.url.path();
    });
    return files;
}

LibraryModel::LibraryModel(QObject *parent) : QAbstractListModel(parent), m_folder(paths::downloads()) {}

void LibraryModel::setFolder(const QString &folder)
{
    if (folder == m_folder)
        return;
    m_folder = folder;
    emit folderChanged();
}

int LibraryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_files.size());
}

QVariant LibraryModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const LibraryFile &file = m_files.at(index.row());
    switch (role) {
    case UrlRole: return file.url;
    case NameRole: return file.name;
    case ExtensionRole: return file.extension.toUpper();
    case SourceRole: return file.source;
    default: return {};
    }
}

QHash<int, QByteArray> LibraryModel::roleNames() const
{
    return {{UrlRole, "url"}, {NameRole, "name"}, {ExtensionRole, "extension"}, {SourceRole, "source"}};
}

void LibraryModel::reload(const QStringList &skipped)
{
    load(m_folder, skipped, ++m_generation);
}

QCoro::Task<void> LibraryModel::load(QString folder, QStringList skipped, quint64 generation)
{
    // A pool of its own: the shared one may be busy copying large files for the jobs.
    static QThreadPool *listing = [] {
        auto *pool = new QThreadPool;
        pool->setMaxThreadCount(1);
        return pool;
    }();
    QPointer<LibraryModel> self(this);
    QList<LibraryFile> files = co_await QtConcurrent::run(listing, listLibrary, folder, History::defaultPath());
    if (!self || generation != m_generation)
        co_return;
    files.removeIf([&skipped](const LibraryFile &file) { return skipped.contains(file.url.toLocalFile()); });
    const bool countChanges = files.size() != m_files.size();
    beginResetModel();
    m_files = std::move(files);
    endResetModel();
    if (countChanges)
        emit countChanged();
    if (!m_loaded) {
        m_loaded = true;
        emit loadedChanged();
    }
}

} // namespace tovel

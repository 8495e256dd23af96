#pragma once

#include <QAbstractListModel>
#include <QCoroTask>
#include <QDateTime>
#include <QList>
#include <QQmlEngine>
#include <QUrl>

namespace tovel {

// One file in the library.
struct LibraryFile
{
    QUrl url;
    QString name;       // without its extension
    QString extension;  // as written
    QDateTime modified; // invalid when it could not be read
    QString source;     // the feed or item Tovel saved it from, as the history has it; empty when not known
};

// The audio files directly inside `folder`, newest first; a file whose date cannot be read comes
// last, and equal dates are ordered by name so the list does not shuffle between visits. Each file's
// source comes from the history at `historyPath`.
[[nodiscard]] QList<LibraryFile> listLibrary(const QString &folder, const QString &historyPath);

// The audio files in Downloads, as the Library pane shows them: listed afresh on every reload, off
// the GUI thread, so a folder of many thousand files never stalls the window.
class LibraryModel : public QAbstractListModel
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString folder READ folder WRITE setFolder NOTIFY folderChanged)
    Q_PROPERTY(int count READ rowCount NOTIFY countChanged)
    Q_PROPERTY(bool loaded READ loaded NOTIFY loadedChanged)
public:
    enum Role { UrlRole = Qt::UserRole + 1, NameRole, ExtensionRole, SourceRole };

    explicit LibraryModel(QObject *parent = nullptr);

    [[nodiscard]] QString folder() const { return m_folder; }
    void setFolder(const QString &folder);
    // Whether a listing has arrived since the model was made.
    [[nodiscard]] bool loaded() const { return m_loaded; }

    [[nodiscard]] int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    [[nodiscard]] QVariant data(const QModelIndex &index, int role) const override;
    [[nodiscard]] QHash<int, QByteArray> roleNames() const override;

    // Lists the folder again, leaving out `skipped` (files still being written); a newer reload
    // supersedes one still running.
    Q_INVOKABLE void reload(const QStringList &skipped = {});

signals:
    void folderChanged();
    void countChanged();
    void loadedChanged();

private:
    QCoro::Task<void> load(QString folder, QStringList skipped, quint64 generation);

    QString m_folder;
    QList<LibraryFile> m_files;
    quint64 m_generation = 0;
    bool m_loaded = false;
};

} // namespace tovel

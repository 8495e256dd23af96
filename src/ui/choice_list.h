#pragma once

#include "core/media.h"

#include <QAbstractListModel>
#include <QCoroTask>
#include <QQmlEngine>

#include <memory>

namespace tovel {

class Cancellation;

// The items an input stands for, for the user to choose from before gathering: newest first, each with
// its date and size when known, those saved before (in the format, quality and sound chosen) marked, and
// all of them checked to begin with. Nothing is downloaded to list them.
class ChoiceList : public QAbstractListModel
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
    Q_PROPERTY(QString error READ error NOTIFY loadingChanged)
    Q_PROPERTY(int count READ rowCount NOTIFY loadingChanged)
    Q_PROPERTY(int checkedCount READ checkedCount NOTIFY checkedChanged)
public:
    enum Role { TitleRole = Qt::UserRole + 1, DetailRole, SavedRole, CheckedRole };

    explicit ChoiceList(QObject *parent = nullptr);
    ~ChoiceList() override;

    [[nodiscard]] int rowCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex &index, int role) const override;
    [[nodiscard]] QHash<int, QByteArray> roleNames() const override;

    [[nodiscard]] bool loading() const { return m_loading; }
    [[nodiscard]] const QString &error() const { return m_error; }
    [[nodiscard]] int checkedCount() const;

    // Lists what `input` stands for; the choices are positions in the Get pane's pickers.
    Q_INVOKABLE void load(const QString &input, int format, int quality, int sound);
    Q_INVOKABLE void setChecked(int row, bool checked);
    Q_INVOKABLE void checkAll(bool checked);
    // Only the `count` newest.
    Q_INVOKABLE void checkNewest(int count);
    // The checked items by their numbers in the input's own order ("1,3-5"), as `--pick` takes them.
    [[nodiscard]] Q_INVOKABLE QString picked() const;

signals:
    void loadingChanged();
    void checkedChanged();

private:
    struct Row
    {
        MediaItem item;
        int number = 0; // its place in the input's own order, from 1
        bool saved = false;
        bool checked = true;
    };
    QCoro::Task<void> read(QString input, AudioFormat format, AudioQuality quality, SoundOptions sound);

    QList<Row> m_rows;
    bool m_loading = false;
    QString m_error;
    std::shared_ptr<Cancellation> m_reading;
};

} // namespace tovel

#pragma once

#include "core/http.h"
#include "core/media.h"
#include "pipeline/selection.h"
#include "ui/job_list_model.h"

#include <QCoroTask>
#include <QObject>
#include <QQmlEngine>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <vector>

namespace tovel {

class History;
class JobRunner;
class ShowUpdate;

// What the Get pane drives: one runner and its jobs for the life of the window, so leaving the pane
// and coming back finds every card still there and still live. Formats and qualities are passed as
// their positions in the pickers.
class Gathering : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(tovel::JobListModel *jobs READ jobs CONSTANT)
    Q_PROPERTY(QString lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(QString historyNotice READ historyNotice NOTIFY historyNoticeChanged)
    Q_PROPERTY(int unfinished READ unfinished NOTIFY unfinishedChanged)
    Q_PROPERTY(QStringList formats READ formats CONSTANT)
    Q_PROPERTY(QStringList qualities READ qualities CONSTANT)
    Q_PROPERTY(QStringList itemCounts READ itemCounts CONSTANT)
    Q_PROPERTY(QStringList sounds READ sounds CONSTANT)
    // What the Get pane shows, kept here so that it survives the pane: the field's text for as long as
    // the window lives, the choices (positions in the pickers) from one start to the next.
    Q_PROPERTY(QString draft READ draft WRITE setDraft NOTIFY draftChanged)
    Q_PROPERTY(int format READ format WRITE setFormat NOTIFY choicesChanged)
    Q_PROPERTY(int quality READ quality WRITE setQuality NOTIFY choicesChanged)
    Q_PROPERTY(int items READ items WRITE setItems NOTIFY choicesChanged)
    Q_PROPERTY(int sound READ sound WRITE setSound NOTIFY choicesChanged)
    // Whether the followed shows' feeds are being checked.
    Q_PROPERTY(bool checkingShows READ checkingShows NOTIFY checkingShowsChanged)
public:
    explicit Gathering(QObject *parent = nullptr);
    ~Gathering() override;

    [[nodiscard]] JobListModel *jobs() const { return m_jobs; }
    // Why the last request could not start; from the start, why none can (no usable home folder).
    [[nodiscard]] QString lastError() const;
    // What went wrong with the record of saved files since the last request began, a line a sentence.
    [[nodiscard]] QString historyNotice() const { return m_historyNotice.join(u'\n'); }
    // Jobs that have not reached an end yet.
    [[nodiscard]] int unfinished() const { return m_unfinished; }
    [[nodiscard]] QStringList formats() const;
    [[nodiscard]] QStringList qualities() const;
    // "All" (the first 100 items, as a gathering takes at most), then "Newest 1", 5, 10 and 25: feeds
    // list their newest first, so the first items are the newest.
    [[nodiscard]] QStringList itemCounts() const;
    [[nodiscard]] static int itemLimit(int index);
    // "As recorded", "Even loudness", "Shorter silences", "Even and shorter".
    [[nodiscard]] QStringList sounds() const;
    [[nodiscard]] static SoundOptions soundAt(int index);
    [[nodiscard]] static AudioFormat formatAt(int index);
    [[nodiscard]] static AudioQuality qualityAt(int index);

    [[nodiscard]] const QString &draft() const { return m_draft; }
    void setDraft(const QString &draft);
    [[nodiscard]] int format() const;
    void setFormat(int index);
    [[nodiscard]] int quality() const;
    void setQuality(int index);
    [[nodiscard]] int items() const;
    void setItems(int index);
    [[nodiscard]] int sound() const;
    void setSound(int index);

    // The badge word for what is typed, from the web engine's last known state.
    [[nodiscard]] Q_INVOKABLE QString sourceKind(const QString &input) const;
    // The same, found off the GUI thread and told by `inputKindFound`: a typed path is looked up on disk,
    // which a stalled network mount can hold up for as long as it likes.
    Q_INVOKABLE void describeInput(const QString &input);
    // Gather is possible once the input holds more than spaces and tabs.
    [[nodiscard]] Q_INVOKABLE bool canGather(const QString &input) const;
    // Whether the input is meant as several inputs (lines, or a list file's path): each is then gathered
    // whole. Told from the text alone, so a stalled disk never holds up the window.
    [[nodiscard]] Q_INVOKABLE bool isList(const QString &input) const;
    // Whether the input is a podcast feed's address, the kind of input that can be followed; told from the
    // text alone.
    [[nodiscard]] Q_INVOKABLE bool isFeed(const QString &input) const;
    [[nodiscard]] Q_INVOKABLE bool takesQuality(int format) const;
    [[nodiscard]] Q_INVOKABLE QString formatFact(int format) const;
    // "—" for a format without a bitrate, "BEST", or the bitrate in capitals.
    [[nodiscard]] Q_INVOKABLE QString qualityFact(int format, int quality) const;
    // The text a drop puts in the field: the first item's path for a file, else its address, else the
    // plain text; empty when nothing usable was dropped.
    [[nodiscard]] Q_INVOKABLE QString droppedText(const QList<QUrl> &urls, const QString &text) const;

    // Files in Downloads that jobs are still writing: not yet something to play.
    [[nodiscard]] Q_INVOKABLE QStringList filesInProgress() const;
    // Whether any job is still at work, a cancelled one tidying up included.
    [[nodiscard]] Q_INVOKABLE bool busy() const;

    // Starts a request (trimmed, at most 100 items); false when there was nothing to gather, or nowhere
    // to save it.
    Q_INVOKABLE bool gather(const QString &input, int format, int quality, int items = 0, int sound = 0);
    // Gathers only the items `picked` names by number ("1,3-5", as the Choose list gives them).
    Q_INVOKABLE bool gatherPicked(const QString &input, int format, int quality, int sound, const QString &picked);
    // Checks every followed show and gathers what is new, as jobs like any other; false when a check is
    // under way already, or there is nowhere to save.
    Q_INVOKABLE bool checkShows();
    [[nodiscard]] bool checkingShows() const { return m_checkingShows; }
    Q_INVOKABLE void cancel(QObject *job);
    // Gathers an already saved job's item anyway, into a new file beside the one saved before.
    Q_INVOKABLE void gatherAgain(QObject *job);
    // Cancels every job; `stopped` follows once each has tidied up (ffmpeg ended, files removed).
    Q_INVOKABLE void stopAll();

    // "12 saved · 3 already saved · 1 failed": how the jobs of a batch ended.
    [[nodiscard]] static QString batchSummary(const QList<Job *> &jobs);

signals:
    // Every job started since the last batch has ended; `summary` says how.
    void batchEnded(const QString &summary);
    void lastErrorChanged();
    void historyNoticeChanged();
    void inputKindFound(const QString &input, const QString &kind);
    void unfinishedChanged();
    void stopped();
    void draftChanged();
    void choicesChanged();
    void checkingShowsChanged();
    // What is stored of the followed shows changed (a check, an arrival).
    void showsChanged();

private:
    // Starts a request, the choices read from the pickers; false when there is nothing to gather, or
    // nowhere to save it.
    bool start(const QString &input, AudioFormat format, AudioQuality quality, int limit, SoundOptions sound,
               Selection selection);
    // Stores a choice by its raw value and says so, when it changed.
    void storeChoice(const QString &key, bool changed, const QString &raw);
    void recount();
    void collectNotices();
    QCoro::Task<void> findKind(QString input);
    void checkStopped();
    QCoro::Task<void> checkShowsTask();

    std::shared_ptr<History> m_history;
    std::unique_ptr<JobRunner> m_runner;
    JobListModel *m_jobs;
    int m_unfinished = 0;
    bool m_stopping = false;
    QList<QPointer<Job>> m_batch;
    QStringList m_historyNotice;
    QString m_homeProblem; // why nothing can be saved, from the start; empty when all is well
    QString m_draft;
    // Each check watches its jobs to their end, so none is let go before the window closes.
    std::vector<std::unique_ptr<ShowUpdate>> m_showUpdates;
    std::shared_ptr<Cancellation> m_showChecks = std::make_shared<Cancellation>();
    bool m_checkingShows = false;
};

} // namespace tovel

#pragma once

#include "core/media.h"
#include "core/url_text.h"

#include <QCoreApplication>
#include <QObject>
#include <QUrl>
#include <QUuid>

namespace tovel {

// A fraction as a whole percentage, truncated: 0.427 is 42. Fractions that are a hair under a whole
// percentage only through binary rounding (0.29 * 100 = 28.999…) count as that percentage.
[[nodiscard]] int wholePercent(double fraction);

// One media item on its way to a file. Lives on the GUI thread; the interface observes it.
class Job : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString title READ title NOTIFY titleChanged)
    Q_PROPERTY(QString origin READ origin CONSTANT)
    Q_PROPERTY(QString place READ place CONSTANT)
    Q_PROPERTY(QString phaseName READ phaseName NOTIFY phaseChanged)
    Q_PROPERTY(QString phaseLabel READ phaseLabel NOTIFY phaseChanged)
    Q_PROPERTY(QString statusWord READ statusWord NOTIFY phaseChanged)
    Q_PROPERTY(bool finished READ isFinished NOTIFY phaseChanged)
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(QString progressText READ progressText NOTIFY progressChanged)
    Q_PROPERTY(QUrl output READ output NOTIFY outputChanged)
    Q_PROPERTY(QString formatLabel READ formatLabel CONSTANT)
    Q_PROPERTY(QString qualityText READ qualityText CONSTANT)
    Q_PROPERTY(QString soundText READ soundText NOTIFY outputChanged)
    Q_PROPERTY(bool alreadySaved READ alreadySaved NOTIFY phaseChanged)
    Q_PROPERTY(QString warning READ warning NOTIFY warningChanged)
public:
    Job(MediaItem item, AudioFormat format, AudioQuality quality, SoundOptions sound, quint64 sequence,
        QObject *parent = nullptr);

    [[nodiscard]] QUuid id() const { return m_id; }
    [[nodiscard]] const MediaItem &item() const { return m_item; }
    [[nodiscard]] AudioFormat format() const { return m_format; }
    [[nodiscard]] AudioQuality quality() const { return m_quality; }
    [[nodiscard]] const SoundOptions &sound() const { return m_sound; }
    // Creation order across every runner: who is served first when conversions wait in line.
    [[nodiscard]] quint64 sequence() const { return m_sequence; }

    [[nodiscard]] QString title() const { return m_title; }
    // Shown on the card and printed: an address in it never carries a user name or password.
    [[nodiscard]] QString origin() const { return withoutCredentials(m_item.origin); }
    // The line of a list the job came from (from 1); 0 when it came from a single input.
    [[nodiscard]] int line() const { return m_line; }
    void setLine(int line) { m_line = line; }
    // Where it came from, as the card says: "Line 2 · Feed · Field Notes" for a job of a list.
    [[nodiscard]] QString place() const;
    [[nodiscard]] const JobPhase &phase() const { return m_phase; }
    [[nodiscard]] QString phaseName() const { return m_phase.name(); }
    // "Already saved" for a job that found its file saved before, else the phase's own words.
    [[nodiscard]] QString phaseLabel() const { return m_alreadySaved ? alreadySavedText() : m_phase.label(); }
    // The word under "Status" on a card, which has a column's width: other languages may say it shorter.
    [[nodiscard]] QString statusWord() const
    {
        return m_alreadySaved ? QCoreApplication::translate("Tovel", "Already saved", "status word on a card")
                              : m_phase.statusWord();
    }
    // Done without any work: an earlier gathering saved this item in this format and quality, and the
    // file is still there.
    [[nodiscard]] bool alreadySaved() const { return m_alreadySaved; }
    [[nodiscard]] static QString alreadySavedText() { return QCoreApplication::translate("Tovel", "Already saved"); }
    [[nodiscard]] bool isFinished() const { return m_phase.isFinished(); }
    [[nodiscard]] bool isCancelled() const { return m_phase.kind() == JobPhase::Kind::cancelled; }
    [[nodiscard]] double progress() const { return m_progress; }
    // The progress as a whole percentage, truncated ("99%" at 0.999).
    [[nodiscard]] QString progressText() const { return QString::number(wholePercent(m_progress)) + u'%'; }
    [[nodiscard]] QUrl output() const { return m_output; }
    // What the user should know of a saved file that is not all it claims to be (a source shorter than
    // it says); empty otherwise.
    [[nodiscard]] const QString &warning() const { return m_warning; }
    void setWarning(const QString &warning);
    // The file being written while the job converts (under a hidden name of its own); empty otherwise.
    [[nodiscard]] const QString &partialOutput() const { return m_partialOutput; }
    void setPartialOutput(const QString &path) { m_partialOutput = path; }
    [[nodiscard]] QString formatLabel() const { return label(m_format); }
    // "BEST" when the quality has no bitrate, else the bitrate in capitals ("320K"); a dash for a format
    // that takes none.
    [[nodiscard]] QString qualityText() const;
    // What was done to the sound ("Even loudness"), and once saved how much shorter the file came out
    // ("Shorter silences \u00b7 \u22123 min 12 s"); empty when nothing is done to it.
    [[nodiscard]] QString soundText() const;
    // The seconds the shortened silences took off the saved file.
    void setTimeSaved(double seconds) { m_timeSaved = seconds; }
    [[nodiscard]] double timeSaved() const { return m_timeSaved; }

    void setTitle(const QString &title);
    void setPhase(const JobPhase &phase);
    void setProgress(double progress);
    void setOutput(const QUrl &output);
    // Ends the job at once with the file saved before.
    void finishAsAlreadySaved(const QUrl &output);
    // Back to the start, for a job to be gathered again: no output, no progress, in `phase`, served as if
    // created at `sequence`.
    void restart(const JobPhase &phase, quint64 sequence);

signals:
    void titleChanged();
    void phaseChanged();
    void progressChanged();
    void outputChanged();
    void warningChanged();
    // Any of the above.
    void changed();

private:
    QUuid m_id;
    MediaItem m_item;
    AudioFormat m_format;
    AudioQuality m_quality;
    SoundOptions m_sound;
    quint64 m_sequence;
    QString m_title;
    JobPhase m_phase;
    double m_progress = 0;
    QUrl m_output;
    QString m_partialOutput;
    QString m_warning;
    double m_timeSaved = 0;
    int m_line = 0;
    bool m_alreadySaved = false;
};

} // namespace tovel

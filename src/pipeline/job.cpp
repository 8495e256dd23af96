#include "pipeline/job.h"

#include <cmath>

namespace tovel {

int wholePercent(double fraction)
{
    return int(std::floor(fraction * 100.0 + 1e-9));
}

Job::Job(MediaItem item, AudioFormat format, AudioQuality quality, SoundOptions sound, quint64 sequence,
         QObject *parent)
    : QObject(parent), m_id(QUuid::createUuid()), m_item(std::move(item)), m_format(format), m_quality(quality),
      m_sound(std::move(sound)), m_sequence(sequence), m_title(m_item.title)
{}

QString Job::qualityText() const
{
    return qualityFact(m_format, m_quality);
}

QString Job::place() const
{
    if (m_line == 0)
        return origin();
    return QCoreApplication::translate("Tovel", "Line %1 \u00b7 %2", "where a job of a list came from")
        .arg(m_line)
        .arg(origin());
}

QString Job::soundText() const
{
    const QString done = soundLabel(m_sound);
    // A second and less is nothing to speak of.
    if (m_timeSaved < 1 || m_output.isEmpty())
        return done;
    return done + QStringLiteral(" \u00b7 ") + timeSavedText(m_timeSaved);
}

void Job::setTitle(const QString &title)
{
    if (m_title == title)
        return;
    m_title = title;
    emit titleChanged();
    emit changed();
}

void Job::setPhase(const JobPhase &phase)
{
    if (m_phase == phase)
        return;
    m_phase = phase;
    emit phaseChanged();
    emit changed();
}

void Job::setProgress(double progress)
{
    if (m_progress == progress)
        return;
    m_progress = progress;
    emit progressChanged();
    emit changed();
}

void Job::setOutput(const QUrl &output)
{
    if (m_output == output)
        return;
    m_output = output;
    emit outputChanged();
    emit changed();
}

void Job::setWarning(const QString &warning)
{
    if (m_warning == warning)
        return;
    m_warning = warning;
    emit warningChanged();
    emit changed();
}

void Job::finishAsAlreadySaved(const QUrl &output)
{
    m_alreadySaved = true;
    setOutput(output);
    setProgress(1.0);
    setPhase(JobPhase::Kind::done);
}

void Job::restart(const JobPhase &phase, quint64 sequence)
{
    m_alreadySaved = false;
    m_timeSaved = 0;
    m_sequence = sequence;
    setOutput(QUrl());
    setWarning(QString());
    setProgress(0);
    setPhase(phase);
}

} // namespace tovel

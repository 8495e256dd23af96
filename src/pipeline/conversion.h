#pragma once

#include "core/error.h"
#include "core/media.h"

#include <QCoroTask>
#include <QProcess>

#include <functional>

namespace tovel {

// The exact ffmpeg argument list for a format and quality.
[[nodiscard]] QStringList ffmpegArguments(AudioFormat format, AudioQuality quality, const QString &input,
                                          const QString &output);

// Runs ffmpeg on `input`, writing `output`. `onStart` receives the process so the caller can end it;
// `isCancelled` tells whether a non-zero exit was our own doing.
QCoro::Task<Result<void>> convert(QString input, QString output, AudioFormat format, AudioQuality quality,
                                  std::function<void(QProcess *)> onStart, std::function<bool()> isCancelled);

} // namespace tovel

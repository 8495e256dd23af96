#include "pipeline/conversion.h"

#include "engine/tools.h"
#include "platform/child_process.h"

namespace tovel {

QStringList ffmpegArguments(AudioFormat format, AudioQuality quality, const QString &input, const QString &output)
{
    QStringList arguments{QStringLiteral("-y"), QStringLiteral("-i"), input};
    if (format != AudioFormat::mp4)
        arguments << QStringLiteral("-vn");
    arguments << codecArguments(format);
    if (usesQuality(format)) {
        if (const auto rate = bitrate(quality))
            arguments << QStringLiteral("-b:a") << *rate;
        else if (format == AudioFormat::mp3)
            arguments << QStringLiteral("-q:a") << QStringLiteral("0");
    }
    arguments << QStringLiteral("-map_metadata") << QStringLiteral("0") << output;
    return arguments;
}

QCoro::Task<Result<void>> convert(QString input, QString output, AudioFormat format, AudioQuality quality,
                                  std::function<void(QProcess *)> onStart, std::function<bool()> isCancelled)
{
    const auto ffmpeg = Tools::ffmpegPath();
    if (!ffmpeg)
        co_return fail(Error::unsupported(QStringLiteral("ffmpeg is missing.")));

    auto process = makeChildProcess(*ffmpeg, ffmpegArguments(format, quality, input, output));
    // Nothing in ffmpeg's output is read; let it go nowhere rather than fill a pipe.
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setStandardOutputFile(QProcess::nullDevice());
    if (onStart)
        onStart(process.get());
    const ChildExit exit = co_await runToExit(process.get());
    if (!exit.started)
        co_return fail(Error::plain(exit.launchError));
    if (exit.exitCode == 0 && !exit.crashed)
        co_return Result<void>();
    if (isCancelled && isCancelled())
        co_return Result<void>();
    co_return fail(Error::unsupported(QStringLiteral("ffmpeg exited with code %1.").arg(exit.exitCode)));
}

} // namespace tovel

#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Where the outside programs lie: ffmpeg, yt-dlp and a JavaScript runtime.
namespace tovel::Tools {

// The fixed folders searched, in order.
[[nodiscard]] QStringList searchDirectories();

// The first executable of `extra`, else of each directory × each name (directories outermost).
[[nodiscard]] std::optional<QString> find(const QStringList &names, const QStringList &extra = {},
                                          const std::optional<QStringList> &directories = std::nullopt);

// The ffmpeg every conversion uses: the bundled one, else one found on disk, worked out once. The
// environment variable TOVEL_FFMPEG names another program instead (set but empty: there is none).
[[nodiscard]] std::optional<QString> ffmpegPath();
[[nodiscard]] bool hasFFmpeg();
[[nodiscard]] bool ffmpegInResources();
// "LGPL", "GPL", "unknown" or "not found"; runs ffmpeg -L each time.
[[nodiscard]] QString ffmpegLicense();
// The licence family named in ffmpeg -L output.
[[nodiscard]] QString classifyLicense(const QByteArray &output);

[[nodiscard]] std::optional<QString> findYtDlp();
[[nodiscard]] std::optional<QString> findJSRuntime();

// The uncached lookup behind ffmpegPath().
[[nodiscard]] std::optional<QString> locateFFmpeg(const std::optional<QString> &resourceDir,
                                                  const std::optional<QStringList> &directories = std::nullopt);

[[nodiscard]] bool isExecutable(const QString &path);

} // namespace tovel::Tools

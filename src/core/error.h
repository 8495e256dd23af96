#pragma once

#include <QString>

#include <expected>
#include <optional>

namespace tovel {

// The three kinds of failure a source reports; each puts a fixed sentence before its detail.
enum class SourceErrorKind { unsupported, network, parse };

// A failure as a value: the sentence the user reads, and the source-error kind where there is one.
// Addresses in it never carry a user name or password (the network's own words may quote the link).
class Error
{
public:
    static Error unsupported(QString detail) { return Error(SourceErrorKind::unsupported, std::move(detail)); }
    static Error network(QString detail) { return Error(SourceErrorKind::network, std::move(detail)); }
    static Error parse(QString detail) { return Error(SourceErrorKind::parse, std::move(detail)); }
    // A failure that is not a source error: the platform's own description, shown as it is.
    static Error plain(QString description) { return Error(std::nullopt, std::move(description)); }
    // A folder we needed could not be made.
    static Error folderNotCreated(const QString &folder);

    [[nodiscard]] std::optional<SourceErrorKind> kind() const { return m_kind; }
    [[nodiscard]] const QString &detail() const { return m_detail; }
    // The whole sentence shown to the user (the kind's prefix, then the detail).
    [[nodiscard]] QString description() const;

    bool operator==(const Error &) const = default;

private:
    Error(std::optional<SourceErrorKind> kind, const QString &detail);

    std::optional<SourceErrorKind> m_kind;
    QString m_detail;
};

template <typename T> using Result = std::expected<T, Error>;

inline std::unexpected<Error> fail(Error error)
{
    return std::unexpected<Error>(std::move(error));
}

} // namespace tovel

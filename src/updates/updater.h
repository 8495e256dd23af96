#pragma once

#include <QByteArray>
#include <QCoroTask>
#include <QDateTime>
#include <QObject>
#include <QUrl>

#include <optional>

namespace tovel {

// A newer build, as the signed notice describes it.
struct UpdateInfo
{
    QString version;
    qint64 build = 0;
    QString url;
    QString notes;
    std::optional<QString> minimumOS;
    std::optional<QString> sha256;

    [[nodiscard]] static std::optional<UpdateInfo> decode(const QByteArray &json);
    bool operator==(const UpdateInfo &) const = default;
};

// The public half of the key that signs update notices (Ed25519, standard base64).
inline constexpr const char *updateSigningKey = "qif63tJsowbLCShUCl759+AvMZ7/CaObRv0bX5qQewY=";

// Decodes "base64url(record).base64url(signature)" and checks the signature against `publicKey`
// (base64). Anything malformed, oversized or wrongly signed gives nothing.
[[nodiscard]] std::optional<UpdateInfo> verifiedUpdate(const QString &notice,
                                                       const QByteArray &publicKey = QByteArray(updateSigningKey));

// The running build's version text, and its build number read as a decimal integer (1 when it is not one).
[[nodiscard]] QString currentVersion();
[[nodiscard]] qint64 currentBuild();
[[nodiscard]] qint64 buildNumberFrom(const QString &text);

// Tells the user a newer build exists. It never downloads or installs anything.
class Updater : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool hasUpdate READ hasUpdate NOTIFY availableChanged)
    Q_PROPERTY(QString availableVersion READ availableVersion NOTIFY availableChanged)
    Q_PROPERTY(bool checking READ checking NOTIFY checkingChanged)
    Q_PROPERTY(QDateTime lastChecked READ lastCheckedTime NOTIFY lastCheckedChanged)
    Q_PROPERTY(bool automatic READ automatic WRITE setAutomatic NOTIFY automaticChanged)
public:
    static inline const QString automaticKey = QStringLiteral("checkForUpdates");
    // Above this a body is no notice of ours; it is not even decoded.
    static constexpr qsizetype maximumNoticeSize = 64 * 1024;

    // What the last check concluded, for the command line.
    enum class Outcome { none, noAnswer, notSigned, notNewer, newer };

    static Updater &shared();
    // `runningBuild` is the build notices are compared against: this one's, unless a test says otherwise.
    explicit Updater(QUrl feedUrl, QByteArray publicKey = QByteArray(updateSigningKey),
                     qint64 runningBuild = currentBuild(), QObject *parent = nullptr);

    [[nodiscard]] const std::optional<UpdateInfo> &available() const { return m_available; }
    [[nodiscard]] bool hasUpdate() const { return m_available.has_value(); }
    [[nodiscard]] QString availableVersion() const { return m_available ? m_available->version : QString(); }
    [[nodiscard]] bool checking() const { return m_checking; }
    [[nodiscard]] const std::optional<QDateTime> &lastChecked() const { return m_lastChecked; }
    [[nodiscard]] QDateTime lastCheckedTime() const { return m_lastChecked.value_or(QDateTime()); }
    [[nodiscard]] bool automatic() const { return m_automatic; }
    void setAutomatic(bool automatic);
    [[nodiscard]] Outcome lastOutcome() const { return m_outcome; }
    [[nodiscard]] QUrl feedUrl() const { return m_feedUrl; }

    QCoro::Task<void> check(bool userInitiated = false);

    // The announced build's download page, when there is one and it is a whole address; else empty.
    // The interface opens it.
    [[nodiscard]] Q_INVOKABLE QUrl downloadPage() const;

signals:
    void availableChanged();
    void checkingChanged();
    void lastCheckedChanged();
    void automaticChanged();

private:
    QUrl m_feedUrl;
    QByteArray m_publicKey;
    qint64 m_runningBuild;
    std::optional<UpdateInfo> m_available;
    bool m_checking = false;
    std::optional<QDateTime> m_lastChecked;
    bool m_automatic = true;
    Outcome m_outcome = Outcome::none;
};

} // namespace tovel

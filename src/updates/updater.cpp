#include "updates/updater.h"

#include "build_info.h"
#include "core/endpoints.h"
#include "core/http.h"
#include "core/json_number.h"
#include "platform/defaults.h"
#include "platform/text.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QRegularExpression>

#include <cmath>

#include <sodium.h>

namespace tovel {

namespace {

std::optional<QByteArray> decodeBase64Url(QByteArray piece)
{
    piece.replace('-', '+').replace('_', '/');
    while (piece.size() % 4 != 0)
        piece.append('=');
    const auto decoded = QByteArray::fromBase64Encoding(piece, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return *decoded;
}

std::optional<QString> optionalText(const QJsonObject &object, const char *key, bool *ok)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isString())
        *ok = false;
    return value.toString();
}

} // namespace

std::optional<UpdateInfo> UpdateInfo::decode(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    UpdateInfo info;
    for (auto [key, field] :
         {std::pair{"version", &info.version}, std::pair{"url", &info.url}, std::pair{"notes", &info.notes}}) {
        const QJsonValue value = object.value(QLatin1String(key));
        if (!value.isString())
            return std::nullopt;
        *field = value.toString();
    }
    const auto build = wholeNumber(object.value(QStringLiteral("build")));
    if (!build)
        return std::nullopt;
    info.build = *build;
    bool ok = true;
    info.minimumOS = optionalText(object, "minimumOS", &ok);
    info.sha256 = optionalText(object, "sha256", &ok);
    if (!ok)
        return std::nullopt;
    return info;
}

std::optional<UpdateInfo> verifiedUpdate(const QString &notice, const QByteArray &publicKey)
{
    if (notice.size() > Updater::maximumNoticeSize || sodium_init() < 0)
        return std::nullopt;
    const QByteArray text = notice.trimmed().toUtf8();
    const qsizetype dot = text.indexOf('.');
    if (dot < 0)
        return std::nullopt;
    const auto record = decodeBase64Url(text.left(dot));
    const auto signature = decodeBase64Url(text.mid(dot + 1));
    const auto key = QByteArray::fromBase64Encoding(publicKey, QByteArray::AbortOnBase64DecodingErrors);
    if (!record || !signature || !key || key.decoded.size() != crypto_sign_PUBLICKEYBYTES
        || signature->size() != crypto_sign_BYTES)
        return std::nullopt;
    if (crypto_sign_verify_detached(reinterpret_cast<const unsigned char *>(signature->constData()),
                                    reinterpret_cast<const unsigned char *>(record->constData()),
                                    quint64(record->size()),
                                    reinterpret_cast<const unsigned char *>(key.decoded.constData()))
        != 0)
        return std::nullopt;
    return UpdateInfo::decode(*record);
}

QString currentVersion()
{
    return QString::fromLatin1(build::version);
}

qint64 buildNumberFrom(const QString &text)
{
    static const QRegularExpression integer(QStringLiteral("^[+-]?[0-9]+$"));
    if (!integer.match(text).hasMatch())
        return 1;
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok ? value : 1;
}

qint64 currentBuild()
{
    return buildNumberFrom(QString::fromLatin1(build::buildNumber));
}

Updater &Updater::shared()
{
    static Updater *instance = new Updater(QUrl(endpoints::updateAddress()));
    return *instance;
}

Updater::Updater(QUrl feedUrl, QByteArray publicKey, qint64 runningBuild, QObject *parent)
    : QObject(parent), m_feedUrl(std::move(feedUrl)), m_publicKey(std::move(publicKey)), m_runningBuild(runningBuild),
      m_automatic(Defaults::boolean(automaticKey, true))
{}

void Updater::setAutomatic(bool automatic)
{
    Defaults::set(automaticKey, automatic);
    if (m_automatic == automatic)
        return;
    m_automatic = automatic;
    emit automaticChanged();
}

QCoro::Task<void> Updater::check(bool userInitiated)
{
    if ((!userInitiated && !m_automatic) || m_checking)
        co_return;
    QPointer<Updater> self(this);
    m_checking = true;
    emit checkingChanged();

    // A small document: one that takes longer than this is not coming.
    HttpOptions options;
    options.deadline = std::chrono::seconds(30);
    const Result<HttpResponse> response = co_await httpGet(m_feedUrl, maximumNoticeSize, options);
    if (!self)
        co_return;
    std::optional<UpdateInfo> info;
    if (!response || response->status != 200) {
        m_outcome = Outcome::noAnswer;
    } else {
        const std::optional<QString> text = strictUtf8(response->body);
        info = text ? verifiedUpdate(*text, m_publicKey) : std::nullopt;
        m_outcome = info ? Outcome::newer : Outcome::notSigned;
    }
    if (info) {
        std::optional<UpdateInfo> next;
        if (info->build > m_runningBuild)
            next = info;
        else
            m_outcome = Outcome::notNewer;
        if (next != m_available) {
            m_available = next;
            emit availableChanged();
        }
    }
    m_checking = false;
    emit checkingChanged();
    m_lastChecked = QDateTime::currentDateTimeUtc();
    emit lastCheckedChanged();
}

QUrl Updater::downloadPage() const
{
    if (!m_available)
        return {};
    const QUrl url(m_available->url, QUrl::StrictMode);
    return url.isValid() && !url.isRelative() ? url : QUrl();
}

} // namespace tovel

#include "core/http.h"

#include "platform/later.h"

#include <QCoroSignal>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QThreadStorage>

namespace tovel {

namespace {
// Keeps no cookies at all.
class NoCookies : public QNetworkCookieJar
{
public:
    using QNetworkCookieJar::QNetworkCookieJar;
    QList<QNetworkCookie> cookiesForUrl(const QUrl &) const override { return {}; }
    bool setCookiesFromUrl(const QList<QNetworkCookie> &, const QUrl &) override { return false; }
};
} // namespace

QNetworkAccessManager &network()
{
    static QThreadStorage<QNetworkAccessManager *> managers;
    if (!managers.hasLocalData()) {
        auto *manager = new QNetworkAccessManager;
        manager->setCookieJar(new NoCookies(manager));
        manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
        manager->setTransferTimeout(60'000);
        managers.setLocalData(manager);
    }
    return *managers.localData();
}

bool isHttpStatusError(QNetworkReply::NetworkError error)
{
    return (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError)
        || (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
}

QCoro::Task<Result<HttpResponse>> httpGet(QUrl url, std::optional<QString> userAgent,
                                          QList<QPair<QByteArray, QByteArray>> headers)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    if (userAgent)
        request.setRawHeader("User-Agent", userAgent->toUtf8());
    for (const auto &[name, value] : headers)
        request.setRawHeader(name, value);
    LaterPtr<QNetworkReply> reply(network().get(request));
    if (!reply->isFinished())
        co_await qCoro(reply.get(), &QNetworkReply::finished);
    if (reply->error() != QNetworkReply::NoError && !isHttpStatusError(reply->error()))
        co_return fail(Error::plain(reply->errorString()));
    co_return HttpResponse{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll()};
}

} // namespace tovel

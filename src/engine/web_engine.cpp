#include "engine/web_engine.h"

#include "core/url_text.h"
#include "engine/tools.h"
#include "platform/defaults.h"

namespace tovel {

WebEngine::WebEngine()
{
    const auto stored = Defaults::text(pathKey);
    m_path = stored && !stored->isEmpty() ? *stored : Tools::findYtDlp().value_or(QString());
    m_enabled = Defaults::boolean(enabledKey, false);
}

WebEngine &WebEngine::shared()
{
    static WebEngine *instance = new WebEngine;
    return *instance;
}

void WebEngine::setPath(const QString &path)
{
    Defaults::set(pathKey, path);
    if (m_path == path)
        return;
    m_path = path;
    emit pathChanged();
}

void WebEngine::setEnabled(bool enabled)
{
    Defaults::set(enabledKey, enabled);
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    emit enabledChanged();
}

bool WebEngine::isInstalled() const { return !m_path.isEmpty() && Tools::isExecutable(m_path); }

bool WebEngine::looksLikeWebLink(const QString &input)
{
    const QString text = trimWhitespace(input);
    if (text.startsWith(u'-'))
        return false;
    const auto url = parseUrl(text);
    return url && url->isHttp() && url->host && !url->host->isEmpty();
}

QCoro::Task<Result<WebDownload>> WebEngine::download(QString, bool, StartCallback, ProgressCallback)
{
    co_return fail(Error::unsupported(QStringLiteral("Turn on the web engine in Engine settings.")));
}

} // namespace tovel

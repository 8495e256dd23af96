#include "platform/text.h"

#include <QStringDecoder>

#include <algorithm>

namespace tovel {

std::optional<QString> strictUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

bool holdsControlCharacter(QStringView text)
{
    // Every control lies in the Basic Multilingual Plane, so UTF-16 units are enough.
    return std::any_of(text.begin(), text.end(), [](QChar c) { return isControlCharacter(c.unicode()); });
}

} // namespace tovel

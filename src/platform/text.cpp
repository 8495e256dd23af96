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

qsizetype validUtf8Length(QByteArrayView bytes)
{
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        const uchar lead = uchar(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        const int length = (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
        if (length == 0 || i + length > size)
            return i;
        char32_t point = lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            const uchar next = uchar(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return i;
            point = (point << 6) | (next & 0x3F);
        }
        static constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < smallest[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
            return i;
        i += length;
    }
    return size;
}

QString visibleControls(const QString &text, ControlEscape style)
{
    const bool json = style == ControlEscape::json;
    const auto escaped
        = [json](QChar c) { return isControlCharacter(c.unicode()) || (!json && isLayoutCharacter(c.unicode())); };
    if (std::none_of(text.begin(), text.end(), escaped))
        return text;
    QString shown;
    shown.reserve(text.size() + 8);
    for (QChar c : text) {
        if (!escaped(c))
            shown += c;
        else if (json || !isControlCharacter(c.unicode()))
            shown += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
    }
    return shown;
}

bool holdsControlCharacter(QStringView text)
{
    // Every control lies in the Basic Multilingual Plane, so UTF-16 units are enough.
    return std::any_of(text.begin(), text.end(), [](QChar c) { return isControlCharacter(c.unicode()); });
}

} // namespace tovel

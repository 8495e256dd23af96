#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

// Small checks on text that came from outside: files, programs and servers we do not control.
namespace tovel {

// The bytes as text, only when they are wholly valid UTF-8.
[[nodiscard]] std::optional<QString> strictUtf8(const QByteArray &bytes);

// How many leading bytes are well-formed UTF-8 (no overlong forms, surrogates or code points past U+10FFFF).
[[nodiscard]] qsizetype validUtf8Length(QByteArrayView bytes);

// The text with every control character written out as a visible escape, safe to print on a terminal:
// "\x1b", or JSON's "\u001b" (which JSON text may hold anywhere in a string). For the terminal, the
// bidirectional controls and the line and paragraph separators become "\u202e" too: they reorder or
// break what is printed after them. JSON keeps those as they are, so a program reads the exact text.
enum class ControlEscape { hex, json };
[[nodiscard]] QString visibleControls(const QString &text, ControlEscape style = ControlEscape::hex);

// The C0 controls, DEL and the C1 controls.
[[nodiscard]] constexpr bool isControlCharacter(char32_t c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f);
}
[[nodiscard]] bool holdsControlCharacter(QStringView text);

// Characters that reorder the text around them (the bidirectional embeddings, overrides, isolates and
// marks) or end a line without looking like a line end (U+2028, U+2029).
[[nodiscard]] constexpr bool isLayoutCharacter(char32_t c)
{
    return (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069) || c == 0x200e || c == 0x200f || c == 0x061c
        || c == 0x2028 || c == 0x2029;
}

} // namespace tovel

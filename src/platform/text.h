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
// "\x1b", or JSON's "\u001b" (which JSON text may hold anywhere in a string).
enum class ControlEscape { hex, json };
[[nodiscard]] QString visibleControls(const QString &text, ControlEscape style = ControlEscape::hex);

// The C0 controls, DEL and the C1 controls.
[[nodiscard]] constexpr bool isControlCharacter(char32_t c) { return c < 0x20 || (c >= 0x7f && c <= 0x9f); }
[[nodiscard]] bool holdsControlCharacter(QStringView text);

} // namespace tovel

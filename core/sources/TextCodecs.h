#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

// The text encodings a playlist-source file can be stored in. Ansi is our ANSI code page,
// Windows-1252.
enum class TextEncoding { Ansi, Utf8, Utf16LE, Utf16BE };

// The message of a text that is not valid UTF-8, as the user sees it.
inline constexpr const char *kNoMappingMessage =
    "No mapping for the Unicode character exists in the target multi-byte code page";

// Decodes UTF-8, skipping one leading byte-order mark. Returns nullopt when any sequence is
// invalid (overlong forms, surrogates, code points above U+10FFFF, truncated sequences, stray
// continuation bytes), instead of smuggling replacement characters into the result.
std::optional<QString> decodeUtf8Strict(QByteArrayView bytes);

// Decodes Windows-1252: every byte gives one character. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of the same value, as
// Windows itself maps them, so that decoding never fails and re-encoding gives the same bytes.
QString decodeWindows1252(QByteArrayView bytes);

// Encodes to Windows-1252; nullopt when any character has no byte in that code page.
std::optional<QByteArray> encodeWindows1252(QStringView text);

// Encodes to UTF-8 (no byte-order mark) or UTF-16 (with no byte-order mark), or Windows-1252
// (nullopt when a character is not representable).
std::optional<QByteArray> encodeText(QStringView text, TextEncoding encoding);

// The byte-order mark written at the start of a file in this encoding (empty for Ansi).
QByteArray byteOrderMark(TextEncoding encoding);

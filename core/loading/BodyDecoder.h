#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The one playlist address whose responses are decoded as Windows-1252 (our ANSI code page)
// instead of UTF-8. Compared as a whole, case counting.
inline constexpr const char *ANSI_PLAYLIST_URL = "https://lists.tvchannels.example/western/latin1.m3u";

// Inflates a response body whose content coding is exactly "gzip" or "deflate" (case counting).
// "gzip" also accepts zlib data and several concatenated gzip members; "deflate" is zlib-wrapped
// data, or raw deflate data from servers that leave the zlib header out. Any other coding, or
// none, gives the body unchanged. Corrupt or truncated data gives nullopt, with zlib's reason
// in *errorMessage when one is passed.
std::optional<QByteArray> inflateBody(const QByteArray &body, const QString &contentEncoding,
                                      QString *errorMessage = nullptr);

// Decodes a playlist body: Windows-1252 when `url` is exactly ANSI_PLAYLIST_URL, otherwise
// strict UTF-8 with one leading byte-order mark skipped. nullopt means the bytes are not valid
// UTF-8 (the user is shown kNoMappingMessage from sources/TextCodecs.h).
std::optional<QString> decodePlaylistBody(const QString &url, const QByteArray &bytes);

#include "BodyDecoder.h"

#include "sources/TextCodecs.h"

#include <zlib.h>

#include <limits>

namespace {

enum class Wrapping { Auto, Zlib, Raw };

int windowBits(Wrapping wrapping)
{
    switch (wrapping) {
    case Wrapping::Auto:
        return 15 + 32; // gzip or zlib header, told apart by zlib
    case Wrapping::Zlib:
        return 15;
    case Wrapping::Raw:
        return -15;
    }
    return 15;
}

struct InflateResult {
    std::optional<QByteArray> data;
    QString error;
    bool failedAtStart = false; // nothing was produced: the header itself was wrong
};

QString zlibError(const z_stream &stream, int code)
{
    const char *text = stream.msg ? stream.msg : zError(code);
    return QStringLiteral("The response could not be decompressed: %1").arg(QString::fromLatin1(text));
}

InflateResult inflateAll(const QByteArray &input, Wrapping wrapping)
{
    InflateResult result;
    z_stream stream{};
    if (inflateInit2(&stream, windowBits(wrapping)) != Z_OK) {
        result.error = zlibError(stream, Z_MEM_ERROR);
        return result;
    }

    QByteArray output;
    auto *next = reinterpret_cast<const Bytef *>(input.constData());
    qsizetype remaining = input.size();
    char chunk[64 * 1024];
    int code = Z_OK;
    while (true) {
        if (stream.avail_in == 0 && remaining > 0) {
            const auto take = qsizetype(std::min<qsizetype>(remaining, std::numeric_limits<uInt>::max()));
            stream.next_in = const_cast<Bytef *>(next);
            stream.avail_in = uInt(take);
            next += take;
            remaining -= take;
        }
        stream.next_out = reinterpret_cast<Bytef *>(chunk);
        stream.avail_out = sizeof chunk;
        code = inflate(&stream, Z_NO_FLUSH);
        output.append(chunk, qsizetype(sizeof chunk - stream.avail_out));

        if (code == Z_STREAM_END) {
            // Servers sometimes concatenate gzip members; anything after the end of a zlib or
            // raw stream is not ours to guess about.
            if (stream.avail_in == 0 && remaining == 0)
                break;
            if (wrapping != Wrapping::Auto) {
                result.error = QStringLiteral("The response could not be decompressed: data after the end of "
                                              "the compressed stream");
                inflateEnd(&stream);
                return result;
            }
            inflateReset(&stream);
            continue;
        }
        if (code == Z_OK)
            continue;
        if (code == Z_BUF_ERROR && stream.avail_in == 0 && remaining == 0) {
            result.error = QStringLiteral("The response could not be decompressed: the compressed data is "
                                          "truncated");
            inflateEnd(&stream);
            return result;
        }
        result.failedAtStart = stream.total_out == 0 && output.isEmpty();
        result.error = zlibError(stream, code);
        inflateEnd(&stream);
        return result;
    }
    inflateEnd(&stream);
    result.data = std::move(output);
    return result;
}

} // namespace

std::optional<QByteArray> inflateBody(const QByteArray &body, const QString &contentEncoding,
                                      QString *errorMessage)
{
    const bool gzip = contentEncoding == QLatin1String("gzip");
    const bool deflate = contentEncoding == QLatin1String("deflate");
    if ((!gzip && !deflate) || body.isEmpty())
        return body;

    InflateResult result = inflateAll(body, gzip ? Wrapping::Auto : Wrapping::Zlib);
    if (!result.data && deflate && result.failedAtStart) {
        InflateResult raw = inflateAll(body, Wrapping::Raw);
        if (raw.data)
            return raw.data;
    }
    if (!result.data && errorMessage)
        *errorMessage = result.error;
    return result.data;
}

std::optional<QString> decodePlaylistBody(const QString &url, const QByteArray &bytes)
{
    if (url == QLatin1String(ANSI_PLAYLIST_URL))
        return decodeWindows1252(bytes);
    return decodeUtf8Strict(bytes);
}

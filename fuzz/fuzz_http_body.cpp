// Fuzzes the decoding of a response body: inflation by content coding, then strict UTF-8 (or
// Windows-1252 for the one address that asks for it). The first byte picks the coding, the
// rest is the body. Besides surviving any body, inflation must give back exactly what zlib
// compressed, and the UTF-8 decoder must agree with a plain validator of RFC 3629.

#include "loading/BodyDecoder.h"
#include "sources/TextCodecs.h"

#include <QByteArray>
#include <QString>

#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_http_body: %s\n", what);
    std::abort();
}

// RFC 3629: no overlong forms, no surrogates, nothing above U+10FFFF, nothing cut off.
bool isValidUtf8(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char b = p[i];
        int extra = 0;
        char32_t cp = 0;
        if (b < 0x80) {
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1;
            cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            cp = b & 0x07;
        } else {
            return false;
        }
        if (i + extra >= n)
            return false;
        for (int k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        static constexpr std::array<char32_t, 4> Smallest = {0, 0x80, 0x800, 0x10000};
        if (cp < Smallest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

QByteArray compressed(QByteArrayView data, int windowBits, int level)
{
    z_stream stream{};
    if (deflateInit2(&stream, level, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        fail("deflateInit2");
    QByteArray out(qsizetype(deflateBound(&stream, uLong(data.size()))), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END)
        fail("deflate");
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

void expectInflatesTo(const QByteArray &body, const char *coding, const QByteArray &original)
{
    QString error;
    const std::optional<QByteArray> inflated = inflateBody(body, QString::fromLatin1(coding), &error);
    if (!inflated || *inflated != original)
        fail("a body zlib compressed did not inflate back to its bytes");
}

void checkDecoding(const QByteArray &bytes)
{
    const std::optional<QString> utf8 =
        decodePlaylistBody(QStringLiteral("http://127.0.0.1/list.m3u"), bytes);
    const QByteArrayView text = QByteArrayView(bytes).startsWith("\xEF\xBB\xBF")
                                    ? QByteArrayView(bytes).sliced(3)
                                    : QByteArrayView(bytes);
    if (utf8.has_value() != isValidUtf8(text))
        fail("the UTF-8 decoder and the validator disagree");
    if (utf8 && utf8->toUtf8() != text)
        fail("decoded UTF-8 does not encode back to its bytes");
    const std::optional<QString> ansi = decodePlaylistBody(QString::fromLatin1(ANSI_PLAYLIST_URL), bytes);
    if (!ansi || ansi->size() != bytes.size())
        fail("Windows-1252 decoding did not give one character per byte");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    static constexpr std::array<const char *, 5> Codings = {"gzip", "deflate", "", "GZIP", "br"};
    const char *coding = Codings[data[0] % Codings.size()];
    const QByteArray body(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    QString error;
    const std::optional<QByteArray> inflated = inflateBody(body, QString::fromLatin1(coding), &error);
    const bool inflates = coding == Codings[0] || coding == Codings[1];
    if (!inflated && (error.isEmpty() || !inflates || body.isEmpty()))
        fail("inflation failed without a reason, or for a body it should have passed through");
    if (inflated && !inflates && *inflated != body)
        fail("a body of another coding was changed");
    if (inflated)
        checkDecoding(*inflated);
    checkDecoding(body);

    // Whatever zlib makes of the body, in each wrapping a server may use, must come back whole.
    const int level = data[0] / Codings.size() % 10;
    expectInflatesTo(compressed(body, 15 + 16, level), "gzip", body);
    expectInflatesTo(compressed(body, 15, level), "gzip", body);
    expectInflatesTo(compressed(body, 15, level), "deflate", body);
    expectInflatesTo(compressed(body, -15, level), "deflate", body);
    return 0;
}

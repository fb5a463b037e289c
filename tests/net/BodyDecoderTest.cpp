#include "loading/BodyDecoder.h"

#include <gtest/gtest.h>

#include <zlib.h>

void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

const QByteArray kText = QByteArrayLiteral("#EXTM3U\r\n#EXTINF:-1,Caf\xc3\xa9\r\nhttp://x.example/s\r\n");

// windowBits as for deflateInit2: 15 zlib, 31 gzip, -15 raw deflate.
QByteArray compress(const QByteArray &data, int windowBits)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&stream, uLong(data.size())) + 32), '\0');
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

struct InflateCase {
    const char *name;
    QByteArray body;
    QString coding;
    std::optional<QByteArray> expected;
};

void PrintTo(const InflateCase &c, std::ostream *out)
{
    *out << c.name;
}

class InflateBodyTest : public testing::TestWithParam<InflateCase> {};

} // namespace

TEST_P(InflateBodyTest, InflatesOnlyTheTwoCodingsAndRefusesCorruptData)
{
    const InflateCase &c = GetParam();
    QString error;
    const std::optional<QByteArray> result = inflateBody(c.body, c.coding, &error);
    EXPECT_EQ(result, c.expected);
    EXPECT_EQ(error.isEmpty(), c.expected.has_value()) << error.toStdString();
}

const QByteArray kGzip = compress(kText, 31);
const QByteArray kZlib = compress(kText, 15);
const QByteArray kRaw = compress(kText, -15);

INSTANTIATE_TEST_SUITE_P(
    Codings, InflateBodyTest,
    testing::Values(
        InflateCase{"gzip", kGzip, "gzip", kText}, InflateCase{"zlib_as_deflate", kZlib, "deflate", kText},
        InflateCase{"raw_as_deflate", kRaw, "deflate", kText},
        InflateCase{"two_gzip_members", kGzip + compress("tail\r\n", 31), "gzip", kText + "tail\r\n"},
        InflateCase{"gzip_upper_case", kGzip, "GZIP", kGzip},
        InflateCase{"deflate_capitalised", kZlib, "Deflate", kZlib},
        InflateCase{"brotli_untouched", "\x0b\x02\x80", "br", QByteArray("\x0b\x02\x80")},
        InflateCase{"no_coding", kText, "", kText}, InflateCase{"empty_gzip", "", "gzip", QByteArray()},
        InflateCase{"truncated_gzip", kGzip.left(kGzip.size() - 12), "gzip", std::nullopt},
        InflateCase{"plain_text_as_gzip", kText, "gzip", std::nullopt},
        InflateCase{"plain_text_as_deflate", "not compressed at all", "deflate", std::nullopt},
        InflateCase{"corrupt_gzip_crc", kGzip.left(kGzip.size() - 8) + "\0\0\0\0" + kGzip.right(4), "gzip",
                    std::nullopt},
        InflateCase{"garbage_after_zlib", kZlib + "junk", "deflate", std::nullopt}),
    [](const testing::TestParamInfo<InflateCase> &info) { return std::string(info.param.name); });

struct DecodeCase {
    const char *name;
    QString url;
    QByteArray bytes;
    std::optional<QString> text;
};

void PrintTo(const DecodeCase &c, std::ostream *out)
{
    *out << c.name;
}

class DecodePlaylistBodyTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodePlaylistBodyTest, Windows1252OnlyForTheExactAnsiAddress)
{
    const DecodeCase &c = GetParam();
    EXPECT_EQ(decodePlaylistBody(c.url, c.bytes), c.text);
}

const QString kAnsi = QString::fromLatin1(ANSI_PLAYLIST_URL);
// The same address with one letter in another case is just another address.
const QString kAnsiOtherCase = QString(kAnsi).replace("latin1", "Latin1");

INSTANTIATE_TEST_SUITE_P(
    Urls, DecodePlaylistBodyTest,
    testing::Values(
        DecodeCase{"ansi_single_byte", kAnsi, "Caf\xe9 \x80", QStringLiteral("Café €")},
        // Bytes that are valid UTF-8 still become one character each: declared charsets are ignored.
        DecodeCase{"ansi_utf8_bytes", kAnsi, "Caf\xc3\xa9", QStringLiteral("CafÃ©")},
        DecodeCase{"ansi_bom_kept", kAnsi, "\xef\xbb\xbfX", QStringLiteral("ï»¿X")},
        DecodeCase{"ansi_empty", kAnsi, "", QString()},
        DecodeCase{"other_case_is_utf8", kAnsiOtherCase, "Caf\xc3\xa9", QStringLiteral("Café")},
        DecodeCase{"other_case_single_byte_fails", kAnsiOtherCase, "Caf\xe9", std::nullopt},
        DecodeCase{"utf8_bom_skipped", "https://a.example/l.m3u", "\xef\xbb\xbf#EXTM3U",
                   QStringLiteral("#EXTM3U")},
        DecodeCase{"utf8_invalid", "https://a.example/l.m3u", "\xc3(", std::nullopt},
        DecodeCase{"utf8_empty", "https://a.example/l.m3u", "", QString()}),
    [](const testing::TestParamInfo<DecodeCase> &info) { return std::string(info.param.name); });

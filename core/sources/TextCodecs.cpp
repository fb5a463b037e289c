#include "TextCodecs.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>

namespace {

// Characters of the bytes 0x80..0x9F; the rest of Windows-1252 is Latin-1.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr std::array<char16_t, 256> makeDecodeTable()
{
    std::array<char16_t, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[i] = char16_t(i);
    for (int i = 0; i < 32; ++i)
        table[0x80 + i] = kHighControls[i];
    return table;
}

constexpr std::array<char16_t, 256> kDecodeTable = makeDecodeTable();

std::optional<char> encodeWindows1252Char(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    const auto it = std::find(kHighControls.begin(), kHighControls.end(), c);
    if (it == kHighControls.end())
        return std::nullopt;
    return char(0x80 + (it - kHighControls.begin()));
}

} // namespace

std::optional<QString> decodeUtf8Strict(QByteArrayView bytes)
{
    // Stateless: a sequence cut off at the end is an error, not something kept for a next chunk.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QString decodeWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = kDecodeTable[in[i]];
    return text;
}

std::optional<QByteArray> encodeWindows1252(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *out = bytes.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const std::optional<char> b = encodeWindows1252Char(text[i].unicode());
        if (!b)
            return std::nullopt;
        out[i] = *b;
    }
    return bytes;
}

std::optional<QByteArray> encodeText(QStringView text, TextEncoding encoding)
{
    QStringConverter::Encoding qtEncoding = QStringConverter::Utf8;
    switch (encoding) {
    case TextEncoding::Ansi:
        return encodeWindows1252(text);
    case TextEncoding::Utf8:
        qtEncoding = QStringConverter::Utf8;
        break;
    case TextEncoding::Utf16LE:
        qtEncoding = QStringConverter::Utf16LE;
        break;
    case TextEncoding::Utf16BE:
        qtEncoding = QStringConverter::Utf16BE;
        break;
    }
    // Stateless and without a header: the caller writes the byte-order mark once, at the start.
    QStringEncoder encoder(qtEncoding, QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    // Only UTF-8 can fail, on a lone surrogate, which it has no form for.
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

QByteArray byteOrderMark(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Ansi:
        return {};
    case TextEncoding::Utf8:
        return QByteArray("\xEF\xBB\xBF", 3);
    case TextEncoding::Utf16LE:
        return QByteArray("\xFF\xFE", 2);
    case TextEncoding::Utf16BE:
        return QByteArray("\xFE\xFF", 2);
    }
    return {};
}

#include "sources/TextCodecs.h"

#include <gtest/gtest.h>

namespace {

struct Utf8Case {
    const char *name;
    QByteArray bytes;
};

void PrintTo(const Utf8Case &c, std::ostream *os)
{
    *os << c.name;
}

class DecodeUtf8StrictRejects : public testing::TestWithParam<Utf8Case> {};

TEST_P(DecodeUtf8StrictRejects, InvalidSequence)
{
    EXPECT_FALSE(decodeUtf8Strict(GetParam().bytes).has_value());
}

INSTANTIATE_TEST_SUITE_P(Cases, DecodeUtf8StrictRejects,
                         testing::Values(Utf8Case{"OverlongSlash", QByteArray("a\xC0\xAF"
                                                                              "b")},
                                         Utf8Case{"OverlongThreeByte", QByteArray("\xE0\x80\xAF")},
                                         Utf8Case{"OverlongFourByte", QByteArray("\xF0\x80\x80\x80")},
                                         Utf8Case{"LoneHighSurrogate", QByteArray("x\xED\xA0\x80y")},
                                         Utf8Case{"LoneLowSurrogate", QByteArray("\xED\xBF\xBF")},
                                         Utf8Case{"AboveMaximum", QByteArray("\xF4\x90\x80\x80")},
                                         Utf8Case{"TruncatedAtEnd", QByteArray("ok\xE2\x82")},
                                         Utf8Case{"TruncatedFourByteAtEnd", QByteArray("\xF0\x9F\x98")},
                                         Utf8Case{"TruncatedInMiddle", QByteArray("\xE2\x82"
                                                                                  "A")},
                                         Utf8Case{"StrayContinuation", QByteArray("a\x80")},
                                         Utf8Case{"InvalidByteFF", QByteArray("\xFF")},
                                         Utf8Case{"AfterMark", QByteArray("\xEF\xBB\xBF\xC3\x28")}),
                         [](const testing::TestParamInfo<Utf8Case> &info) {
                             return std::string(info.param.name);
                         });

TEST(DecodeUtf8Strict, AcceptsValidTextAndSkipsOneMark)
{
    EXPECT_EQ(decodeUtf8Strict(QByteArray()), QString());
    EXPECT_EQ(decodeUtf8Strict(QByteArray("plain ascii")), QStringLiteral("plain ascii"));
    EXPECT_EQ(decodeUtf8Strict(QByteArray("\xEF\xBB\xBF\xD0\x9A\xD0\xB8\xD0\xBD\xD0\xBE")),
              QString::fromUtf8("Кино"));
    EXPECT_EQ(decodeUtf8Strict(QByteArray("\xF0\x9F\x98\x80")), QString::fromUtf8("😀"));
    EXPECT_EQ(decodeUtf8Strict(QByteArray("\xF4\x8F\xBF\xBF")), QStringLiteral(u"\U0010FFFF"));
    // Only the leading mark is the file's; a second one is a character of the text.
    EXPECT_EQ(decodeUtf8Strict(QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF"
                                          "A")),
              QStringLiteral(u"\uFEFFA"));
    // A NUL is a character like any other; the text is decoded to its full length.
    EXPECT_EQ(decodeUtf8Strict(QByteArray("a\0b", 3))->size(), 3);
}

QByteArray allBytes()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    return bytes;
}

TEST(Windows1252, DecodesEveryByteAndEncodesItBack)
{
    const QString text = decodeWindows1252(allBytes());
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(text[0x41], u'A');
    EXPECT_EQ(text[0x80], QChar(0x20AC));
    EXPECT_EQ(text[0x8A], QChar(0x0160));
    EXPECT_EQ(text[0x9F], QChar(0x0178));
    EXPECT_EQ(text[0xA0], QChar(0x00A0));
    EXPECT_EQ(text[0xE9], QChar(0x00E9));
    for (int undefinedByte : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(text[undefinedByte], QChar(undefinedByte)) << undefinedByte;
    EXPECT_EQ(encodeWindows1252(text), allBytes());
}

TEST(Windows1252, RefusesCharactersOutsideTheCodePage)
{
    // U+0080 has no byte: 0x80 is the euro sign.
    for (const QString &text : {QString(QChar(0x0080)), QString(QChar(0x0100)), QString::fromUtf8("Кино"),
                                QString::fromUtf8("a😀"), QString(QChar::ReplacementCharacter)})
        EXPECT_FALSE(encodeWindows1252(text).has_value()) << text.toStdString();
    EXPECT_EQ(encodeWindows1252(QString::fromUtf8("€ café")), QByteArray("\x80 caf\xE9"));
    EXPECT_EQ(encodeWindows1252(QString()), QByteArray());
}

TEST(EncodeText, UnicodeEncodingsCarryNoMark)
{
    const QString text = QString::fromUtf8("é");
    EXPECT_EQ(encodeText(text, TextEncoding::Utf8), QByteArray("\xC3\xA9"));
    EXPECT_EQ(encodeText(text, TextEncoding::Utf16LE), QByteArray("\xE9\x00", 2));
    EXPECT_EQ(encodeText(text, TextEncoding::Utf16BE), QByteArray("\x00\xE9", 2));
    EXPECT_EQ(encodeText(text, TextEncoding::Ansi), QByteArray("\xE9"));
    // A lone surrogate has no UTF-8 form; UTF-16 keeps it as it is.
    const QString lone(QChar(0xD800));
    EXPECT_FALSE(encodeText(lone, TextEncoding::Utf8).has_value());
    EXPECT_EQ(encodeText(lone, TextEncoding::Utf16LE), QByteArray("\x00\xD8", 2));
}

} // namespace

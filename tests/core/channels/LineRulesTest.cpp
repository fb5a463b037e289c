// The line rules every reader of the program shares: where lines break, for UTF-16 text and for
// UTF-8 bytes alike, and what is trimmed from their ends.
#include "channels/LineRules.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Cut {
    QString line;
    qsizetype start;
    qsizetype next;
    bool operator==(const Cut &) const = default;
};

void PrintTo(const Cut &c, std::ostream *os)
{
    *os << '"' << c.line.toStdString() << "\" " << c.start << ".." << c.next;
}

std::vector<Cut> cutText(const QString &text)
{
    std::vector<Cut> cuts;
    forEachLine(text, [&](QStringView line, qsizetype start, qsizetype next) {
        cuts.push_back({line.toString(), start, next});
    });
    return cuts;
}

// The same walk over bytes, as the reader makes it over UTF-8 pieces.
std::vector<Cut> cutBytes(const std::string &bytes)
{
    std::vector<Cut> cuts;
    LineBreaks<char> breaks(bytes);
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = breaks.lineEnd(start);
        const std::size_t next = end == bytes.size() ? end : breaks.nextStart(end);
        cuts.push_back(
            {QString::fromStdString(bytes.substr(start, end - start)), qsizetype(start), qsizetype(next)});
        start = next;
    }
    return cuts;
}

TEST(LineRules, BreaksAtCrLfLoneCrAndLoneLf)
{
    const struct {
        const char *text;
        std::vector<Cut> cuts;
    } cases[] = {
        {"", {}},
        {"A", {{"A", 0, 1}}},
        {"A\r\nB\r\n", {{"A", 0, 3}, {"B", 3, 6}}},
        {"A\rB\nC", {{"A", 0, 2}, {"B", 2, 4}, {"C", 4, 5}}},
        {"A\r\n\r\nB", {{"A", 0, 3}, {"", 3, 5}, {"B", 5, 6}}},
        {"\n", {{"", 0, 1}}},
        {"\r\r\n", {{"", 0, 1}, {"", 1, 3}}},
        {"\n\r", {{"", 0, 1}, {"", 1, 2}}},
        {"A\r", {{"A", 0, 2}}},
        {"only LF\nonly LF\nlast", {{"only LF", 0, 8}, {"only LF", 8, 16}, {"last", 16, 20}}},
        {"x\ny\rz\r\nw\n\nv",
         {{"x", 0, 2}, {"y", 2, 4}, {"z", 4, 7}, {"w", 7, 9}, {"", 9, 10}, {"v", 10, 11}}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(cutText(QString::fromLatin1(c.text)), c.cuts) << c.text;
        EXPECT_EQ(cutBytes(c.text), c.cuts) << c.text;
    }
}

TEST(LineRules, MarksAndOtherCharactersAreNoBreaks)
{
    // A mark or a character beyond ASCII is no break; the lines are not trimmed here.
    const QString text = QString::fromUtf8("\xEF\xBB\xBF"
                                           "a\r\n é \r\n\r\n");
    QStringList lines;
    forEachLine(text, [&](QStringView line, qsizetype, qsizetype) { lines << line.toString(); });
    EXPECT_EQ(lines, (QStringList{QString::fromUtf8("\xEF\xBB\xBF"
                                                    "a"),
                                  QString::fromUtf8(" é "), ""}));
}

TEST(LineRules, TrimsCodesUpToThirtyTwoOnly)
{
    const struct {
        const char *line; // UTF-8
        const char *trimmed;
    } cases[] = {
        {" \t\x01"
         "abc \x1f",
         "abc"},
        {"a b", "a b"},
        {"   ", ""},
        {"", ""},
        {"\x7f"
         "a"
         "\x7f",
         "\x7f"
         "a"
         "\x7f"},
        {"\xC2\xA0"
         "a"
         "\xC2\xA0",
         "\xC2\xA0"
         "a"
         "\xC2\xA0"}, // no-break spaces stay
        {"\xEF\xBB\xBF"
         "#EXTINF",
         "\xEF\xBB\xBF"
         "#EXTINF"}, // so does a byte-order mark
        {"\r\n x \n\r", "x"},
    };
    for (const auto &c : cases) {
        const QString line = QString::fromUtf8(c.line);
        EXPECT_EQ(trimControls(QStringView(line)).toString(), QString::fromUtf8(c.trimmed)) << c.line;
        EXPECT_EQ(trimControls(std::string_view(c.line)), std::string_view(c.trimmed)) << c.line;
    }
    EXPECT_TRUE(isControlOrBlank(QChar(32)));
    EXPECT_FALSE(isControlOrBlank(QChar(33)));
    EXPECT_FALSE(isControlOrBlank(QChar(0xA0)));
    EXPECT_TRUE(isControlOrBlank(char(0)));
    EXPECT_FALSE(isControlOrBlank(char(0xC2))); // a lead byte is no control, however it is signed
}

} // namespace

#include "ChannelTestUtil.h"

#include "channels/ChannelListModel.h"
#include "channels/M3UReader.h"

#include <QSignalSpy>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

using namespace std::literals;

namespace {

std::vector<std::string> sorted(std::vector<std::string> rows)
{
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<std::string> parse(const QString &content)
{
    ChannelListModel model;
    ParseM3UContent(model, content);
    return rowsOf(model);
}

// The worked example, one entry per line: the channel the line adds, and the name a stream
// line right after it would get (nullopt when that channel would be dropped). The second
// column makes the name state after every line visible.
struct WorkedLine {
    const char16_t *line;
    const char *adds;
    std::optional<std::string> probeName;
};

constexpr auto Probe = "udp://probe";

const std::vector<WorkedLine> WorkedExample = {
    {u"#EXTM3U", nullptr, Probe},
    {u"#EXTINF:-1 tvg-id=one group-title=News,News One", nullptr, "News One"},
    {u"#EXTVLCOPT:network-caching=300", nullptr, "News One"},
    {u"https://cdn.example/news/index.m3u8", "News One|https://cdn.example/news/index.m3u8", Probe},
    {u"", nullptr, Probe},
    {u"#EXTINF:-1,Film, Drama", nullptr, std::nullopt},
    {u"https://cdn.example/film.m3u8", nullptr, Probe},
    {u"#EXTINF:-1,Sport", nullptr, "Sport"},
    {u"#extinf:-1,Sport 2", nullptr, "Sport 2"},
    {u"rtmp://live/sport  ", "Sport 2|rtmp://live/sport", Probe},
    {u"http://cdn.example/plain.m3u8", nullptr, Probe},
    {u"rtmp://live/sport", "rtmp://live/sport|rtmp://live/sport", Probe},
    {u"#EXTINF:-1 user-agent=Mozilla Gecko,Radio", nullptr, Probe},
    {u"https://cdn.example/radio.m3u8", nullptr, Probe},
};

QString workedContent(std::size_t lines, const QString &separator = QStringLiteral("\r\n"))
{
    QStringList parts;
    for (std::size_t i = 0; i < lines; ++i)
        parts << QString::fromUtf16(WorkedExample[i].line);
    return parts.join(separator);
}

class WorkedExampleTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(WorkedExampleTest, EffectOfEachLine)
{
    const std::size_t lines = GetParam();
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < lines; ++i) {
        if (WorkedExample[i].adds)
            expected.push_back(WorkedExample[i].adds);
    }
    const QString content = workedContent(lines);
    SCOPED_TRACE(content.toStdString());
    EXPECT_EQ(sorted(parse(content)), sorted(expected));

    const std::optional<std::string> &probeName = WorkedExample[lines - 1].probeName;
    if (probeName)
        expected.push_back(*probeName + "|" + Probe);
    EXPECT_EQ(sorted(parse(content + QStringLiteral("\r\n") + QString::fromLatin1(Probe))), sorted(expected));
}

INSTANTIATE_TEST_SUITE_P(UpToLine, WorkedExampleTest,
                         ::testing::Range<std::size_t>(1, WorkedExample.size() + 1));

TEST(M3UReader, WorkedExampleGivesThreeRowsInOrder)
{
    EXPECT_EQ(parse(workedContent(WorkedExample.size())),
              (std::vector<std::string>{"News One|https://cdn.example/news/index.m3u8",
                                        "rtmp://live/sport|rtmp://live/sport", "Sport 2|rtmp://live/sport"}));
}

TEST(M3UReader, LineEndingsGiveTheSameChannels)
{
    const std::vector<std::string> expected = parse(workedContent(WorkedExample.size()));
    ASSERT_EQ(expected.size(), 3u);

    QString mixed;
    const QString separators[] = {"\r\n", "\n", "\r", "\n\r", "\r\r"};
    for (std::size_t i = 0; i < WorkedExample.size(); ++i)
        mixed += QString::fromUtf16(WorkedExample[i].line) + separators[i % std::size(separators)];

    const struct {
        const char *name;
        QString content;
    } variants[] = {
        {"LF", workedContent(WorkedExample.size(), "\n")},
        {"CR", workedContent(WorkedExample.size(), "\r")},
        {"LF CR gives empty pieces", workedContent(WorkedExample.size(), "\n\r")},
        {"CR CR gives empty pieces", workedContent(WorkedExample.size(), "\r\r")},
        {"mixed, with a trailing separator", mixed},
    };
    for (const auto &variant : variants) {
        SCOPED_TRACE(variant.name);
        EXPECT_EQ(parse(variant.content), expected);
    }
}

struct FurtherCase {
    const char *name;
    std::u16string_view content;
    std::vector<std::string> rows; // in any order
};

void PrintTo(const FurtherCase &c, std::ostream *out)
{
    *out << c.name;
}

class FurtherCasesTest : public ::testing::TestWithParam<FurtherCase> {};

TEST_P(FurtherCasesTest, Rows)
{
    EXPECT_EQ(sorted(parse(qs(GetParam().content))), sorted(GetParam().rows));
}

INSTANTIATE_TEST_SUITE_P(
    M3UReader, FurtherCasesTest,
    ::testing::Values(
        FurtherCase{"EmptyContent", u"", {}},
        FurtherCase{"OnlyBlankAndHashLines", u"  \r\n\t\r\n#EXTM3U\r\n# comment\r\n#EXTGRP:News\r\n", {}},
        FurtherCase{"LeadingBlanksBeforeNameAndAddress",
                    u" \t#EXTINF:-1,Indented\r\n   udp://a  ",
                    {"Indented|udp://a"}},
        FurtherCase{"NoCommaMakesWholeLineTheName", u"#EXTINF:-1\r\nudp://b", {"#EXTINF:-1|udp://b"}},
        FurtherCase{"BlankAfterCommaIsKept", u"#EXTINF:-1, News\r\nudp://c", {" News|udp://c"}},
        FurtherCase{"EmptyTitleTakesTheAddress", u"#EXTINF:-1,\r\nudp://d", {"udp://d|udp://d"}},
        FurtherCase{"HttpsName", u"#EXTINF:-1,https://x\r\nudp://e", {}},
        FurtherCase{"HttpNameInCapitals", u"#EXTINF:-1,HTTP://x\r\nudp://e", {}},
        FurtherCase{"HttpsNameMixedCase", u"#EXTINF:-1,hTtPs://x\r\nudp://e", {}},
        FurtherCase{"WebAddressWithoutName", u"https://cdn.example/a.m3u8\r\nhttp://cdn.example/b.m3u8", {}},
        FurtherCase{
            "GeckoInAnyCaseIgnoresTheNameLine", u"#EXTINF:-1,My gEcKo Show\r\nudp://f", {"udp://f|udp://f"}},
        FurtherCase{"GeckoOnlyMattersOnNameLines", u"#EXTINF:-1,Z\r\nudp://gecko", {"Z|udp://gecko"}},
        FurtherCase{
            "KelvinSignDoesNotSpellGecko", u"#EXTINF:-1,Gec\u212Ao TV\r\nudp://g", {"Gec\u212Ao TV|udp://g"}},
        FurtherCase{"QuotationMarkInName", u"#EXTINF:-1,Say \"Hi\r\nudp://h", {}},
        FurtherCase{"CommaInsideAttributeValue", u"#EXTINF:-1 group-title=\"A,B\",Title\r\nudp://i", {}},
        FurtherCase{"ByteOrderMarkMakesFirstLineAStream",
                    u"\uFEFF#EXTM3U\r\n#EXTINF:-1,X\r\nudp://j",
                    {"\uFEFF#EXTM3U|\uFEFF#EXTM3U", "X|udp://j"}},
        FurtherCase{"NoBreakSpaceIsNotTrimmed", u"\u00A0#EXTINF:-1,Y\r\nudp://k", {"udp://k|udp://k"}},
        FurtherCase{"NameLineAtEndAddsNothing", u"udp://l\r\n#EXTINF:-1,Dangling", {"udp://l|udp://l"}},
        FurtherCase{"NulIsNotAnEndButIsTrimmedAtTheEnds",
                    u"#EXTINF:-1,Zero\0Inside\r\n\0udp://m\0\0"sv,
                    {"Zero\0Inside|udp://m"s}},
        FurtherCase{"SameNamesAllKept",
                    u"#EXTINF:-1,Twin\r\nudp://n\r\n#EXTINF:-1,twin\r\nudp://o",
                    {"Twin|udp://n", "twin|udp://o"}}),
    [](const ::testing::TestParamInfo<FurtherCase> &info) { return std::string(info.param.name); });

TEST(M3UReader, KeepsExistingRowsAndDoesNotCarryANameOver)
{
    ChannelListModel model;
    ParseM3UContent(model, "#EXTINF:-1,First\r\nudp://1\r\n#EXTINF:-1,Dangling");
    ParseM3UContent(model, "");
    ParseM3UContent(model, "#EXTM3U\r\n\r\n");
    ParseM3UContent(model, "udp://2");
    EXPECT_EQ(rowsOf(model), (std::vector<std::string>{"First|udp://1", "udp://2|udp://2"}));
}

TEST(M3UReader, BulkParseSignalsOnceAndSorts)
{
    QString content = "#EXTM3U\r\n";
    for (int i = 999; i >= 0; --i)
        content += QStringLiteral("#EXTINF:-1,Channel %1\r\nudp://%1\n").arg(i, 4, 10, QChar(u'0'));

    ChannelListModel model;
    QSignalSpy inserted(&model, &ChannelListModel::rowsInserted);
    QSignalSpy reset(&model, &ChannelListModel::modelReset);
    QSignalSpy changed(&model, &ChannelListModel::dataChanged);
    ParseM3UContent(model, content);

    ASSERT_EQ(model.count(), 1000);
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(changed.count(), 0);
    for (int row = 0; row < model.count(); ++row)
        ASSERT_EQ(model.text(row), QStringLiteral("Channel %1").arg(row, 4, 10, QChar(u'0')));
}

TEST(M3UReader, ClearChannels)
{
    ChannelListModel model;
    clearChannels(model);
    EXPECT_EQ(model.count(), 0);

    model.addText("Plain one");
    model.addText("Plain two");
    clearChannels(model);
    EXPECT_EQ(model.count(), 0);

    ParseM3UContent(model, "#EXTINF:-1,A\r\nudp://a\r\n#EXTINF:-1,B\r\nudp://b");
    ASSERT_EQ(model.count(), 2);
    clearChannels(model);
    EXPECT_EQ(model.count(), 0);
    EXPECT_EQ(model.channel(0), nullptr);
}

} // namespace

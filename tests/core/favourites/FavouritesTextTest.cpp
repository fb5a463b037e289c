#include "favourites/FavouritesText.h"
#include "channels/ChannelListModel.h"
#include "channels/M3UReader.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

const QString kStored = QStringLiteral("#EXTINF:-1,News rtmp://live/sport\r\nrtmp://live/news/hd\r\n\r\n"
                                       "#EXTINF:-1,Sport\r\n  udp://Sport:1234  \r\n\r\n");

struct ContainmentCase {
    const char *name;
    QString url;
    bool found;
};
void PrintTo(const ContainmentCase &c, std::ostream *os)
{
    *os << c.name;
}

class FavouritesContainment : public testing::TestWithParam<ContainmentCase> {};

TEST_P(FavouritesContainment, ComparesWholeStoredAddressesIgnoringCase)
{
    EXPECT_EQ(favouritesContainAddress(kStored, GetParam().url), GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FavouritesContainment,
    testing::Values(ContainmentCase{"same", QStringLiteral("rtmp://live/news/hd"), true},
                    ContainmentCase{"other_case", QStringLiteral("RTMP://LIVE/NEWS/HD"), true},
                    ContainmentCase{"stored_line_trimmed", QStringLiteral("udp://sport:1234"), true},
                    // A shorter address inside a longer stored one is another channel.
                    ContainmentCase{"part_of_longer", QStringLiteral("rtmp://live/news"), false},
                    // An address that only appears inside a stored name is not stored.
                    ContainmentCase{"inside_a_name", QStringLiteral("rtmp://live/sport"), false},
                    ContainmentCase{"extinf_line", QStringLiteral("#EXTINF:-1,Sport"), false},
                    ContainmentCase{"empty", QString(), false}),
    [](const testing::TestParamInfo<ContainmentCase> &info) { return std::string(info.param.name); });

TEST(FavouritesContainment, NothingIsFoundInAnEmptyText)
{
    EXPECT_FALSE(favouritesContainAddress(QString(), u"rtmp://a"));
}

TEST(UnlistedFavouriteEntries, KeepsExactlyTheEntriesTheReaderRejects)
{
    const QString text = QStringLiteral("#EXTM3U\r\n"
                                        "#EXTINF:-1,Good\r\nrtmp://good\r\n\r\n"
                                        "#EXTINF:-1,Film, Drama\r\nrtmp://film\r\n\r\n"
                                        "#EXTINF:-1,Quote\"d\nudp://q\n"
                                        "http://no-name\r\n"
                                        "#EXTINF:-1,Also good\r\n#EXTVLCOPT:x=1\r\nfile:///v.ts\r\n"
                                        "#EXTINF:-1,Dangling without address\r\n");
    EXPECT_EQ(unlistedFavouriteEntries(text), QStringLiteral("#EXTINF:-1,Film, Drama\r\nrtmp://film\r\n"
                                                             "#EXTINF:-1,Quote\"d\nudp://q\n"
                                                             "http://no-name\r\n"));
}

TEST(UnlistedFavouriteEntries, KeptEntriesStayUnlistedAfterTheListedRecords)
{
    const QString text = QStringLiteral("#EXTINF:-1,https://x\r\nudp://a\r\n\r\n#EXTINF:-1,B\r\nudp://b");
    const QString kept = unlistedFavouriteEntries(text);
    EXPECT_EQ(kept, QStringLiteral("#EXTINF:-1,https://x\r\nudp://a\r\n"));

    ChannelListModel list;
    ParseM3UContent(list, favouriteRecord({QStringLiteral("B"), QStringLiteral("udp://b")}) + kept);
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.text(0), QStringLiteral("B"));
    EXPECT_EQ(
        unlistedFavouriteEntries(favouriteRecord({QStringLiteral("B"), QStringLiteral("udp://b")}) + kept),
        kept);
}

TEST(UnlistedFavouriteEntries, ATextOfListedRecordsKeepsNothing)
{
    EXPECT_EQ(
        unlistedFavouriteEntries(QStringLiteral("#EXTINF:-1,A\r\nudp://a\r\n\r\n#EXTINF:-1,B\nudp://b")),
        QString());
    EXPECT_EQ(unlistedFavouriteEntries(QString()), QString());
}

struct RefusalCase {
    const char *name;
    QString channelName;
    QString url;
    QString reason; // empty: accepted
};
void PrintTo(const RefusalCase &c, std::ostream *os)
{
    *os << c.name;
}

class FavouriteRefusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(FavouriteRefusal, RefusesWhatTheReaderWouldNotListAgain)
{
    const RefusalCase &c = GetParam();
    const QString refusal = favouriteRefusal(c.channelName, c.url);
    if (c.reason.isEmpty()) {
        EXPECT_EQ(refusal, QString());
    } else {
        EXPECT_TRUE(refusal.startsWith(c.reason)) << refusal.toStdString();
        EXPECT_TRUE(refusal.endsWith(QStringLiteral("Such a favourite would not be listed again.")));
    }

    // Cross-check with the reader: accepted exactly when the written record comes back unchanged.
    ChannelListModel list;
    ParseM3UContent(list, favouriteRecord({c.channelName, c.url}));
    const bool comesBack =
        list.count() == 1 && list.channel(0)->Name == c.channelName && list.channel(0)->URL == c.url;
    EXPECT_EQ(comesBack, c.reason.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FavouriteRefusal,
    testing::Values(RefusalCase{"plain", QStringLiteral("News One"), QStringLiteral("rtmp://live/news"), {}},
                    RefusalCase{"leading_blank_kept", QStringLiteral(" News"), QStringLiteral("udp://a"), {}},
                    RefusalCase{"unicode", QStringLiteral("Né TV"), QStringLiteral("file:///C:/v.ts"), {}},
                    RefusalCase{"empty_name", QString(), QStringLiteral("udp://a"),
                                QStringLiteral("The name cannot be empty.")},
                    RefusalCase{"comma", QStringLiteral("Film, Drama"), QStringLiteral("udp://a"),
                                QStringLiteral("The name cannot contain a comma.")},
                    RefusalCase{"quote", QStringLiteral("The \"Best\""), QStringLiteral("udp://a"),
                                QStringLiteral("The name cannot contain a double quotation mark.")},
                    RefusalCase{"http_name", QStringLiteral("http://x"), QStringLiteral("udp://a"),
                                QStringLiteral("The name cannot begin with http:// or https://.")},
                    RefusalCase{"https_name_capitals", QStringLiteral("HTTPS://x"), QStringLiteral("udp://a"),
                                QStringLiteral("The name cannot begin with http:// or https://.")},
                    RefusalCase{"gecko", QStringLiteral("GeckoVision"), QStringLiteral("udp://a"),
                                QStringLiteral("The name cannot contain the word \"gecko\".")},
                    RefusalCase{"name_line_break", QStringLiteral("A\nB"), QStringLiteral("udp://a"),
                                QStringLiteral("The name cannot contain a line break.")},
                    RefusalCase{"trailing_blank", QStringLiteral("News "), QStringLiteral("udp://a"),
                                QStringLiteral("The name cannot end with a blank.")},
                    RefusalCase{"empty_url", QStringLiteral("News"), QString(),
                                QStringLiteral("The stream address cannot be empty.")},
                    RefusalCase{"blank_url", QStringLiteral("News"), QStringLiteral("  "),
                                QStringLiteral("The stream address cannot be empty.")},
                    RefusalCase{"url_blank_end", QStringLiteral("News"), QStringLiteral("udp://a "),
                                QStringLiteral("The stream address cannot begin or end with a blank.")},
                    RefusalCase{"url_line_break", QStringLiteral("News"),
                                QStringLiteral("udp://a\r\nudp://b"),
                                QStringLiteral("The stream address cannot contain a line break.")},
                    RefusalCase{"url_comment", QStringLiteral("News"), QStringLiteral("#udp"),
                                QStringLiteral("The stream address cannot begin with \"#\".")}),
    [](const testing::TestParamInfo<RefusalCase> &info) { return std::string(info.param.name); });

} // namespace

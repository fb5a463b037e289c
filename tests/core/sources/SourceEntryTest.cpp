#include "sources/SourceEntry.h"

#include <gtest/gtest.h>

namespace {

struct PrefixCase {
    QString url;
    QString stripped;
};

void PrintTo(const PrefixCase &c, std::ostream *os)
{
    *os << '"' << c.url.toStdString() << '"';
}

class RemovePrefix : public testing::TestWithParam<PrefixCase> {};

TEST_P(RemovePrefix, RemovesOneSchemePrefix)
{
    EXPECT_EQ(RemoveHttpOrHttpsOrFile(GetParam().url), GetParam().stripped);
}

INSTANTIATE_TEST_SUITE_P(Cases, RemovePrefix,
                         testing::Values(PrefixCase{"HTTPS://a/b", "a/b"}, PrefixCase{"http://a", "a"},
                                         PrefixCase{"file:///C:\\x.m3u", "C:\\x.m3u"},
                                         PrefixCase{"FILE:///C:\\TV\\news.m3u", "C:\\TV\\news.m3u"},
                                         PrefixCase{"Https://", ""}, PrefixCase{"ftp://a", "ftp://a"},
                                         PrefixCase{"file://a", "file://a"}, PrefixCase{"", ""},
                                         PrefixCase{"https:/", "https:/"}, PrefixCase{"http:/", "http:/"},
                                         PrefixCase{"file:/", "file:/"}, PrefixCase{"h", "h"},
                                         PrefixCase{" http://a", " http://a"},
                                         PrefixCase{"http://https://a", "https://a"},
                                         PrefixCase{"https://file:///a", "file:///a"}));

TEST(IsLocalSource, FirstEightCharactersIgnoringCase)
{
    for (const char *local :
         {"file:///C:\\TV\\news.m3u", "FILE:///C:\\TV\\news.m3u", "File:///", "fIlE:///x"})
        EXPECT_TRUE(isLocalSource(QString::fromLatin1(local))) << local;
    for (const char *web : {"", "file://", "file://a", "file:/x", " file:///x", "http://file:///", "ftp://a"})
        EXPECT_FALSE(isLocalSource(QString::fromLatin1(web))) << web;
}

TEST(FindLocalEntry, ExactCaseSensitiveFirstMatch)
{
    const QStringList entries = {"http://example.org/list.m3u", "file:///c:\\tv\\news.m3u",
                                 "FILE:///C:\\TV\\news.m3u", "file:///C:\\TV\\news.m3u",
                                 "file:///C:\\TV\\news.m3u"};
    EXPECT_EQ(findLocalEntry(entries, "C:\\TV\\news.m3u"), 3);
    EXPECT_EQ(findLocalEntry(entries, "c:\\tv\\news.m3u"), 1);
    EXPECT_EQ(findLocalEntry(entries, "C:\\TV\\other.m3u"), -1);
    EXPECT_EQ(findLocalEntry(entries, "C:\\TV\\news.m3u "), -1);
    EXPECT_EQ(findLocalEntry({}, "C:\\TV\\news.m3u"), -1);
}

} // namespace

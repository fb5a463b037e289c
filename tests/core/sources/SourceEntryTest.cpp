#include "sources/SourceEntry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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

TEST(IsExistingPlaylistFile, OnlyFilesCountLinksFollowed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("news.m3u");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    const QString sub = dir.filePath("lists.m3u");
    ASSERT_TRUE(QDir().mkdir(sub));
    ASSERT_TRUE(QFile::link(file, dir.filePath("to-file")));
    ASSERT_TRUE(QFile::link(sub, dir.filePath("to-dir")));
    ASSERT_TRUE(QFile::link(dir.filePath("gone.m3u"), dir.filePath("dangling")));

    const struct {
        QString path;
        bool taken;
    } cases[] = {
        {file, true},
        {dir.filePath("to-file"), true},
        {sub, false},
        {sub + "/", false},
        {dir.filePath("to-dir"), false},
        {dir.filePath("dangling"), false},
        {dir.filePath("gone.m3u"), false},
        {file + "/", false},
        {"", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(isExistingPlaylistFile(c.path), c.taken) << c.path.toStdString();
}

TEST(IsExistingPlaylistFile, RelativePathIsResolvedAgainstTheWorkingDirectory)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile f(dir.filePath("news.m3u"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    EXPECT_TRUE(isExistingPlaylistFile("news.m3u"));
    EXPECT_FALSE(isExistingPlaylistFile("."));
    EXPECT_FALSE(isExistingPlaylistFile("other.m3u"));
    ASSERT_TRUE(QDir::setCurrent(before));
    EXPECT_FALSE(isExistingPlaylistFile("news.m3u"));
}

} // namespace

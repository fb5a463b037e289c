#include "favourites/Utf8StringStream.h"
#include "favourites/FavouritesText.h"
#include "shell/NorvaleError.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QByteArray kBom("\xEF\xBB\xBF");
const QByteArray kNewsRecord("#EXTINF:-1,News\r\nrtmp://live/news\r\n\r\n");
const QString kNoMapping =
    QStringLiteral("No mapping for the Unicode character exists in the target multi-byte code page");

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

class Utf8StringStreamTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString path(const QString &name = QStringLiteral("FavouritesPlaylist.m3u")) const
    {
        return m_dir.filePath(name);
    }
    QTemporaryDir m_dir;
};

TEST_F(Utf8StringStreamTest, TheNeRecordIsTheThirtyFiveBytesOfTheExample)
{
    Utf8StringStream stream;
    EXPECT_EQ(stream.size(), 0);
    EXPECT_EQ(stream.position(), 0);
    writeFavouriteRecord(stream, TM3UChannel{QStringLiteral("Né"), QStringLiteral("file:///C:/v.ts")});
    const QByteArray expected =
        QByteArray::fromHex("2345585449 4E463A2D312C 4EC3A9 0D0A 66696C653A2F2F2F433A2F762E7473 "
                            "0D0A0D0A");
    ASSERT_EQ(expected.size(), 35);
    EXPECT_EQ(stream.bytes(), expected);
    EXPECT_EQ(stream.position(), 35);

    ASSERT_EQ(stream.saveToFile(path()), QString());
    EXPECT_EQ(readBytes(path()), expected); // no header, no byte-order mark
}

TEST_F(Utf8StringStreamTest, AppendAfterLoadingGoesToTheEndOnlyOnceThePositionIsMoved)
{
    writeBytes(path(), kNewsRecord);
    Utf8StringStream stream;
    stream.loadFromFile(path());
    EXPECT_EQ(stream.bytes(), kNewsRecord);
    EXPECT_EQ(stream.position(), 0); // loading leaves the position at the start

    // Writing at position 0 overwrites: this is why every append moves to the end first.
    Utf8StringStream overwritten = stream;
    overwritten.writeText(u"#X");
    EXPECT_EQ(overwritten.bytes(), "#X" + kNewsRecord.mid(2));
    EXPECT_EQ(overwritten.size(), kNewsRecord.size());

    stream.setPosition(stream.size());
    writeFavouriteRecord(stream, TM3UChannel{QStringLiteral("Sport"), QStringLiteral("udp://sport")});
    EXPECT_EQ(stream.bytes(), kNewsRecord + "#EXTINF:-1,Sport\r\nudp://sport\r\n\r\n");
}

TEST_F(Utf8StringStreamTest, WritingGrowsPastTheEndAndPositionsStayInside)
{
    Utf8StringStream stream;
    stream.writeText(u"abcdef");
    stream.setPosition(4);
    stream.writeText(u"XYZ");
    EXPECT_EQ(stream.bytes(), QByteArray("abcdXYZ"));
    EXPECT_EQ(stream.position(), 7);
    stream.setPosition(100);
    EXPECT_EQ(stream.position(), 7);
    stream.setPosition(-3);
    EXPECT_EQ(stream.position(), 0);
    stream.clear();
    EXPECT_EQ(stream.size(), 0);
    EXPECT_EQ(stream.position(), 0);
    EXPECT_EQ(stream.wholeText(), QString());
}

TEST_F(Utf8StringStreamTest, AByteOrderMarkIsSkippedWhenReadButKeptInTheBytes)
{
    writeBytes(path(), kBom + kNewsRecord);
    Utf8StringStream stream;
    stream.loadFromFile(path());
    EXPECT_EQ(stream.wholeText(), QString::fromUtf8(kNewsRecord));
    stream.setPosition(stream.size());
    stream.writeText(u"x");
    ASSERT_EQ(stream.saveToFile(path(QStringLiteral("out.m3u"))), QString());
    EXPECT_EQ(readBytes(path(QStringLiteral("out.m3u"))), kBom + kNewsRecord + "x");
}

// A file that starts with two marks reads as a text that starts with U+FEFF. Written back at
// the start, that text keeps its U+FEFF behind a mark; elsewhere a U+FEFF is just a character.
TEST_F(Utf8StringStreamTest, ATextThatBeginsWithAMarkReadsBackWhole)
{
    const QString text = QStringLiteral("\uFEFF#EXTINF:-1,Newu\r\nudp://n\r\n");
    Utf8StringStream stream;
    stream.writeText(text);
    EXPECT_EQ(stream.bytes(), kBom + kBom + "#EXTINF:-1,Newu\r\nudp://n\r\n");
    EXPECT_EQ(stream.wholeText(), text);
    ASSERT_EQ(stream.saveToFile(path()), QString());
    Utf8StringStream reread;
    reread.loadFromFile(path());
    EXPECT_EQ(reread.wholeText(), text);

    reread.setPosition(reread.size());
    reread.writeText(u"\uFEFFx");
    EXPECT_EQ(reread.bytes(), kBom + kBom + "#EXTINF:-1,Newu\r\nudp://n\r\n" + kBom + "x");
}

TEST_F(Utf8StringStreamTest, InvalidUtf8FailsWithTheNoMappingMessage)
{
    for (const QByteArray &bytes :
         {QByteArray("#EXTINF:-1,\xC3\r\nx\r\n"), kBom + "\xFF", QByteArray("\xE2\x82")}) {
        writeBytes(path(), bytes);
        Utf8StringStream stream;
        stream.loadFromFile(path()); // loading never decodes
        EXPECT_EQ(stream.bytes(), bytes);
        try {
            (void)stream.wholeText();
            ADD_FAILURE() << "decoded " << bytes.toHex().constData();
        } catch (const NorvaleError &error) {
            EXPECT_EQ(error.message(), kNoMapping);
        }
    }
}

TEST_F(Utf8StringStreamTest, LoadAndSaveFailuresCarryTheFileMessages)
{
    Utf8StringStream stream;
    try {
        stream.loadFromFile(path(QStringLiteral("missing.m3u")));
        ADD_FAILURE() << "a missing file loaded";
    } catch (const NorvaleError &error) {
        EXPECT_TRUE(error.message().startsWith(
            QStringLiteral("Cannot open file \"%1\". ").arg(path(QStringLiteral("missing.m3u")))))
            << error.message().toStdString();
    }

    stream.writeText(u"#EXTINF:-1,A\r\nb\r\n\r\n");
    const QString blocked = path(QStringLiteral("no-such-dir/out.m3u"));
    const QString error = stream.saveToFile(blocked);
    EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(blocked)))
        << error.toStdString();
}

TEST_F(Utf8StringStreamTest, SavingWithBackupKeepsTheOldFileAsBak)
{
    writeBytes(path(), "\xFF\xFE garbage");
    Utf8StringStream stream;
    stream.writeText(u"#EXTINF:-1,A\r\nb\r\n\r\n");
    ASSERT_EQ(stream.saveToFile(path(), true), QString());
    EXPECT_EQ(readBytes(path()), stream.bytes());
    EXPECT_EQ(readBytes(path() + ".bak"), QByteArray("\xFF\xFE garbage"));
}

} // namespace

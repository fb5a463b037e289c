// The reader fed in pieces gives what the whole text gives, wherever the pieces are cut, and
// UTF-8 bytes give what their decoded text gives; the local loader built on it reads files
// larger than its buffer and reports bad files without touching the list.
#include "channels/M3UStreamReader.h"
#include "ChannelTestUtil.h"
#include "channels/LocalPlaylist.h"
#include "channels/M3UReader.h"
#include "sources/TextCodecs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace std::string_view_literals;

namespace {

std::vector<std::string> wholeText(const QString &content)
{
    ChannelListModel model;
    ParseM3UContent(model, content);
    return rowsOf(model);
}

// Feeds the text cut at the given positions (ascending), as text or as its UTF-8 bytes.
// splitFrom 1 reads every piece of two units or more in two halves on two threads.
std::vector<std::string> inPieces(const QString &content, const std::vector<qsizetype> &cuts, bool asBytes,
                                  std::size_t splitFrom = 0)
{
    M3UStreamReader reader(splitFrom);
    const QByteArray bytes = content.toUtf8();
    const qsizetype size = asBytes ? bytes.size() : content.size();
    qsizetype from = 0;
    std::vector<qsizetype> ends = cuts;
    ends.push_back(size);
    for (const qsizetype end : ends) {
        if (asBytes)
            reader.feedUtf8(QByteArrayView(bytes).sliced(from, end - from));
        else
            reader.feed(QStringView(content).sliced(from, end - from));
        from = end;
    }
    ChannelListModel model;
    reader.finish(model);
    return rowsOf(model);
}

const std::u16string_view Contents[] = {
    u"#EXTM3U\r\n#EXTINF:-1,One\r\nudp://1\r\n#EXTINF:-1,Two\r\nudp://2\r\n",
    u"#EXTINF:-1,Cr only\rudp://a\r#EXTINF:-1,B\rudp://b",
    u"#EXTINF:-1,Lf only\nudp://a\n\n#EXTINF:-1,Dangling",
    u"#EXTINF:-1,LF CR\n\rudp://a\n\r#EXTINF:-1,Next\n\rudp://b\n\r",
    u"#EXTINF:-1,Über Straße\r\nudp://ü\r\n#EXTINF:-1,😀 wide\r\nudp://😀",
    u"#EXTINF:-1,My gEcKo\r\nudp://g\r\n#EXTINF:-1,Gec\u212Ao\r\nudp://k",
    u"#EXTINF:-1,https://no\r\nudp://x\r\nhttp://bare\r\n#EXTINF:-1,httpſ://folded\r\nudp://y",
    u"#extinf:-1,lower\r\nudp://l\r\n#EXTINFO,Say \"hi\r\nudp://q\r\n#EXTINF:-1,\r\nudp://empty",
    u"\uFEFF#EXTM3U\r\n \t#EXTINF:-1,Padded \t\r\n\0udp://p\0"sv,
    u"#EXTINF:-1,\uFEFFMarked\r\n\uFEFFudp://m",
    u"#EXTINF:-1,Before a marked line\r\n\uFEFF#EXTINF:-1,x\r\n\uFEFFhttps://marked\r\nudp://after",
    // Names far from their stream lines, bare addresses and a name that is never used.
    u"#EXTINF:-1,Far\n#EXTVLCOPT:a\n\n#EXTGRP:b\r\n\r\nudp://far\nudp://bare\n#EXTINF:-1,Late\n#X\n#Y\n"
    u"#Z\nudp://late\r\n#EXTINF:-1,Gone\n#EXTINF:-1,Kept\n#A\n#B\n#C\n#D\nudp://kept\nhttp://web\n#E",
};

} // namespace

TEST(M3UStreamReader, EverySplitGivesTheWholeTextsRows)
{
    for (const std::u16string_view raw : Contents) {
        const QString content = qs(raw);
        const std::vector<std::string> expected = wholeText(content);
        SCOPED_TRACE(content.toStdString());
        for (const bool asBytes : {false, true}) {
            const qsizetype size = asBytes ? content.toUtf8().size() : content.size();
            for (qsizetype cut = 0; cut <= size; ++cut) {
                SCOPED_TRACE(testing::Message() << (asBytes ? "bytes" : "text") << " cut at " << cut);
                ASSERT_EQ(inPieces(content, {cut}, asBytes), expected);
            }
            // Many tiny pieces: every line break and every name falls across pieces.
            std::vector<qsizetype> everyUnit;
            for (qsizetype i = 1; i < size; ++i)
                everyUnit.push_back(i);
            EXPECT_EQ(inPieces(content, everyUnit, asBytes), expected) << (asBytes ? "bytes" : "text");
        }
    }
}

TEST(M3UStreamReader, HalvesReadOnTwoThreadsGiveTheWholeTextsRows)
{
    // Wherever the halves meet: on a name, between a name and its stream line, inside a run
    // of ignored lines, or with a CR LF pair cut between two pieces.
    for (const std::u16string_view raw : Contents) {
        const QString content = qs(raw);
        const std::vector<std::string> expected = wholeText(content);
        SCOPED_TRACE(content.toStdString());
        for (const bool asBytes : {false, true}) {
            const qsizetype size = asBytes ? content.toUtf8().size() : content.size();
            for (qsizetype cut = 0; cut <= size; ++cut) {
                SCOPED_TRACE(testing::Message() << (asBytes ? "bytes" : "text") << " cut at " << cut);
                ASSERT_EQ(inPieces(content, {cut}, asBytes, 1), expected);
                ASSERT_EQ(inPieces(content, {cut, std::min(size, cut + 7)}, asBytes, 1), expected);
            }
        }
    }
}

TEST(M3UStreamReader, NameAndAddressChangeIndependently)
{
    for (const bool asBytes : {false, true}) {
        SCOPED_TRACE(asBytes ? "bytes" : "text");
        const QString content = QStringLiteral("#EXTINF:-1,\u00C9l\u00E1n\r\nudp://\u00E9lan\r\n");
        ChannelListModel model;
        const auto read = [&] {
            M3UStreamReader reader;
            if (asBytes)
                reader.feedUtf8(content.toUtf8());
            else
                reader.feed(content);
            reader.finish(model);
        };
        read();
        ASSERT_EQ(model.count(), 1);
        TM3UChannel *channel = model.channel(0);
        // Both texts end with a NUL character, as every QString does.
        EXPECT_EQ(channel->Name.utf16()[channel->Name.size()], u'\0');
        EXPECT_EQ(channel->URL.utf16()[channel->URL.size()], u'\0');

        channel->Name.append(QStringLiteral(" HD with a longer title"));
        EXPECT_EQ(channel->URL, QStringLiteral("udp://\u00E9lan"));
        EXPECT_EQ(model.text(0), QStringLiteral("\u00C9l\u00E1n"));
        channel->URL.append(u'2');
        channel->URL.prepend(u'>');
        EXPECT_EQ(channel->Name, QStringLiteral("\u00C9l\u00E1n HD with a longer title"));
        EXPECT_EQ(channel->URL, QStringLiteral(">udp://\u00E9lan2"));

        // Once one text is the last user of the shared characters it may grow over the
        // other's place; a fresh record with the list gone, each text left alone in turn.
        model.clear();
        for (const bool keepName : {true, false}) {
            read();
            ASSERT_EQ(model.count(), 1);
            TM3UChannel alone = *model.channel(0);
            model.clear();
            QString &kept = keepName ? alone.Name : alone.URL;
            const QString before(kept.constData(), kept.size()); // a copy of its own
            ASSERT_EQ(kept.size(), keepName ? 4 : 10);
            (keepName ? alone.URL : alone.Name) = QString();
            kept.append(u'+');
            kept.prepend(u'-');
            EXPECT_EQ(kept, u'-' + before + u'+');
            kept.append(QString(40, u'x'));
            EXPECT_EQ(kept, u'-' + before + u'+' + QString(40, u'x'));
        }
    }
}

TEST(M3UStreamReader, MalformedBytesGiveWhatTheirDecodingGives)
{
    // Callers check the bytes first; bytes that slip through still give the decoded text's
    // channels, each malformed byte a replacement character, never more.
    const QByteArray cases[] = {"\x80\x80\x80",
                                "\xC3",
                                "\xF0\x9F\x98",
                                "\xFF\xFE\xFD",
                                "a\xED\xA0\x80"
                                "b",
                                "\xF4\x90\x80\x80",
                                "\xC0\xAF\xE0\x80\xAF"};
    for (const QByteArray &bad : cases) {
        SCOPED_TRACE(bad.toHex().toStdString());
        const QByteArray content = "#EXTINF:-1,N" + bad + "\r\nudp://" + bad + "\r\n" + bad + "\n";
        M3UStreamReader reader;
        reader.feedUtf8(content);
        ChannelListModel model;
        reader.finish(model);
        EXPECT_EQ(rowsOf(model), wholeText(QString::fromUtf8(content)));
    }
}

TEST(M3UStreamReader, ListIsTouchedOnlyAtFinishAndReaderCanBeReused)
{
    ChannelListModel model;
    {
        M3UStreamReader dropped;
        dropped.feed(u"#EXTINF:-1,Never\r\nudp://n\r\n");
        EXPECT_EQ(dropped.acceptedCount(), 1u);
    }
    EXPECT_EQ(model.count(), 0);

    M3UStreamReader reader;
    reader.feed(u"#EXTINF:-1,First\r\nudp://1");
    reader.finish(model);
    reader.feed(u"udp://2");
    reader.finish(model);
    EXPECT_EQ(rowsOf(model), (std::vector<std::string>{"First|udp://1", "udp://2|udp://2"}));
}

// The loader checks bytes with Qt's UTF-8 validator while the rest of the program decodes with
// a strict decoder; the two must agree on what is valid.
TEST(LocalPlaylist, ValidatorAgreesWithTheStrictDecoder)
{
    const QByteArray cases[] = {
        "plain",
        "\xC3\xA9",
        "\xF0\x9F\x98\x80",
        "\xC3",
        "\xC0\xAF",
        "\xE0\x80\xAF",
        "\xED\xA0\x80",
        "\xED\x9F\xBF",
        "\xF4\x90\x80\x80",
        "\xF4\x8F\xBF\xBF",
        "\xFF",
        "\x80",
        "\xEF\xBF\xBE",
        "a\xE2\x82",
        QByteArray("\0x", 2),
    };
    for (const QByteArray &bytes : cases) {
        SCOPED_TRACE(bytes.toHex().toStdString());
        EXPECT_EQ(QUtf8StringView(bytes.constData(), bytes.size()).isValidUtf8(),
                  decodeUtf8Strict(bytes).has_value());
    }
}

class LocalPlaylistTest : public testing::Test {
protected:
    QString write(const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("list.m3u"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QTemporaryDir m_dir;
    ChannelListModel m_model;
};

TEST_F(LocalPlaylistTest, LargerThanItsBufferWithACharacterOnTheCut)
{
    // Past the 4 MiB read buffer, with two-byte characters on both sides of every boundary.
    QByteArray bytes = "\xEF\xBB\xBF";
    QString text;
    for (int i = 0; bytes.size() < (9 << 20); ++i) {
        const QByteArray entry = "#EXTINF:-1,\xC3\xA9t\xC3\xA9 " + QByteArray::number(i) + "\r\nudp://" +
                                 QByteArray::number(i) + "\xC3\xA9\r\n";
        bytes += entry;
        text += QString::fromUtf8(entry);
    }
    ASSERT_EQ(loadLocalPlaylist(write(bytes), m_model), std::nullopt);
    EXPECT_EQ(rowsOf(m_model), wholeText(text));
}

TEST_F(LocalPlaylistTest, BadFilesLeaveTheListAsItWas)
{
    m_model.addText(QStringLiteral("kept"));
    // Invalid UTF-8 far past the first piece: what was read before is dropped, not listed.
    QByteArray late(5 << 20, 'a');
    late += "\r\n\xC3(\r\n";
    const struct {
        const char *name;
        QString path;
        QString message;
    } cases[] = {
        {"missing", m_dir.filePath(QStringLiteral("none.m3u")),
         QStringLiteral("Cannot open file \"%1\". No such file or directory")
             .arg(QDir::toNativeSeparators(m_dir.filePath(QStringLiteral("none.m3u"))))},
        {"directory", m_dir.path(),
         QStringLiteral("Cannot open file \"%1\". Is a directory")
             .arg(QDir::toNativeSeparators(m_dir.path()))},
        {"bad byte early", write("#EXTINF:-1,A\r\nudp://\xFF\r\n"), QString::fromLatin1(kNoMappingMessage)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(loadLocalPlaylist(c.path, m_model), c.message);
        EXPECT_EQ(rowsOf(m_model), std::vector<std::string>{"kept|"});
    }
    EXPECT_EQ(loadLocalPlaylist(write(late), m_model), QString::fromLatin1(kNoMappingMessage));
    EXPECT_EQ(rowsOf(m_model), std::vector<std::string>{"kept|"});
}

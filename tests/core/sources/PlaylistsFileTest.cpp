#include "sources/PlaylistsFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

const QString kDataDir = QStringLiteral(NORVALE_TEST_DATA "/sources/");

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

class PlaylistsFileTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString path(const QString &name = QStringLiteral("Playlists.lst")) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

TEST_F(PlaylistsFileTest, WritesTheSingleLocalEntryExampleByteForByte)
{
    const QStringList entries = {QStringLiteral("file:///C:\\TV\\news.m3u")};
    ASSERT_EQ(writePlaylistsFile(path(), entries, TextEncoding::Ansi, false), QString());
    const QByteArray expected = readBytes(kDataDir + "news_ansi.lst");
    ASSERT_EQ(expected.size(), 24);
    EXPECT_EQ(readBytes(path()), expected);

    const PlaylistsReadResult read = readPlaylistsFile(kDataDir + "news_ansi.lst");
    EXPECT_TRUE(read.exists);
    EXPECT_EQ(read.error, QString());
    EXPECT_EQ(read.entries, entries);
    EXPECT_EQ(read.encoding, TextEncoding::Ansi);
    EXPECT_TRUE(read.encodingFound);
}

struct RoundTripCase {
    const char *name;
    TextEncoding encoding;
    QStringList entries;
    QByteArray bytes;
};

void PrintTo(const RoundTripCase &c, std::ostream *os)
{
    *os << c.name;
}

class EncodingRoundTrip : public PlaylistsFileTest, public testing::WithParamInterface<RoundTripCase> {};

TEST_P(EncodingRoundTrip, WritesMarkAndCrLfAndReadsBackTheSame)
{
    const RoundTripCase &c = GetParam();
    ASSERT_EQ(writePlaylistsFile(path(), c.entries, c.encoding, false), QString());
    EXPECT_EQ(readBytes(path()).toHex(' '), c.bytes.toHex(' '));

    const PlaylistsReadResult read = readPlaylistsFile(path());
    EXPECT_EQ(read.error, QString());
    EXPECT_EQ(read.entries, c.entries);
    EXPECT_EQ(read.encoding, c.encoding);
    EXPECT_TRUE(read.encodingFound);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EncodingRoundTrip,
    testing::Values(
        RoundTripCase{"Utf8",
                      TextEncoding::Utf8,
                      {QString::fromUtf8("http://a/é"), "B"},
                      QByteArray("\xEF\xBB\xBFhttp://a/\xC3\xA9\r\nB\r\n")},
        RoundTripCase{"Utf16LE",
                      TextEncoding::Utf16LE,
                      {QString::fromUtf8("é")},
                      QByteArray("\xFF\xFE\xE9\x00\r\x00\n\x00", 8)},
        RoundTripCase{"Utf16BE",
                      TextEncoding::Utf16BE,
                      {QString::fromUtf8("é")},
                      QByteArray("\xFE\xFF\x00\xE9\x00\r\x00\n", 8)},
        RoundTripCase{"AnsiAcute", TextEncoding::Ansi, {QString::fromUtf8("é")}, QByteArray("\xE9\r\n")},
        RoundTripCase{"AnsiEuroAndUndefinedByte",
                      TextEncoding::Ansi,
                      {QString::fromUtf8("€") + QChar(0x81)},
                      QByteArray("\x80\x81\r\n")},
        RoundTripCase{"TwoEntries", TextEncoding::Ansi, {"A", "B"}, QByteArray("A\r\nB\r\n")},
        RoundTripCase{"EmptyEntryKept", TextEncoding::Ansi, {"A", "", "B"}, QByteArray("A\r\n\r\nB\r\n")},
        RoundTripCase{"OnlyAnEmptyEntry", TextEncoding::Utf8, {""}, QByteArray("\xEF\xBB\xBF\r\n")},
        RoundTripCase{"EmptyListAnsi", TextEncoding::Ansi, {}, QByteArray()},
        RoundTripCase{"EmptyListUtf16LE", TextEncoding::Utf16LE, {}, QByteArray("\xFF\xFE")}),
    [](const testing::TestParamInfo<RoundTripCase> &info) { return std::string(info.param.name); });

struct LinesCase {
    const char *name;
    QByteArray bytes;
    QStringList entries;
};

void PrintTo(const LinesCase &c, std::ostream *os)
{
    *os << c.name;
}

class LineBreaks : public PlaylistsFileTest, public testing::WithParamInterface<LinesCase> {};

TEST_P(LineBreaks, CutAtCrLfCrOrLf)
{
    writeBytes(path(), GetParam().bytes);
    const PlaylistsReadResult read = readPlaylistsFile(path());
    EXPECT_EQ(read.error, QString());
    EXPECT_EQ(read.entries, GetParam().entries);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineBreaks,
    testing::Values(LinesCase{"CrLf", "A\r\nB\r\n", {"A", "B"}}, LinesCase{"LfOnly", "A\nB\n", {"A", "B"}},
                    LinesCase{"CrOnly", "A\rB\r", {"A", "B"}},
                    LinesCase{"NoFinalBreak", "A\r\nB", {"A", "B"}},
                    LinesCase{"EmptyLineInMiddle", "A\r\n\r\nB", {"A", "", "B"}},
                    LinesCase{"LfCrIsTwoBreaks", "A\n\rB", {"A", "", "B"}},
                    LinesCase{"MixedBreaks", "A\rB\nC\r\nD", {"A", "B", "C", "D"}},
                    LinesCase{"OnlyABreak", "\r\n", {""}}, LinesCase{"TwoBreaks", "\r\n\r\n", {"", ""}},
                    LinesCase{"EmptyFile", "", {}}, LinesCase{"OnlyAMark", "\xEF\xBB\xBF", {}},
                    LinesCase{"NotTrimmed", " A \r\n\tB\r\n", {" A ", "\tB"}},
                    LinesCase{"NulKept", QByteArray("A\0B\r\n", 5), {QString("A") + QChar(0) + "B"}}),
    [](const testing::TestParamInfo<LinesCase> &info) { return std::string(info.param.name); });

TEST_F(PlaylistsFileTest, Utf16DecodesWhateverItHolds)
{
    // An odd last byte cannot be a character; it becomes U+FFFD and the rest is kept.
    writeBytes(path(), QByteArray("\xFF\xFE"
                                  "A\x00\r\x00\n\x00"
                                  "B\x00"
                                  "C",
                                  11));
    PlaylistsReadResult read = readPlaylistsFile(path());
    EXPECT_EQ(read.error, QString());
    EXPECT_EQ(read.encoding, TextEncoding::Utf16LE);
    EXPECT_EQ(read.entries, QStringList({"A", QStringLiteral(u"B\uFFFD")}));

    // Only the first mark is taken away; a lone surrogate is kept rather than refused.
    writeBytes(path(), QByteArray("\xFE\xFF\xFE\xFF\x00"
                                  "A\xD8\x00",
                                  8));
    read = readPlaylistsFile(path());
    EXPECT_EQ(read.error, QString());
    EXPECT_EQ(read.encoding, TextEncoding::Utf16BE);
    EXPECT_EQ(read.entries, QStringList({QString(QChar(0xFEFF)) + "A" + QChar(0xD800)}));

    // A lone mark byte: too short for any mark, so it is Windows-1252.
    writeBytes(path(), QByteArray("\xFF"));
    read = readPlaylistsFile(path());
    EXPECT_EQ(read.encoding, TextEncoding::Ansi);
    EXPECT_EQ(read.entries, QStringList({QString(QChar(0xFF))}));
}

TEST_F(PlaylistsFileTest, InvalidUtf8AfterMarkGivesNoEntriesButRemembersUtf8)
{
    const PlaylistsReadResult read = readPlaylistsFile(kDataDir + "invalid_utf8.lst");
    EXPECT_TRUE(read.exists);
    EXPECT_EQ(read.error, QString::fromLatin1(kNoMappingMessage));
    EXPECT_TRUE(read.entries.isEmpty());
    EXPECT_EQ(read.encoding, TextEncoding::Utf8);
    EXPECT_TRUE(read.encodingFound);
}

TEST_F(PlaylistsFileTest, MissingFileIsNoError)
{
    PlaylistsReadResult read = readPlaylistsFile(path());
    EXPECT_FALSE(read.exists);
    EXPECT_EQ(read.error, QString());
    EXPECT_TRUE(read.entries.isEmpty());
    EXPECT_FALSE(read.encodingFound);

    // A symbolic link is followed: one that leads nowhere is no file either.
    ASSERT_TRUE(QFile::link(path("nowhere.lst"), path()));
    read = readPlaylistsFile(path());
    EXPECT_FALSE(read.exists);
    EXPECT_EQ(read.error, QString());
}

TEST_F(PlaylistsFileTest, DirectoryInPlaceOfTheFileIsReported)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("Playlists.lst"));
    const PlaylistsReadResult read = readPlaylistsFile(path());
    EXPECT_TRUE(read.exists);
    EXPECT_TRUE(read.entries.isEmpty());
    EXPECT_FALSE(read.encodingFound);
    const QString prefix = QStringLiteral("Cannot open file \"%1\". ").arg(QDir::toNativeSeparators(path()));
    EXPECT_TRUE(read.error.startsWith(prefix)) << read.error.toStdString();
    EXPECT_GT(read.error.size(), prefix.size()) << "no system description";
}

TEST_F(PlaylistsFileTest, EntriesTheEncodingCannotHoldAreWrittenAsUtf8WithMark)
{
    const QStringList entries = {QStringLiteral("http://a"), QString::fromUtf8("file:///C:\\TV\\Кино.m3u")};
    EXPECT_EQ(chooseWriteEncoding(entries, TextEncoding::Ansi), TextEncoding::Utf8);
    ASSERT_EQ(writePlaylistsFile(path(), entries, TextEncoding::Ansi, false), QString());
    EXPECT_TRUE(readBytes(path()).startsWith("\xEF\xBB\xBFhttp://a\r\nfile:///"));

    const PlaylistsReadResult read = readPlaylistsFile(path());
    EXPECT_EQ(read.error, QString());
    EXPECT_EQ(read.entries, entries);
    EXPECT_EQ(read.encoding, TextEncoding::Utf8);

    // Even UTF-8 has no form for a lone surrogate; UTF-16 keeps it.
    const QStringList lone = {QString(QChar(0xDC00))};
    EXPECT_EQ(chooseWriteEncoding(lone, TextEncoding::Ansi), TextEncoding::Utf16LE);
    ASSERT_EQ(writePlaylistsFile(path(), lone, TextEncoding::Utf8, false), QString());
    EXPECT_EQ(readPlaylistsFile(path()).entries, lone);

    EXPECT_EQ(chooseWriteEncoding(entries, TextEncoding::Utf16BE), TextEncoding::Utf16BE);
    EXPECT_EQ(chooseWriteEncoding({}, TextEncoding::Ansi), TextEncoding::Ansi);
}

TEST_F(PlaylistsFileTest, UncreatableFileIsReported)
{
    writeBytes(path("notadir"), "a file");
    const QString target = path("notadir/Playlists.lst");
    const QString message = writePlaylistsFile(target, {"A"}, TextEncoding::Ansi, false);
    const QString prefix =
        QStringLiteral("Cannot create file \"%1\". ").arg(QDir::toNativeSeparators(target));
    EXPECT_TRUE(message.startsWith(prefix)) << message.toStdString();
    EXPECT_GT(message.size(), prefix.size()) << "no system description";
    EXPECT_EQ(readBytes(path("notadir")), QByteArray("a file"));
}

#ifdef Q_OS_LINUX
// Running as root, no permission keeps a write from failing; a file-size limit does.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_savedHandler);
    }

private:
    rlimit m_saved{};
    void (*m_savedHandler)(int) = nullptr;
};

TEST_F(PlaylistsFileTest, FailedWriteLeavesTheOldFileWhole)
{
    const QByteArray old("file:///old.m3u\r\n");
    writeBytes(path(), old);
    const QStringList entries(200, QStringLiteral("http://example.org/a/long/playlist/address.m3u"));
    QString message;
    {
        FileSizeLimit limit(1024);
        message = writePlaylistsFile(path(), entries, TextEncoding::Ansi, false);
    }
    const QString prefix =
        QStringLiteral("Cannot create file \"%1\". ").arg(QDir::toNativeSeparators(path()));
    EXPECT_TRUE(message.startsWith(prefix)) << message.toStdString();
    EXPECT_GT(message.size(), prefix.size()) << "no system description";
    EXPECT_EQ(readBytes(path()), old);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList({"Playlists.lst"}))
        << "temporary file left";
}
#endif

TEST_F(PlaylistsFileTest, BackupKeepsTheUnreadFileAndReplacesAnOlderBackup)
{
    const QByteArray unread("\xEF\xBB\xBFnot \xC3\x28 utf-8\r\n");
    writeBytes(path(), unread);
    writeBytes(path("Playlists.lst.bak"), "an older backup");
    ASSERT_EQ(writePlaylistsFile(path(), {"A"}, TextEncoding::Utf8, true), QString());
    EXPECT_EQ(readBytes(path("Playlists.lst.bak")), unread);
    EXPECT_EQ(readBytes(path()), QByteArray("\xEF\xBB\xBF"
                                            "A\r\n"));

    // Without the request, or without a file to keep, no backup is made or changed.
    ASSERT_EQ(writePlaylistsFile(path(), {"B"}, TextEncoding::Ansi, false), QString());
    EXPECT_EQ(readBytes(path("Playlists.lst.bak")), unread);
    ASSERT_EQ(writePlaylistsFile(path("Fresh.lst"), {"C"}, TextEncoding::Ansi, true), QString());
    EXPECT_FALSE(QFile::exists(path("Fresh.lst.bak")));
    EXPECT_EQ(readBytes(path("Fresh.lst")), QByteArray("C\r\n"));
}

TEST_F(PlaylistsFileTest, BackupThatCannotBeMadeStopsTheWrite)
{
    const QByteArray old("old\r\n");
    writeBytes(path(), old);
    // A directory with content where the backup should go cannot be replaced by a file.
    ASSERT_TRUE(QDir(m_dir.path()).mkpath("Playlists.lst.bak/inside"));
    const QString message = writePlaylistsFile(path(), {"new"}, TextEncoding::Ansi, true);
    const QString bak = QDir::toNativeSeparators(path("Playlists.lst.bak"));
    EXPECT_TRUE(message.startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(bak)))
        << message.toStdString();
    EXPECT_EQ(readBytes(path()), old);
}

} // namespace

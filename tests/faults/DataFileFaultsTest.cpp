// Faults around Playlists.lst: places that refuse the write, a full disk, the file turned into a
// directory or gone before the program closes. After each, the previous file is whole or the new
// one is, and the message is the one the user is shown.

#include "FaultTestUtil.h"
#include "ScopedMount.h"

#include "favourites/Utf8StringStream.h"
#include "sources/PlaylistsFile.h"
#include "sources/TextCodecs.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray encodedList(const QStringList &entries)
{
    QByteArray bytes;
    for (const QString &entry : entries)
        bytes += encodeWindows1252(entry).value() + "\r\n";
    return bytes;
}

const QStringList kOldEntries = {QStringLiteral("https://old.example/list.m3u"),
                                 QStringLiteral("file:///C:\\TV\\old.m3u")};

// What a refusing place looks like, made inside `dir`: where the list is to be written, what is
// there already (kept, whatever happens) and the system's reason for refusing.
struct Refusal {
    QString path;
    std::optional<QByteArray> previous;
    int error = 0;
    QString skip; // why this machine cannot set the place up
    std::optional<ScopedMount> mount;
};

struct RefusalCase {
    const char *name;
    std::function<Refusal(const QString &dir, const QString &fileName)> make;
    int entries; // how many entries the new list has (a full disk needs a big one)
};

Refusal readOnlyDirectory(const QString &dir, const QString &fileName)
{
    Refusal refusal;
    refusal.path = dir + u'/' + fileName;
    refusal.previous = encodedList(kOldEntries);
    storeBytes(refusal.path, *refusal.previous);
    refusal.mount.emplace(ScopedMount::readOnlyBind(dir));
    refusal.skip = refusal.mount->error();
    refusal.error = EROFS;
    return refusal;
}

Refusal parentIsARegularFile(const QString &dir, const QString &fileName)
{
    Refusal refusal;
    storeBytes(dir + QStringLiteral("/data"), "not a directory");
    refusal.path = dir + QStringLiteral("/data/") + fileName;
    refusal.error = ENOTDIR;
    return refusal;
}

Refusal fullDisk(const QString &dir, const QString &fileName)
{
    Refusal refusal;
    refusal.mount.emplace(ScopedMount::tmpfs(dir, QStringLiteral("64k")));
    refusal.skip = refusal.mount->error();
    refusal.path = dir + u'/' + fileName;
    refusal.previous = encodedList(kOldEntries);
    if (refusal.skip.isEmpty())
        storeBytes(refusal.path, *refusal.previous);
    refusal.error = ENOSPC;
    return refusal;
}

// The two data files and how the program writes each at close.
struct DataFile {
    const char *name;
    QString fileName;
    std::function<QString(const QString &path, const QStringList &entries, bool backupExisting)> write;
};

QString writeFavourites(const QString &path, const QStringList &entries, bool backupExisting)
{
    Utf8StringStream stream;
    for (const QString &entry : entries)
        stream.writeText(QStringLiteral("#EXTINF:-1,Channel\r\n") + entry + QStringLiteral("\r\n\r\n"));
    return stream.saveToFile(path, backupExisting);
}

const DataFile kPlaylists{"Playlists", QStringLiteral("Playlists.lst"),
                          [](const QString &path, const QStringList &entries, bool backupExisting) {
                              return writePlaylistsFile(path, entries, TextEncoding::Ansi, backupExisting);
                          }};
const DataFile kFavourites{"Favourites", QStringLiteral("FavouritesPlaylist.m3u"), writeFavourites};

void PrintTo(const DataFile &file, std::ostream *out)
{
    *out << file.name;
}

void PrintTo(const RefusalCase &refusal, std::ostream *out)
{
    *out << refusal.name;
}

class RefusedWriteTest : public testing::TestWithParam<std::tuple<DataFile, RefusalCase, bool>> {};

TEST_P(RefusedWriteTest, KeepsThePreviousFileAndSaysWhy)
{
    const auto &[dataFile, refusalCase, backupExisting] = GetParam();
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString dir = tmp.filePath(QStringLiteral("exe"));
    ASSERT_TRUE(QDir().mkpath(dir));
    Refusal refusal = refusalCase.make(dir, dataFile.fileName);
    if (!refusal.skip.isEmpty())
        GTEST_SKIP() << refusal.skip.toStdString();

    const QStringList entries = manyEntries(refusalCase.entries, 40);
    EXPECT_EQ(dataFile.write(refusal.path, entries, backupExisting),
              cannotCreateMessage(refusal.path, systemReason(refusal.error)));
    EXPECT_EQ(fileBytes(refusal.path), refusal.previous);
    // Nothing half-written is left behind: no temporary file, no partial backup.
    QStringList left = QDir(QFileInfo(refusal.path).path()).entryList(QDir::Files | QDir::NoDotAndDotDot);
    EXPECT_EQ(left, refusal.previous ? QStringList{dataFile.fileName} : QStringList{});
}

INSTANTIATE_TEST_SUITE_P(
    Places, RefusedWriteTest,
    testing::Combine(testing::Values(kPlaylists, kFavourites),
                     testing::Values(RefusalCase{"ReadOnlyDirectory", readOnlyDirectory, 10},
                                     RefusalCase{"ParentIsARegularFile", parentIsARegularFile, 10},
                                     RefusalCase{"FullDisk", fullDisk, 4000}),
                     testing::Bool()),
    [](const auto &info) {
        return std::string(std::get<0>(info.param).name) + std::get<1>(info.param).name +
               (std::get<2>(info.param) ? "WithBackup" : "");
    });

class DataFileFaultTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_tmp.isValid());
        m_path = m_tmp.filePath(QStringLiteral("Playlists.lst"));
    }

    QTemporaryDir m_tmp;
    QString m_path;
};

// Room for the new file but not for the copy of the old one: the save is refused before the old
// file is touched, and no cut-off backup stays behind.
TEST_F(DataFileFaultTest, DiskFullWhileKeepingTheBackupLeavesTheOldFileAlone)
{
    ScopedMount mount = ScopedMount::tmpfs(m_tmp.path(), QStringLiteral("64k"));
    if (!mount.error().isEmpty())
        GTEST_SKIP() << mount.error().toStdString();
    const QStringList oldEntries = manyEntries(400, 40, u'o'); // about 24 KB
    const QByteArray old = encodedList(oldEntries);
    ASSERT_TRUE(storeBytes(m_path, old));

    const QString error = writePlaylistsFile(m_path, manyEntries(400, 40, u'n'), TextEncoding::Ansi, true);
    EXPECT_EQ(error, cannotCreateMessage(m_path + QStringLiteral(".bak"), systemReason(ENOSPC)));
    EXPECT_EQ(fileBytes(m_path), old);
    EXPECT_EQ(QDir(m_tmp.path()).entryList(QDir::Files), QStringList{QStringLiteral("Playlists.lst")});
}

// The file read at start became a directory before the close: the save is refused, with or
// without a backup, and the directory and what it holds survive.
TEST_F(DataFileFaultTest, FileReplacedByADirectoryLosesNothing)
{
    for (const bool backupExisting : {false, true}) {
        SCOPED_TRACE(backupExisting ? "with backup" : "without backup");
        ASSERT_TRUE(storeBytes(m_path, encodedList(kOldEntries)));
        ASSERT_EQ(readPlaylistsFile(m_path).entries, kOldEntries);
        ASSERT_TRUE(QFile::remove(m_path));
        ASSERT_TRUE(QDir().mkpath(m_path));
        ASSERT_TRUE(storeBytes(m_path + QStringLiteral("/inside.txt"), "keep me"));

        EXPECT_EQ(writePlaylistsFile(m_path, manyEntries(3, 10), TextEncoding::Ansi, backupExisting),
                  cannotCreateMessage(m_path, systemReason(EISDIR)));
        EXPECT_EQ(fileBytes(m_path + QStringLiteral("/inside.txt")), QByteArray("keep me"));
        EXPECT_EQ(QDir(m_tmp.path()).entryList(QDir::Files), QStringList{});
        QDir(m_path).removeRecursively();
    }
}

// Read at start, deleted by someone else before the close: the list is simply written anew.
TEST_F(DataFileFaultTest, FileThatVanishedBeforeTheCloseIsWrittenAnew)
{
    for (const bool backupExisting : {false, true}) {
        SCOPED_TRACE(backupExisting ? "with backup" : "without backup");
        ASSERT_TRUE(storeBytes(m_path, encodedList(kOldEntries)));
        const PlaylistsReadResult read = readPlaylistsFile(m_path);
        ASSERT_EQ(read.entries, kOldEntries);
        ASSERT_TRUE(QFile::remove(m_path));

        const QStringList entries = read.entries + QStringList{QStringLiteral("http://new.example/")};
        EXPECT_EQ(writePlaylistsFile(m_path, entries, read.encoding, backupExisting), QString());
        EXPECT_EQ(fileBytes(m_path), encodedList(entries));
        EXPECT_FALSE(QFileInfo::exists(m_path + QStringLiteral(".bak")));
        QFile::remove(m_path);
    }
}

// At start a directory where the file should be is a file that cannot be opened.
TEST_F(DataFileFaultTest, DirectoryInPlaceOfTheFileAtStartIsReported)
{
    ASSERT_TRUE(QDir().mkpath(m_path));
    const PlaylistsReadResult read = readPlaylistsFile(m_path);
    EXPECT_TRUE(read.exists);
    EXPECT_TRUE(read.entries.isEmpty());
    EXPECT_EQ(read.error, QStringLiteral("Cannot open file \"%1\". %2").arg(m_path, systemReason(EISDIR)));
}

} // namespace

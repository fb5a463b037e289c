// Faults around Playlists.lst: places that refuse the write, a full disk, the file turned into a
// directory or gone before the program closes. After each, the previous file is whole or the new
// one is, and the message is the one the user is shown.

#include "FaultTestUtil.h"
#include "ScopedMount.h"

#include "favourites/Utf8StringStream.h"
#include "shell/NorvaleError.h"
#include "sources/PlaylistsFile.h"
#include "sources/TextCodecs.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
    bool unprivileged = false; // the write is made by an ordinary user, whom permissions stop
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

// The user's own rights refuse it: a directory of root's with r-x for everyone else. Root
// passes over permissions, so the write is then made by "nobody".
Refusal nonWritableDirectory(const QString &dir, const QString &fileName, bool fileWritable)
{
    Refusal refusal;
    refusal.path = dir + u'/' + fileName;
    refusal.previous = encodedList(kOldEntries);
    storeBytes(refusal.path, *refusal.previous);
    const QByteArray file = QFile::encodeName(refusal.path);
    ::chmod(file.constData(), fileWritable ? 0666 : 0644);
    // Everyone must reach the directory, or the refusal would come from a parent.
    for (QString up = dir; up != QDir::tempPath() && up.size() > 1; up = QFileInfo(up).path())
        ::chmod(QFile::encodeName(up).constData(), 0755);
    ::chmod(QFile::encodeName(dir).constData(), 0555);
    refusal.error = EACCES;
    refusal.unprivileged = true;
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

// The two data files: how the program writes each at close, the bytes it writes for a list of
// entries, and its read at start (the message shown, empty when the read succeeds).
struct DataFile {
    const char *name;
    QString fileName;
    std::function<QString(const QString &path, const QStringList &entries, bool backupExisting)> write;
    std::function<QByteArray(const QStringList &entries)> bytes;
    std::function<QString(const QString &path)> readError;
};

QString favouriteRecords(const QStringList &entries)
{
    QString text;
    for (const QString &entry : entries)
        text += QStringLiteral("#EXTINF:-1,Channel\r\n") + entry + QStringLiteral("\r\n\r\n");
    return text;
}

QString writeFavourites(const QString &path, const QStringList &entries, bool backupExisting)
{
    Utf8StringStream stream;
    stream.writeText(favouriteRecords(entries));
    return stream.saveToFile(path, backupExisting);
}

QString readFavourites(const QString &path)
{
    Utf8StringStream stream;
    try {
        stream.loadFromFile(path);
        stream.wholeText();
        return {};
    } catch (const NorvaleError &error) {
        return error.message();
    }
}

// Runs `write` as an ordinary user when we are root: in a child process that gives up root,
// handing back the message through a pipe.
QString writeUnprivileged(const std::function<QString()> &write, QString *failure)
{
    if (::geteuid() != 0)
        return write();
    int channel[2];
    if (::pipe(channel) != 0) {
        *failure = QStringLiteral("no pipe");
        return {};
    }
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            _exit(4);
        const QByteArray message = write().toUtf8();
        _exit(::write(channel[1], message.constData(), size_t(message.size())) == message.size() ? 0 : 3);
    }
    ::close(channel[1]);
    QByteArray message;
    char buffer[1024];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        message.append(buffer, n);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 4)
        *failure =
            QStringLiteral("the writing process could not become the user nobody or crashed, status %1")
                .arg(status);
    else if (WEXITSTATUS(status) != 0)
        *failure = QStringLiteral("the writing process failed, status %1").arg(status);
    return QString::fromUtf8(message);
}

const DataFile kPlaylists{"Playlists", QStringLiteral("Playlists.lst"),
                          [](const QString &path, const QStringList &entries, bool backupExisting) {
                              return writePlaylistsFile(path, entries, TextEncoding::Ansi, backupExisting);
                          },
                          encodedList, [](const QString &path) { return readPlaylistsFile(path).error; }};
const DataFile kFavourites{"Favourites", QStringLiteral("FavouritesPlaylist.m3u"), writeFavourites,
                           [](const QStringList &entries) { return favouriteRecords(entries).toUtf8(); },
                           readFavourites};

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
    const auto write = [&] { return dataFile.write(refusal.path, entries, backupExisting); };
    QString message;
    if (refusal.unprivileged) {
        QString failed;
        message = writeUnprivileged(write, &failed);
        ASSERT_EQ(failed, QString());
    } else {
        message = write();
    }
    EXPECT_EQ(message, cannotCreateMessage(refusal.path, systemReason(refusal.error)));
    EXPECT_EQ(fileBytes(refusal.path), refusal.previous);
    // Nothing half-written is left behind: no temporary file, no partial backup.
    QStringList left = QDir(QFileInfo(refusal.path).path()).entryList(QDir::Files | QDir::NoDotAndDotDot);
    EXPECT_EQ(left, refusal.previous ? QStringList{dataFile.fileName} : QStringList{});
}

INSTANTIATE_TEST_SUITE_P(
    Places, RefusedWriteTest,
    testing::Combine(testing::Values(kPlaylists, kFavourites),
                     testing::Values(RefusalCase{"ReadOnlyDirectory", readOnlyDirectory, 10},
                                     RefusalCase{"NonWritableDirectory",
                                                 [](const QString &dir, const QString &fileName) {
                                                     return nonWritableDirectory(dir, fileName, false);
                                                 },
                                                 10},
                                     RefusalCase{"NonWritableDirectoryWritableFile",
                                                 [](const QString &dir, const QString &fileName) {
                                                     return nonWritableDirectory(dir, fileName, true);
                                                 },
                                                 10},
                                     RefusalCase{"ParentIsARegularFile", parentIsARegularFile, 10},
                                     RefusalCase{"FullDisk", fullDisk, 4000}),
                     testing::Bool()),
    [](const auto &info) {
        return std::string(std::get<0>(info.param).name) + std::get<1>(info.param).name +
               (std::get<2>(info.param) ? "WithBackup" : "");
    });

class DataFileFaultTest : public testing::TestWithParam<DataFile> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_tmp.isValid());
        m_path = m_tmp.filePath(GetParam().fileName);
    }

    QTemporaryDir m_tmp;
    QString m_path;
};

// Room for the new file but not for the copy of the old one: the save is refused before the old
// file is touched, and no cut-off backup stays behind.
TEST_P(DataFileFaultTest, DiskFullWhileKeepingTheBackupLeavesTheOldFileAlone)
{
    const DataFile &file = GetParam();
    ScopedMount mount = ScopedMount::tmpfs(m_tmp.path(), QStringLiteral("64k"));
    if (!mount.error().isEmpty())
        GTEST_SKIP() << mount.error().toStdString();
    // About 24 KB each: the new file fits beside the old one, a copy of the old one no longer.
    const int count = int(24000 / file.bytes(manyEntries(1, 40)).size());
    const QByteArray old = file.bytes(manyEntries(count, 40, u'o'));
    ASSERT_TRUE(storeBytes(m_path, old));

    const QString error = file.write(m_path, manyEntries(count, 40, u'n'), true);
    EXPECT_EQ(error, cannotCreateMessage(m_path + QStringLiteral(".bak"), systemReason(ENOSPC)));
    EXPECT_EQ(fileBytes(m_path), old);
    EXPECT_EQ(QDir(m_tmp.path()).entryList(QDir::Files), QStringList{file.fileName});
}

// The file read at start became a directory before the close: the save is refused, with or
// without a backup, and the directory and what it holds survive.
TEST_P(DataFileFaultTest, FileReplacedByADirectoryLosesNothing)
{
    const DataFile &file = GetParam();
    for (const bool backupExisting : {false, true}) {
        SCOPED_TRACE(backupExisting ? "with backup" : "without backup");
        ASSERT_TRUE(storeBytes(m_path, file.bytes(kOldEntries)));
        ASSERT_EQ(file.readError(m_path), QString());
        ASSERT_TRUE(QFile::remove(m_path));
        ASSERT_TRUE(QDir().mkpath(m_path));
        ASSERT_TRUE(storeBytes(m_path + QStringLiteral("/inside.txt"), "keep me"));

        EXPECT_EQ(file.write(m_path, manyEntries(3, 10), backupExisting),
                  cannotCreateMessage(m_path, systemReason(EISDIR)));
        EXPECT_EQ(fileBytes(m_path + QStringLiteral("/inside.txt")), QByteArray("keep me"));
        EXPECT_EQ(QDir(m_tmp.path()).entryList(QDir::Files), QStringList{});
        QDir(m_path).removeRecursively();
    }
}

// Read at start, deleted by someone else before the close: the list is simply written anew.
TEST_P(DataFileFaultTest, FileThatVanishedBeforeTheCloseIsWrittenAnew)
{
    const DataFile &file = GetParam();
    for (const bool backupExisting : {false, true}) {
        SCOPED_TRACE(backupExisting ? "with backup" : "without backup");
        ASSERT_TRUE(storeBytes(m_path, file.bytes(kOldEntries)));
        ASSERT_EQ(file.readError(m_path), QString());
        ASSERT_TRUE(QFile::remove(m_path));

        const QStringList entries = kOldEntries + QStringList{QStringLiteral("http://new.example/")};
        EXPECT_EQ(file.write(m_path, entries, backupExisting), QString());
        EXPECT_EQ(fileBytes(m_path), file.bytes(entries));
        EXPECT_FALSE(QFileInfo::exists(m_path + QStringLiteral(".bak")));
        EXPECT_EQ(QDir(m_tmp.path()).entryList(QDir::Files), QStringList{file.fileName});
        QFile::remove(m_path);
    }
}

// At start a directory where the file should be is a file that cannot be opened.
TEST_P(DataFileFaultTest, DirectoryInPlaceOfTheFileAtStartIsReported)
{
    ASSERT_TRUE(QDir().mkpath(m_path));
    EXPECT_EQ(GetParam().readError(m_path), QStringLiteral("Cannot open file \"%1\". %2")
                                                .arg(QDir::toNativeSeparators(m_path), systemReason(EISDIR)));
    EXPECT_TRUE(QFileInfo(m_path).isDir());
}

// Playlists.lst so blocked is no missing file: start-up reports it and goes on with no entries.
TEST(PlaylistsFileFault, DirectoryInPlaceOfTheFileAtStartGivesNoEntries)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString path = tmp.filePath(QStringLiteral("Playlists.lst"));
    ASSERT_TRUE(QDir().mkpath(path));
    const PlaylistsReadResult read = readPlaylistsFile(path);
    EXPECT_TRUE(read.exists);
    EXPECT_TRUE(read.entries.isEmpty());
    EXPECT_FALSE(read.error.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Files, DataFileFaultTest, testing::Values(kPlaylists, kFavourites),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace

// Where the data files go: beside the executable when that directory takes writes, else in the
// user's data directory, which is made on the first save and read from at the next start.

#include "shell/AppPaths.h"
#include "sources/PlaylistsFile.h"

#include "../../faults/ScopedMount.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace {

// Sets an environment variable (or removes it) for one test and puts the old value back.
class ScopedEnv final {
public:
    ScopedEnv(const char *name, const std::optional<QString> &value)
        : m_name(name), m_old(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt)
    {
        if (value)
            qputenv(name, QFile::encodeName(*value));
        else
            qunsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_old)
            qputenv(m_name, *m_old);
        else
            qunsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    const char *m_name;
    std::optional<QByteArray> m_old;
};

enum class ExeDir { Writable, RefusedBySeam, ReadOnlyMount, Missing };
enum class Expected { ExeDir, XdgDataHome, HomeLocalShare };

struct ChoiceCase {
    const char *name;
    ExeDir exeDir;
    bool xdgDataHomeSet;
    Expected expected;
};

void PrintTo(const ChoiceCase &c, std::ostream *out)
{
    *out << c.name;
}

class DataDirChoiceTest : public testing::TestWithParam<ChoiceCase> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_tmp.isValid());
        m_exe = m_tmp.filePath(QStringLiteral("opt/norvale/bin"));
        m_home = m_tmp.filePath(QStringLiteral("home"));
        m_xdg = m_tmp.filePath(QStringLiteral("xdg-data"));
        ASSERT_TRUE(QDir().mkpath(m_home));
    }
    void TearDown() override
    {
        AppPaths::setRefusesWritesForTesting({});
        AppPaths::setExecutableDirForTesting({});
    }

    QTemporaryDir m_tmp;
    QString m_exe, m_home, m_xdg;
};

TEST_P(DataDirChoiceTest, ReadsAndSavesInTheChosenPlace)
{
    const ChoiceCase &c = GetParam();
    ScopedEnv home("HOME", m_home);
    ScopedEnv xdg("XDG_DATA_HOME", c.xdgDataHomeSet ? std::optional(m_xdg) : std::nullopt);

    std::optional<ScopedMount> mount;
    if (c.exeDir != ExeDir::Missing) {
        ASSERT_TRUE(QDir().mkpath(m_exe));
    }
    if (c.exeDir == ExeDir::RefusedBySeam)
        AppPaths::setRefusesWritesForTesting([this](const QString &dir) { return dir == m_exe + u'/'; });
    if (c.exeDir == ExeDir::ReadOnlyMount) {
        mount.emplace(ScopedMount::readOnlyBind(m_exe));
        if (!mount->error().isEmpty())
            GTEST_SKIP() << mount->error().toStdString();
    }
    AppPaths::setExecutableDirForTesting(m_exe);

    const QString expected = c.expected == Expected::ExeDir ? m_exe + u'/'
                             : c.expected == Expected::XdgDataHome
                                 ? m_xdg + QStringLiteral("/Norvale/")
                                 : m_home + QStringLiteral("/.local/share/Norvale/");
    EXPECT_EQ(AppPaths::dataDir().toStdString(), expected.toStdString());
    EXPECT_EQ(AppPaths::dataFile(QStringLiteral("Playlists.lst")).toStdString(),
              (expected + QStringLiteral("Playlists.lst")).toStdString());

    if (c.expected == Expected::ExeDir) {
        // Saving never makes the executable's directory: a missing one is reported by the save.
        EXPECT_EQ(AppPaths::dataFileForSaving(QStringLiteral("Playlists.lst")).toStdString(),
                  (expected + QStringLiteral("Playlists.lst")).toStdString());
        EXPECT_EQ(QFileInfo::exists(m_exe), c.exeDir != ExeDir::Missing);
        return;
    }

    // Reading does not make the user's directory; the first save does, and the next start reads
    // what was saved there.
    EXPECT_FALSE(QFileInfo::exists(expected));
    EXPECT_TRUE(readPlaylistsFile(AppPaths::dataFile(QStringLiteral("Playlists.lst"))).entries.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(expected));
    const QString saveTo = AppPaths::dataFileForSaving(QStringLiteral("Playlists.lst"));
    EXPECT_EQ(saveTo.toStdString(), (expected + QStringLiteral("Playlists.lst")).toStdString());
    EXPECT_TRUE(QFileInfo(expected).isDir());
    const QStringList entries{QStringLiteral("https://a.example/list.m3u"),
                              QStringLiteral("file:///tmp/b.m3u")};
    ASSERT_EQ(writePlaylistsFile(saveTo, entries, TextEncoding::Ansi, false).toStdString(), "");

    AppPaths::setExecutableDirForTesting(m_exe); // the next start chooses again
    EXPECT_EQ(AppPaths::dataDir().toStdString(), expected.toStdString());
    EXPECT_EQ(readPlaylistsFile(AppPaths::dataFile(QStringLiteral("Playlists.lst"))).entries, entries);
    EXPECT_FALSE(QFileInfo::exists(m_exe + QStringLiteral("/Playlists.lst")));
}

INSTANTIATE_TEST_SUITE_P(
    Places, DataDirChoiceTest,
    testing::Values(
        ChoiceCase{"WritableExeDirIsKept", ExeDir::Writable, true, Expected::ExeDir},
        ChoiceCase{"RefusedExeDirGoesToXdgDataHome", ExeDir::RefusedBySeam, true, Expected::XdgDataHome},
        ChoiceCase{"RefusedExeDirWithoutXdgDataHomeGoesToHome", ExeDir::RefusedBySeam, false,
                   Expected::HomeLocalShare},
        ChoiceCase{"ReadOnlyFileSystemGoesToXdgDataHome", ExeDir::ReadOnlyMount, true, Expected::XdgDataHome},
        ChoiceCase{"MissingExeDirIsKeptForTheSaveToReport", ExeDir::Missing, true, Expected::ExeDir}),
    [](const auto &info) { return std::string(info.param.name); });

// The choice is made once per executable directory: a directory that stops taking writes later in
// the run does not move the files, so the close writes where the start read.
TEST(DataDirChoice, IsMadeOncePerExecutableDirectory)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    bool refuse = false;
    int asked = 0;
    AppPaths::setRefusesWritesForTesting([&](const QString &) {
        ++asked;
        return refuse;
    });
    AppPaths::setExecutableDirForTesting(tmp.path());
    const QString first = AppPaths::dataDir();
    refuse = true;
    EXPECT_EQ(AppPaths::dataDir(), first);
    EXPECT_EQ(AppPaths::dataFileForSaving(QStringLiteral("x")), first + QStringLiteral("x"));
    EXPECT_EQ(asked, 1);
    AppPaths::setExecutableDirForTesting(tmp.path());
    EXPECT_EQ(AppPaths::dataDir(), AppPaths::userDataDir());
    EXPECT_EQ(asked, 2);
    AppPaths::setRefusesWritesForTesting({});
    AppPaths::setExecutableDirForTesting({});
}

// What refusesWrites() says must match what happens when a file is really created there, also
// for root, whom permission bits do not stop.
enum class Place { PlainDirectory, NoWriteBits, ReadOnlyMount, Missing, RegularFile };

struct RefusalCase {
    const char *name;
    Place place;
};

void PrintTo(const RefusalCase &c, std::ostream *out)
{
    *out << c.name;
}

class RefusesWritesTest : public testing::TestWithParam<RefusalCase> {};

TEST_P(RefusesWritesTest, AgreesWithARealAttempt)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString dir = tmp.filePath(QStringLiteral("place"));
    std::optional<ScopedMount> mount;
    switch (GetParam().place) {
    case Place::PlainDirectory:
        ASSERT_TRUE(QDir().mkdir(dir));
        break;
    case Place::NoWriteBits:
        ASSERT_TRUE(QDir().mkdir(dir));
        ASSERT_TRUE(QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                                   QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
        break;
    case Place::ReadOnlyMount:
        ASSERT_TRUE(QDir().mkdir(dir));
        mount.emplace(ScopedMount::readOnlyBind(dir));
        if (!mount->error().isEmpty())
            GTEST_SKIP() << mount->error().toStdString();
        break;
    case Place::Missing:
        break;
    case Place::RegularFile: {
        QFile file(dir);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        break;
    }
    }

    const QByteArray probe = QFile::encodeName(dir + QStringLiteral("/probe"));
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    const int error = fd < 0 ? errno : 0;
    if (fd >= 0) {
        ::close(fd);
        ::unlink(probe.constData());
    }
    const bool refusedByTheSystem = error == EACCES || error == EROFS || error == EPERM;
    EXPECT_EQ(AppPaths::refusesWrites(dir), refusedByTheSystem) << "create gave errno " << error;
    if (GetParam().place == Place::ReadOnlyMount) {
        EXPECT_TRUE(refusedByTheSystem); // a read-only file system refuses root too
    }
    if (GetParam().place == Place::Missing || GetParam().place == Place::RegularFile) {
        EXPECT_FALSE(AppPaths::refusesWrites(dir));
    }
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

INSTANTIATE_TEST_SUITE_P(Places, RefusesWritesTest,
                         testing::Values(RefusalCase{"PlainDirectory", Place::PlainDirectory},
                                         RefusalCase{"NoWriteBits", Place::NoWriteBits},
                                         RefusalCase{"ReadOnlyMount", Place::ReadOnlyMount},
                                         RefusalCase{"Missing", Place::Missing},
                                         RefusalCase{"RegularFile", Place::RegularFile}),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace

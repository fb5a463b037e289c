// A process killed in the middle of saving a large list: whenever it dies, Playlists.lst (and
// its backup) is one of the lists it was writing, whole, or the one that was there before.

#include "FaultTestUtil.h"

#include "sources/PlaylistsFile.h"
#include "sources/TextCodecs.h"

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

// Saves the two lists in turn, for ever, until it is killed. A byte on `progress` marks the
// beginning ('b') and the end ('e') of every save, so the parent knows where the kill landed.
[[noreturn]] void saveForEver(const QString &path, const QStringList &first, const QStringList &second,
                              bool backupExisting, int progress)
{
    for (int round = 0;; ++round) {
        const QStringList &entries = round % 2 == 0 ? first : second;
        if (write(progress, "b", 1) != 1)
            _exit(3);
        if (!writePlaylistsFile(path, entries, TextEncoding::Utf8, backupExisting).isEmpty())
            _exit(2);
        if (write(progress, "e", 1) != 1)
            _exit(3);
    }
}

class KilledSaveTest : public testing::TestWithParam<bool> {};

TEST_P(KilledSaveTest, FileIsAlwaysOneWholeList)
{
    const bool backupExisting = GetParam();
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString path = tmp.filePath(QStringLiteral("Playlists.lst"));
    const QString bak = path + QStringLiteral(".bak");

    // Two lists of a few megabytes, so a save takes long enough to be caught in the middle; the
    // Cyrillic letters make them UTF-8 with the mark.
    const QStringList first = manyEntries(60000, 40, QChar(0x0416));
    const QStringList second = manyEntries(50000, 60, u'b');
    const QStringList before = {QStringLiteral("http://before.example/")};
    std::vector<QByteArray> whole;
    for (const QStringList *entries : {&before, &first, &second}) {
        ASSERT_EQ(writePlaylistsFile(path, *entries, TextEncoding::Utf8, false), QString());
        whole.push_back(fileBytes(path).value());
    }
    ASSERT_TRUE(storeBytes(path, whole[0]));
    const auto isWhole = [&whole](const std::optional<QByteArray> &bytes) {
        return bytes && std::find(whole.begin(), whole.end(), *bytes) != whole.end();
    };

    QRandomGenerator random(20240611u);
    int killedMidSave = 0;
    int completedSaves = 0;
    int temporariesLeft = 0;
    constexpr int Attempts = 25;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        int progress[2];
        ASSERT_EQ(pipe(progress), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(progress[0]);
            saveForEver(path, first, second, backupExisting, progress[1]);
        }
        close(progress[1]);
        std::this_thread::sleep_for(std::chrono::microseconds(random.bounded(2000, 400000)));
        ASSERT_EQ(kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving process ended by itself, status " << status;
        QByteArray marks;
        char buffer[256];
        for (ssize_t n; (n = read(progress[0], buffer, sizeof buffer)) > 0;)
            marks.append(buffer, n);
        close(progress[0]);
        killedMidSave += marks.endsWith('b') ? 1 : 0;
        completedSaves += int(marks.count('e'));

        SCOPED_TRACE(attempt);
        EXPECT_TRUE(isWhole(fileBytes(path)));
        if (backupExisting && QFileInfo::exists(bak)) {
            EXPECT_TRUE(isWhole(fileBytes(bak)));
        }
        // A save cut off may leave its temporary file beside the list (where the system has no
        // unnamed temporary files); it is never taken for the list.
        for (const QString &name : QDir(tmp.path()).entryList(QDir::Files)) {
            if (name != QStringLiteral("Playlists.lst") && name != QStringLiteral("Playlists.lst.bak")) {
                ++temporariesLeft;
                QFile::remove(tmp.filePath(name));
            }
        }
    }
    RecordProperty("killed_mid_save", killedMidSave);
    RecordProperty("temporaries_left", temporariesLeft);
    std::printf("killed %d saving processes, %d inside a save; %d saves completed; %d temporary files left\n",
                Attempts, killedMidSave, completedSaves, temporariesLeft);
    // Most kills must land inside a save, or the test proved nothing.
    EXPECT_GT(killedMidSave, Attempts / 2);
}

INSTANTIATE_TEST_SUITE_P(Saves, KilledSaveTest, testing::Bool(),
                         [](const auto &info) { return info.param ? "WithBackup" : "Plain"; });

} // namespace

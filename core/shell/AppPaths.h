#pragma once

#include <QString>

#include <functional>

// Where the program keeps its data files. A portable copy keeps them beside the executable; an
// installed one, whose directory refuses writes, keeps them in the user's data directory
// ($XDG_DATA_HOME/Norvale, else ~/.local/share/Norvale). The choice is made once per executable
// directory, so a run reads and writes the same place.
namespace AppPaths {
QString executableDir();                             // with its trailing separator
void setExecutableDirForTesting(const QString &dir); // empty restores the real directory

QString dataDir(); // the chosen directory, with its trailing separator
QString dataFile(const QString &fileName);
// The same path; when the user's data directory is the one chosen it is created first, so the
// first save of an installed copy finds it.
QString dataFileForSaving(const QString &fileName);

// The rule behind dataDir(), apart for tests.
QString userDataDir(); // QStandardPaths::GenericDataLocation + "/Norvale/"
// True when the directory exists but the system would refuse to create a file in it (access(2)
// with W_OK, so a read-only file system refuses root too). A missing directory, or a file in its
// place, is not refused here: a save there fails and says why, instead of moving the data
// elsewhere unseen.
bool refusesWrites(const QString &dir);
// Replaces refusesWrites() in dataDir(); an empty function restores it. Resets the choice.
void setRefusesWritesForTesting(std::function<bool(const QString &)> check);
} // namespace AppPaths

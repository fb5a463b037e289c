#pragma once

#include <QString>

// Where the program keeps its data files: the directory of the running executable, with its
// trailing separator. Tests point it at a temporary directory instead of relying on the build tree.
namespace AppPaths {
QString executableDir();
void setExecutableDirForTesting(const QString &dir); // empty restores the real directory
QString dataFile(const QString &fileName);
} // namespace AppPaths

#include "AppPaths.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString &overrideDir()
{
    static QString dir;
    return dir;
}

QString withSeparator(QString dir)
{
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}
} // namespace

QString AppPaths::executableDir()
{
    if (!overrideDir().isEmpty())
        return overrideDir();
    return withSeparator(QCoreApplication::applicationDirPath());
}

void AppPaths::setExecutableDirForTesting(const QString &dir)
{
    overrideDir() = dir.isEmpty() ? QString() : withSeparator(QDir(dir).absolutePath());
}

QString AppPaths::dataFile(const QString &fileName)
{
    return executableDir() + fileName;
}

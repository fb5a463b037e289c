#include "AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <unistd.h>

namespace {
struct State {
    QString overrideDir;
    std::function<bool(const QString &)> refusesWrites;
    // The choice made for chosenFor; made again when the executable directory changes.
    QString chosenFor;
    QString chosen;
    bool userDirChosen = false;
};

State &state()
{
    static State s;
    return s;
}

QString withSeparator(QString dir)
{
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

void forgetChoice()
{
    state().chosenFor.clear();
    state().chosen.clear();
    state().userDirChosen = false;
}
} // namespace

QString AppPaths::executableDir()
{
    if (!state().overrideDir.isEmpty())
        return state().overrideDir;
    return withSeparator(QCoreApplication::applicationDirPath());
}

void AppPaths::setExecutableDirForTesting(const QString &dir)
{
    state().overrideDir = dir.isEmpty() ? QString() : withSeparator(QDir(dir).absolutePath());
    forgetChoice();
}

QString AppPaths::userDataDir()
{
    return withSeparator(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                         QStringLiteral("/Norvale"));
}

bool AppPaths::refusesWrites(const QString &dir)
{
    if (!QFileInfo(dir).isDir())
        return false;
    const QByteArray path = QFile::encodeName(dir);
    if (::access(path.constData(), W_OK | X_OK) == 0)
        return false;
    return errno == EACCES || errno == EROFS || errno == EPERM;
}

void AppPaths::setRefusesWritesForTesting(std::function<bool(const QString &)> check)
{
    state().refusesWrites = std::move(check);
    forgetChoice();
}

QString AppPaths::dataDir()
{
    State &s = state();
    const QString exeDir = executableDir();
    if (s.chosenFor != exeDir || s.chosen.isEmpty()) {
        const bool refused = s.refusesWrites ? s.refusesWrites(exeDir) : refusesWrites(exeDir);
        s.chosenFor = exeDir;
        s.userDirChosen = refused;
        s.chosen = refused ? userDataDir() : exeDir;
    }
    return s.chosen;
}

QString AppPaths::dataFile(const QString &fileName)
{
    return dataDir() + fileName;
}

QString AppPaths::dataFileForSaving(const QString &fileName)
{
    const QString dir = dataDir();
    // Only our own directory is created; a missing executable directory stays an error to report.
    // A failure here shows up as the save's own "Cannot create file" message.
    if (state().userDirChosen)
        QDir().mkpath(dir);
    return dir + fileName;
}

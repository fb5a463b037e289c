#include "FileReading.h"

#include "NorvaleError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

QString cannotOpenFileMessage(const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot open file \"%1\". %2")
        .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()), reason);
}

QByteArray readWholeFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        // Qt words a directory its own way; the user is told the system's reason, as elsewhere.
        const QString reason =
            QFileInfo(path).isDir() ? QString::fromLocal8Bit(std::strerror(EISDIR)) : file.errorString();
        throw NorvaleError(cannotOpenFileMessage(path, reason));
    }
    QByteArray bytes = file.readAll();
    // A directory opens on some systems and then fails on the first read.
    if (file.error() != QFileDevice::NoError)
        throw NorvaleError(cannotOpenFileMessage(path, file.errorString()));
    return bytes;
}

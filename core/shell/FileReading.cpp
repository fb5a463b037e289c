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

QString fileErrorReason(const QString &path, const QFileDevice &file)
{
    if (QFileInfo(path).isDir())
        return QString::fromLocal8Bit(std::strerror(EISDIR));
    return file.errorString();
}

QByteArray readWholeFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw NorvaleError(cannotOpenFileMessage(path, fileErrorReason(path, file)));
    QByteArray bytes = file.readAll();
    // A directory opens on some systems and then fails on the first read.
    if (file.error() != QFileDevice::NoError)
        throw NorvaleError(cannotOpenFileMessage(path, file.errorString()));
    return bytes;
}

#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <optional>
#include <ostream>

// Readable failure output for Qt strings.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

// The bytes of a file, or nothing when there is no readable file there.
inline std::optional<QByteArray> fileBytes(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

inline bool storeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The text the user is shown for a file that could not be written: the full path, then the reason.
inline QString cannotCreateMessage(const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot create file \"%1\". %2")
        .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()), reason);
}

// A list of `count` local entries of about `width` characters each.
inline QStringList manyEntries(int count, int width, QChar fill = u'x')
{
    QStringList entries;
    entries.reserve(count);
    for (int i = 0; i < count; ++i)
        entries << QStringLiteral("file:///C:\\TV\\%1\\").arg(i) + QString(width, fill) +
                       QStringLiteral(".m3u");
    return entries;
}

#include "AtomicFile.h"

#include "FileReading.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace {

// Qt 6.4's buffered QSaveFile drops the rest of a short write (a full disk, a size limit) and
// still commits, leaving a cut-off file. Unbuffered, every short write is seen and retried, and
// the write that fails leaves its reason in errorString().
bool openForWriting(QSaveFile &file)
{
    return file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

bool writeAll(QSaveFile &file, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const qint64 written = file.write(bytes.data(), bytes.size());
        if (written <= 0)
            return false;
        bytes = bytes.sliced(written);
    }
    return true;
}

std::filesystem::path fsPath(const QString &path)
{
    return std::filesystem::path(path.toStdU16String());
}

// Keeps a copy of the file at `path` as "<path>.bak". A file we cannot read is moved aside
// instead; `moved` then tells the caller to move it back should the new file not arrive.
QString backUp(const QString &path, bool &moved)
{
    moved = false;
    const QString bakPath = path + QStringLiteral(".bak");
    QFile original(path);
    if (original.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = original.readAll();
        if (original.error() == QFileDevice::NoError) {
            QSaveFile bak(bakPath);
            if (!openForWriting(bak) || !writeAll(bak, bytes) || !bak.commit())
                return cannotCreateFileMessage(bakPath, bak.errorString());
            return {};
        }
    }
    std::error_code ec;
    std::filesystem::rename(fsPath(path), fsPath(bakPath), ec);
    if (ec)
        return cannotCreateFileMessage(bakPath, QString::fromStdString(ec.message()));
    moved = true;
    return {};
}

// Qt words some refusals its own way ("Filename refers to a directory", "Existing file ... is not
// writable"); the user is told the system's reason, as for every other failure.
QString reasonFor(const QString &path, const QFileDevice &file)
{
    if (!QFileInfo(path).isDir() && QFileInfo::exists(path) &&
        ::access(QFile::encodeName(path).constData(), W_OK) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    return fileErrorReason(path, file);
}

} // namespace

QString cannotCreateFileMessage(const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot create file \"%1\". %2")
        .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()), reason);
}

QString writeFileAtomically(const QString &path, QByteArrayView bytes, bool backupExisting)
{
    // Everything is written to the temporary file before the old file is touched, so most
    // failures (no room, no right to write here) leave both it and any backup as they were.
    QSaveFile file(path);
    if (!openForWriting(file) || !writeAll(file, bytes)) {
        const QString error = cannotCreateFileMessage(path, reasonFor(path, file));
        file.cancelWriting();
        return error;
    }

    // The temporary file takes the old file's permissions; one its owner could not read would
    // hide the new content from the next start too.
    constexpr QFileDevice::Permissions OwnerReadWrite =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser;
    if ((file.permissions() & OwnerReadWrite) != OwnerReadWrite)
        file.setPermissions(file.permissions() | OwnerReadWrite);

    bool moved = false;
    if (backupExisting && QFileInfo::exists(path)) {
        const QString error = backUp(path, moved);
        if (!error.isEmpty()) {
            file.cancelWriting();
            return error;
        }
    }
    if (!file.commit()) {
        const QString error = cannotCreateFileMessage(path, reasonFor(path, file));
        if (moved) {
            std::error_code ec;
            std::filesystem::rename(fsPath(path + QStringLiteral(".bak")), fsPath(path), ec);
        }
        return error;
    }
    return {};
}

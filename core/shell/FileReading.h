#pragma once

#include <QByteArray>
#include <QString>

// Reads a whole file into memory. Throws NorvaleError with the user-facing message,
// `Cannot open file "<full path>". <reason>`, when it cannot be opened or read.
QByteArray readWholeFile(const QString &path);

// The message for a file that cannot be opened, as every reader reports it.
QString cannotOpenFileMessage(const QString &path, const QString &reason);

class QFileDevice;
// The reason to give for a failed open of `file` at `path`: the system's words for a directory in
// the way (Qt words that its own way), else the device's error text.
QString fileErrorReason(const QString &path, const QFileDevice &file);

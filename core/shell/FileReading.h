#pragma once

#include <QByteArray>
#include <QString>

// Reads a whole file into memory. Throws NorvaleError with the user-facing message,
// `Cannot open file "<full path>". <reason>`, when it cannot be opened or read.
QByteArray readWholeFile(const QString &path);

// The message for a file that cannot be opened, as every reader reports it.
QString cannotOpenFileMessage(const QString &path, const QString &reason);

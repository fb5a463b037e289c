#pragma once

#include <QByteArrayView>
#include <QString>

// The message for a file that cannot be written, as every writer reports it:
// `Cannot create file "<full path>". <reason>`.
QString cannotCreateFileMessage(const QString &path, const QString &reason);

// Replaces the file at `path` with `bytes` atomically: everything goes to a temporary file beside
// it, which is renamed over the old one only once complete, so a failed write leaves the previous
// file whole. With backupExisting, a file already at `path` is first kept as "<path>.bak"
// (replacing an older one). Returns an empty text on success, else the message to show.
QString writeFileAtomically(const QString &path, QByteArrayView bytes, bool backupExisting = false);

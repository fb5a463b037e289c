#pragma once

#include "TextCodecs.h"

#include <QString>
#include <QStringList>

// Playlists.lst: one source entry per line, every line ending in CR LF, in the encoding its
// byte-order mark names (EF BB BF UTF-8, FF FE UTF-16 LE, FE FF UTF-16 BE) or Windows-1252 when
// it has none.

struct PlaylistsReadResult {
    bool exists = false;                        // false: no file, nothing to report
    QStringList entries;                        // the lines, empty ones included
    TextEncoding encoding = TextEncoding::Ansi; // the encoding to write the list back in
    bool encodingFound = false;                 // whether `encoding` came from the file
    QString error;                              // the message to show; empty when the read succeeded
};

// Reads and decodes the whole file. A file that is missing (symbolic links followed) gives
// exists == false and no error. A file that cannot be opened or read, or that starts with the
// UTF-8 mark but is not valid UTF-8, gives no entries and the message in `error`.
PlaylistsReadResult readPlaylistsFile(const QString &path);

// Cuts decoded text at CR LF, lone CR and lone LF; a break at the very end adds no entry.
QStringList splitPlaylistLines(QStringView text);

// The encoding the list is written in: `encoding` when it can hold every entry, else UTF-8
// (with its mark), so that no character is lost; UTF-16 LE for the one thing UTF-8 cannot
// hold either, a lone surrogate.
TextEncoding chooseWriteEncoding(const QStringList &entries, TextEncoding encoding);

// Writes the mark of the chosen encoding and every entry followed by CR LF, atomically (a
// temporary file beside it, then a rename), so a failed write leaves the old file whole. With
// backupExisting, a file already at `path` is first kept as "<path>.bak" (replacing an older
// one). Returns an empty text on success, else the message to show.
QString writePlaylistsFile(const QString &path, const QStringList &entries, TextEncoding encoding,
                           bool backupExisting);

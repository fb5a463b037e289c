#pragma once

#include <QString>
#include <QStringList>

// A playlist source entry is either "file:///" followed by a local path, or anything else, which
// is fetched over HTTP. Entries are never trimmed or validated.

// Whether the entry names a local file: its first eight characters are "file:///", ignoring case.
bool isLocalSource(const QString &entry);

// The entry without its scheme prefix: one of "https://", "http://" or "file:///" (tested in
// that order, ignoring case) is removed; any other text comes back unchanged.
QString RemoveHttpOrHttpsOrFile(const QString &Url);

// Index of the first entry that is exactly "file:///" + flName (case counts), or -1.
int findLocalEntry(const QStringList &entries, const QString &flName);

// Whether the command line's argument names a playlist file that can be opened as a source: an
// existing file, symbolic links followed. A directory, or anything else that is no file, is not.
bool isExistingPlaylistFile(const QString &path);

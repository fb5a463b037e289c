#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

class ChannelListModel;

// Where the time of one load went, for the benchmark tool. Decoding runs on a second thread
// alongside parsing, so the phases overlap.
struct LocalPlaylistTimings {
    qint64 readNs = 0;   // reading the file
    qint64 decodeNs = 0; // checking that it is UTF-8
    qint64 parseNs = 0;  // the M3U reader
    qint64 sortNs = 0;   // the one bulk add into the list
};

// Reads the playlist file at path as a local source is read (strict UTF-8, one leading
// byte-order mark skipped) and adds its accepted channels to list with one bulk add.
// Returns the message for the user when the file cannot be opened or read or is not valid
// UTF-8; the list is then left as it was. The file is read in pieces into one reused
// buffer, so neither the file nor its decoded text is ever held whole.
std::optional<QString> loadLocalPlaylist(const QString &path, ChannelListModel &list,
                                         LocalPlaylistTimings *timings = nullptr);

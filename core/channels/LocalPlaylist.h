#pragma once

#include "ChannelLoad.h"

#include <QString>

#include <memory>
#include <optional>

class ChannelListModel;

using LocalPlaylistTimings = ChannelLoadTimings;

// Reads the playlist file at path as a local source is read (strict UTF-8, one leading
// byte-order mark skipped) and adds its accepted channels to list in one step, through
// loadChannels(): on the GUI thread the reading, parsing and sorting run on workers while the
// busy window animates. Returns the message for the user when the file cannot be opened or
// read or is not valid UTF-8; the list is then left as it was, as it is when the wait was
// cancelled (*end tells which). The file is read in pieces into one reused buffer, so neither
// the file nor its decoded text is ever held whole.
std::optional<QString> loadLocalPlaylist(const QString &path, ChannelListModel &list,
                                         LocalPlaylistTimings *timings = nullptr, LoadEnd *end = nullptr);

// A local playlist read while its load still waits for its turn: reading, parsing and sorting
// start at once, in the background. The load then uses this work only if it is for the same
// file, unchanged since the work began, and the work succeeded; otherwise it reads the file
// again at its own time, so that what the user sees (rows or the failure) never depends on the
// early start. Dropping it unused stops the work.
class LocalPlaylistReadAhead final {
public:
    LocalPlaylistReadAhead(const QString &path, const ChannelListModel &list);
    ~LocalPlaylistReadAhead();

private:
    friend std::optional<QString> loadLocalPlaylist(const QString &, ChannelListModel &,
                                                    LocalPlaylistReadAhead &, LoadEnd *);
    struct Snapshot;
    static Snapshot snapshot(const QString &path);

    QString m_path;
    std::unique_ptr<Snapshot> m_before;
    std::unique_ptr<ChannelLoadInProgress> m_load;
};

// As above, taking the work of ahead when it may stand for reading path now.
std::optional<QString> loadLocalPlaylist(const QString &path, ChannelListModel &list,
                                         LocalPlaylistReadAhead &ahead, LoadEnd *end);

#pragma once

#include "ChannelLoad.h"

#include <QString>

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

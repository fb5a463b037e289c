#pragma once

#include "channels/TM3UChannel.h"

#include <QString>
#include <QStringView>

class Utf8StringStream;

// The favourites text is a run of records, each
//   "#EXTINF:-1," Name CR LF URL CR LF CR LF
// with no header and nothing between them. Names and addresses are written unchanged.
QString favouriteRecord(const TM3UChannel &channel);
void writeFavouriteRecord(Utf8StringStream &stream, const TM3UChannel &channel);

// Whether a stored record already has the stream address `url`: whole addresses are compared,
// ignoring case, with the stream lines of `text` as the M3U reader sees them (trimmed, neither
// blank nor starting with "#"). An address that is only part of a longer stored one, or that
// appears in a name, is not a match. An empty `url` is never found.
bool favouritesContainAddress(QStringView text, QStringView url);

// The entries of `text` the M3U reader does not list (a rejected name, a name that is a web
// address), exactly as they stand, each ending with a line break. An entry runs from its first
// non-blank line after the previous stream line up to and including its own stream line. Closing
// the favourites administration writes these back after the listed records, so that a record
// the user never saw is never lost.
QString unlistedFavouriteEntries(const QString &text);

// Why a favourite with this name and address would not be listed again by the reader once
// written as a record; an empty text when it would come back exactly as given.
QString favouriteRefusal(const QString &name, const QString &url);

#pragma once

#include <QString>

class ChannelListModel;

// Adds one row to lstBox for every channel of the playlist text Content that the reader
// accepts; existing rows stay. Rejected entries and unusable lines are dropped silently.
// All rows go in with a single bulk add, so the list is sorted and repainted once.
void ParseM3UContent(ChannelListModel &lstBox, const QString &Content);

// Releases the record of every row of lstBox and removes all rows.
void clearChannels(ChannelListModel &lstBox);

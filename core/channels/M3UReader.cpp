#include "M3UReader.h"

#include "ChannelListModel.h"
#include "M3UStreamReader.h"

void ParseM3UContent(ChannelListModel &lstBox, const QString &Content)
{
    M3UStreamReader reader;
    reader.feed(Content);
    reader.finish(lstBox);
}

void clearChannels(ChannelListModel &lstBox)
{
    lstBox.clear();
}

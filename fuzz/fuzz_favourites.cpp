// Fuzzes the favourites text: the bytes are loaded as FavouritesPlaylist.m3u. When they decode,
// every listed favourite must be found by its address, rebuilding the text as the administration
// window does (the listed records, then the entries the reader does not list) must keep every
// favourite and every unlisted entry, and appending a record must append exactly its bytes.

#include "channels/ChannelListModel.h"
#include "channels/M3UReader.h"
#include "favourites/FavouritesText.h"
#include "favourites/Utf8StringStream.h"
#include "shell/NorvaleError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

using Channel = std::pair<QString, QString>;

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_favourites: %s\n", what);
    std::abort();
}

const QTemporaryDir &workDir()
{
    static const QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                       ? QStringLiteral("/dev/shm/norvale-fuzz-XXXXXX")
                                       : QDir::tempPath() + QStringLiteral("/norvale-fuzz-XXXXXX"));
    if (!dir.isValid())
        fail("no temporary directory");
    return dir;
}

std::vector<Channel> channelsOf(const ChannelListModel &list)
{
    std::vector<Channel> channels;
    for (int row = 0; row < list.count(); ++row)
        channels.emplace_back(list.channel(row)->Name, list.channel(row)->URL);
    std::sort(channels.begin(), channels.end());
    return channels;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString path = workDir().filePath(QStringLiteral("FavouritesPlaylist.m3u"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            fail("cannot store the input");
    }

    Utf8StringStream stream;
    stream.loadFromFile(path);
    if (stream.bytes() != bytes || stream.position() != 0)
        fail("loading changed the bytes or moved the position");

    QString text;
    try {
        text = stream.wholeText();
    } catch (const NorvaleError &) {
        return 0; // not UTF-8: the general error handling shows it, nothing is touched
    }

    static ChannelListModel list;
    clearChannels(list);
    ParseM3UContent(list, text);
    const std::vector<Channel> listed = channelsOf(list);
    for (const Channel &channel : listed) {
        if (!favouritesContainAddress(text, channel.second))
            fail("a listed favourite is not found by its own address");
    }

    // What closing the administration window writes when the user changed nothing.
    const QString unlisted = unlistedFavouriteEntries(text);
    Utf8StringStream rebuilt;
    for (int row = 0; row < list.count(); ++row)
        writeFavouriteRecord(rebuilt, *list.channel(row));
    rebuilt.writeText(unlisted);
    const QString rebuiltText = rebuilt.wholeText();
    static ChannelListModel again;
    clearChannels(again);
    ParseM3UContent(again, rebuiltText);
    if (channelsOf(again) != listed)
        fail("rebuilding the favourites lost or added a favourite");
    if (unlistedFavouriteEntries(rebuiltText) != unlisted)
        fail("rebuilding the favourites lost an entry the reader does not list");

    // An append goes at the end, after a load at position 0, and writes exactly the record.
    const TM3UChannel added{QStringLiteral("Added"), QStringLiteral("udp://@239.1.1.1:1234")};
    stream.setPosition(stream.size());
    writeFavouriteRecord(stream, added);
    if (stream.bytes() != bytes + favouriteRecord(added).toUtf8())
        fail("appending a record did not append exactly its bytes");
    if (!stream.saveToFile(path).isEmpty())
        fail("the favourites could not be saved");
    QFile saved(path);
    if (!saved.open(QIODevice::ReadOnly) || saved.readAll() != stream.bytes())
        fail("the saved file is not the buffer");
    return 0;
}

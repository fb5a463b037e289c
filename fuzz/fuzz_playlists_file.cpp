// Fuzzes the Playlists.lst reader and writer: the bytes are stored as the file and read; a read
// that succeeds must give entries without line breaks, and writing them back and reading that
// file again must give the same entries, in an encoding that the first read chose, and the same
// bytes when written a second time. The only failure a readable file may give is the UTF-8 one.

#include "sources/PlaylistsFile.h"
#include "sources/TextCodecs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_playlists_file: %s\n", what);
    std::abort();
}

// Memory-backed when the system offers it, so every run does not wear the disk.
const QTemporaryDir &workDir()
{
    static const QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                       ? QStringLiteral("/dev/shm/norvale-fuzz-XXXXXX")
                                       : QDir::tempPath() + QStringLiteral("/norvale-fuzz-XXXXXX"));
    if (!dir.isValid())
        fail("no temporary directory");
    return dir;
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail("cannot read back a written file");
    return file.readAll();
}

void store(const QString &path, QByteArrayView bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes.data(), bytes.size()) != bytes.size())
        fail("cannot store the input");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString input = workDir().filePath(QStringLiteral("input.lst"));
    const QString copy = workDir().filePath(QStringLiteral("Playlists.lst"));
    store(input, bytes);

    const PlaylistsReadResult first = readPlaylistsFile(input);
    if (!first.exists || !first.encodingFound)
        fail("an existing file was not seen, or its encoding not remembered");
    if (!first.error.isEmpty()) {
        if (first.error != QLatin1String(kNoMappingMessage) || !bytes.startsWith("\xEF\xBB\xBF") ||
            !first.entries.isEmpty() || first.encoding != TextEncoding::Utf8)
            fail("a readable file failed otherwise than on invalid UTF-8 after the UTF-8 mark");
        return 0;
    }
    for (const QString &entry : first.entries) {
        if (entry.contains(u'\r') || entry.contains(u'\n'))
            fail("an entry holds a line break");
    }

    const QString error = writePlaylistsFile(copy, first.entries, first.encoding, false);
    if (!error.isEmpty())
        fail("the entries could not be written back");
    const QByteArray written = readBytes(copy);
    const TextEncoding used = chooseWriteEncoding(first.entries, first.encoding);
    if (!written.startsWith(byteOrderMark(used)))
        fail("the file does not start with its encoding's mark");
    if (used == first.encoding && first.encoding != TextEncoding::Ansi &&
        !written.startsWith(bytes.first(byteOrderMark(used).size())))
        fail("the list was not written in the encoding it was read in");

    const PlaylistsReadResult second = readPlaylistsFile(copy);
    if (!second.error.isEmpty() || second.entries != first.entries)
        fail("writing and reading again changed the entries");
    if (writePlaylistsFile(copy, second.entries, second.encoding, true) != QString() ||
        readBytes(copy) != written)
        fail("a second write gave other bytes");
    if (readBytes(copy + QStringLiteral(".bak")) != written)
        fail("the backup is not the previous file");
    return 0;
}

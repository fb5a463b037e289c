#include "LocalPlaylist.h"

#include "M3UStreamReader.h"
#include "shell/FileReading.h"
#include "shell/NorvaleError.h"
#include "sources/TextCodecs.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QUtf8StringView>

#include <cstring>
#include <future>

namespace {

// Large enough that the per-piece hand-over costs nothing, small enough to stay in cache.
constexpr qsizetype PieceSize = 4 << 20;

bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Where to cut buffer so that the part before can be checked on its own: before the last
// byte that starts a character. A well-formed text is then cut between characters, and a
// malformed one stays malformed in one of the parts.
qsizetype characterBoundary(QByteArrayView buffer)
{
    qsizetype cut = buffer.size();
    while (cut > 0 && isContinuationByte(buffer[cut - 1]))
        --cut;
    return cut > 0 ? cut - 1 : buffer.size();
}

// Feeds the file's bytes to the reader; a failure is thrown with the user's message.
void feedFile(const QString &path, M3UStreamReader &reader, const std::atomic<bool> &cancelled,
              ChannelLoadTimings &spent)
{
    QElapsedTimer clock;
    clock.start();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw NorvaleError(cannotOpenFileMessage(path, fileErrorReason(path, file)));
    spent.readNs += clock.nsecsElapsed();

    QByteArray buffer(PieceSize, Qt::Uninitialized);
    qsizetype filled = 0;
    bool atStart = true;
    bool valid = true;
    while (!cancelled) {
        clock.restart();
        const qint64 got = file.read(buffer.data() + filled, buffer.size() - filled);
        spent.readNs += clock.nsecsElapsed();
        if (got < 0) {
            throw NorvaleError(QStringLiteral("Cannot read file \"%1\". %2")
                                   .arg(QFileInfo(path).absoluteFilePath(), file.errorString()));
        }
        filled += got;
        const bool atEnd = got == 0;

        QByteArrayView piece(buffer.constData(), filled);
        if (atStart && (filled >= 3 || atEnd)) {
            if (piece.startsWith("\xEF\xBB\xBF"))
                piece = piece.sliced(3);
            atStart = false;
        } else if (atStart) {
            continue; // too short to tell whether it starts with a byte-order mark
        }
        qsizetype cut = atEnd ? piece.size() : characterBoundary(piece);
        if (cut == 0 && filled == buffer.size())
            cut = piece.size(); // one "character" longer than the buffer is malformed anyway
        piece = piece.first(cut);

        // The check runs beside the reader; a failure discards what the reader collected.
        std::future<qint64> checked = std::async(std::launch::async, [piece, &valid] {
            QElapsedTimer decodeClock;
            decodeClock.start();
            valid = QUtf8StringView(piece.data(), piece.size()).isValidUtf8();
            return decodeClock.nsecsElapsed();
        });
        clock.restart();
        reader.feedUtf8(piece);
        spent.parseNs += clock.nsecsElapsed();
        spent.decodeNs += checked.get();
        if (!valid)
            throw NorvaleError(QString::fromLatin1(kNoMappingMessage));
        if (atEnd)
            break;

        // Keep the start of a character cut off at the end of the buffer for the next read.
        const qsizetype used = qsizetype(piece.data() + piece.size() - buffer.constData());
        std::memmove(buffer.data(), buffer.constData() + used, std::size_t(filled - used));
        filled -= used;
    }
}

} // namespace

std::optional<QString> loadLocalPlaylist(const QString &path, ChannelListModel &list,
                                         LocalPlaylistTimings *timings, LoadEnd *end)
{
    try {
        const LoadEnd ended = loadChannels(
            list,
            [&path](M3UStreamReader &reader, const std::atomic<bool> &cancelled, ChannelLoadTimings &spent) {
                feedFile(path, reader, cancelled, spent);
            },
            timings);
        if (end)
            *end = ended;
    } catch (const NorvaleError &error) {
        if (end)
            *end = LoadEnd::Loaded;
        return error.message();
    }
    return std::nullopt;
}

// What tells one state of a file from another: a write changes its modification time, a
// replacement or a change of rights its status change time.
struct LocalPlaylistReadAhead::Snapshot {
    QString absolutePath;
    bool isFile = false;
    qint64 size = 0;
    QDateTime modified;
    QDateTime changed;

    bool operator==(const Snapshot &) const = default;
};

LocalPlaylistReadAhead::Snapshot LocalPlaylistReadAhead::snapshot(const QString &path)
{
    const QFileInfo info(path);
    return Snapshot{info.absoluteFilePath(), info.isFile(), info.size(), info.lastModified(),
                    info.metadataChangeTime()};
}

LocalPlaylistReadAhead::LocalPlaylistReadAhead(const QString &path, const ChannelListModel &list)
    : m_path(path), m_before(std::make_unique<Snapshot>(snapshot(path)))
{
    m_load = std::make_unique<ChannelLoadInProgress>(
        list, [path](M3UStreamReader &reader, const std::atomic<bool> &cancelled, ChannelLoadTimings &spent) {
            feedFile(path, reader, cancelled, spent);
        });
}

LocalPlaylistReadAhead::~LocalPlaylistReadAhead() = default;

std::optional<QString> loadLocalPlaylist(const QString &path, ChannelListModel &list,
                                         LocalPlaylistReadAhead &ahead, LoadEnd *end)
{
    if (ahead.m_load && path == ahead.m_path && ahead.m_before->isFile &&
        LocalPlaylistReadAhead::snapshot(path) == *ahead.m_before) {
        std::unique_ptr<ChannelLoadInProgress> load = std::move(ahead.m_load);
        try {
            const LoadEnd ended = load->finish(list);
            if (end)
                *end = ended;
            return std::nullopt;
        } catch (const NorvaleError &) {
            // Read again below, so the failure reaches the user just as without the early start.
        }
    }
    ahead.m_load.reset();
    return loadLocalPlaylist(path, list, nullptr, end);
}

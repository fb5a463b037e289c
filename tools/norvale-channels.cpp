// norvale-channels [--time] FILE
//
// Reads FILE through the load the window uses for a local playlist (strict UTF-8, leading
// byte-order mark skipped; reading, parsing, sorting and the search index) and prints the
// list's rows in order, one per line: name, TAB, address, in UTF-8 with LF. A failure prints
// its message on stderr and exits with 1. --time adds the time of each phase and the row count
// on stderr; decoding runs on a second thread alongside parsing, so those two phases overlap. "release" is
// the emptying of the list, which the tool does before it ends as the window does when it closes.

#include "channels/ChannelListModel.h"
#include "channels/LocalPlaylist.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QStringConverter>
#include <QStringList>

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <future>
#include <optional>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#endif

namespace {

struct Failure {
    QString message;
};

void printError(const QString &message)
{
    std::fprintf(stderr, "%s\n", message.toUtf8().constData());
}

// A large playlist becomes a few hundred megabytes of small blocks that are each written
// once, so first-touch page faults are a large part of the run (several microseconds each on
// a virtual machine). This process does nothing else, so before loading it keeps all
// threads on one heap, reserves heap room in proportion to the file and asks the kernel to
// back that room with transparent huge pages: one fault per 2 MiB instead of one per 4 KiB.
// Untouched room costs no memory; without huge pages the run is the same, only slower.
void prepareHeap(const QString &path)
{
#if defined(__GLIBC__)
    const qint64 size = QFileInfo(path).size();
    constexpr qint64 Worthwhile = 16 << 20;
    if (size < Worthwhile)
        return;
    // Peak use is about one and a half times the file; the rest of the room is never touched.
    const std::size_t room = std::size_t(std::min<qint64>(size * 2 + (64 << 20), qint64(8) << 30));
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_MMAP_MAX, 0);        // large arrays from the heap as well, so from the room
    mallopt(M_TRIM_THRESHOLD, -1); // and freed memory stays there for the next use
    void *block = std::malloc(room);
    if (!block)
        return;
    constexpr std::uintptr_t Huge = 2 << 20;
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(block) + Huge - 1) & ~(Huge - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(block) + room) & ~(Huge - 1);
    if (end > begin)
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
    std::free(block);
#else
    Q_UNUSED(path);
#endif
}

[[noreturn]] void writeFailed()
{
    throw Failure{
        QStringLiteral("Cannot write the output. %1").arg(QString::fromLocal8Bit(std::strerror(errno)))};
}

// Rows are encoded straight into buffers of a few megabytes that are written out whole: a
// million small writes, or a text copy of every row, would cost more than the whole parse.
class RowEncoder {
public:
    // Encodes rows first .. last - 1 after what the buffer holds.
    void encode(const ChannelListModel &model, int first, int last)
    {
        // Rows are in sorted order and their texts in reading order, so nearly every row's
        // text and record is a cache miss; asking for them some rows ahead overlaps the waits.
        constexpr int Ahead = 16;
        const auto prefetch = [&model, last](int row) {
            if (row < last) {
                __builtin_prefetch(model.textView(row).data());
                __builtin_prefetch(model.channel(row));
            }
            if (row - Ahead / 2 < last)
                if (const TM3UChannel *channel = model.channel(row - Ahead / 2))
                    __builtin_prefetch(channel->URL.constData());
        };
        for (int row = first; row < last; ++row) {
            prefetch(row + Ahead);
            const TM3UChannel *channel = model.channel(row);
            const QStringView text = model.textView(row);
            const QStringView url = channel ? QStringView(channel->URL) : QStringView();
            // A UTF-16 unit never takes more than three bytes.
            reserve(std::size_t(text.size() + url.size()) * 3 + 2);
            add(text);
            m_buffer[m_used++] = '\t';
            add(url);
            m_buffer[m_used++] = '\n';
        }
    }

    void writeOut()
    {
        if (m_used != 0 && std::fwrite(m_buffer.data(), 1, m_used, stdout) != m_used)
            writeFailed();
        m_used = 0;
    }

private:
    void reserve(std::size_t more)
    {
        if (m_buffer.size() - m_used < more)
            m_buffer.resize(std::max(m_buffer.size() * 2, m_used + more));
    }

    void add(QStringView text)
    {
        char *out = m_buffer.data() + m_used;
        const char16_t *units = text.utf16();
        const qsizetype n = text.size();
        qsizetype i = 0;
        while (i < n && units[i] < 0x80) // ASCII, nearly all of an address and most names
            *out++ = char(units[i++]);
        if (i < n)
            out = m_encoder.appendToBuffer(out, text.sliced(i));
        m_used = std::size_t(out - m_buffer.data());
    }

    std::vector<char> m_buffer = std::vector<char>(1 << 20);
    std::size_t m_used = 0;
    QStringEncoder m_encoder{QStringConverter::Utf8, QStringConverter::Flag::Stateless};
};

// Two threads encode alternate blocks of rows, which go out in list order. The list is only
// read meanwhile.
void printRows(const ChannelListModel &model)
{
    constexpr int Block = 16384;
    const int count = model.count();
    RowEncoder encoders[2];
    for (int first = 0; first < count; first += 2 * Block) {
        const int middle = std::min(count, first + Block);
        const int last = std::min(count, first + 2 * Block);
        std::future<void> second;
        if (middle < last)
            second = std::async(std::launch::async, [&] { encoders[1].encode(model, middle, last); });
        encoders[0].encode(model, first, middle);
        if (second.valid())
            second.get();
        encoders[0].writeOut();
        encoders[1].writeOut();
    }
    if (std::fflush(stdout) != 0)
        writeFailed();
}

} // namespace

int main(int argc, char *argv[])
{
    bool timed = false;
    QStringList paths;
    for (int i = 1; i < argc; ++i) {
        if (QByteArrayView(argv[i]) == "--time")
            timed = true;
        else
            paths << QFile::decodeName(argv[i]);
    }
    if (paths.size() != 1) {
        std::fprintf(stderr, "usage: norvale-channels [--time] FILE\n");
        return 2;
    }

    prepareHeap(paths.front());
    ChannelListModel model;
    // As the window's list, so that the load costs here what it costs there.
    model.enableSearch();
    LocalPlaylistTimings load;
    qint64 printNs = 0;
    qint64 releaseNs = 0;
    int rows = 0;
    try {
        if (const std::optional<QString> failure = loadLocalPlaylist(paths.front(), model, &load))
            throw Failure{*failure};

        QElapsedTimer clock;
        clock.start();
        printRows(model);
        printNs = clock.nsecsElapsed();

        rows = model.count();
        clock.restart();
        model.clear();
        releaseNs = clock.nsecsElapsed();
    } catch (const Failure &failure) {
        printError(failure.message);
        return 1;
    }

    if (timed) {
        std::fprintf(stderr,
                     "read        %8.3f s\ndecode      %8.3f s  (beside parse)\nparse       %8.3f s\n"
                     "sort        %8.3f s\ninstall     %8.3f s\nparse+sort  %8.3f s\nprint       %8.3f s\n"
                     "release     %8.3f s\nrows        %8d\n",
                     load.readNs / 1e9, load.decodeNs / 1e9, load.parseNs / 1e9, load.sortNs / 1e9,
                     load.installNs / 1e9, (load.parseNs + load.sortNs + load.installNs) / 1e9, printNs / 1e9,
                     releaseNs / 1e9, rows);
    }
    return 0;
}

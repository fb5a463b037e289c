// norvale-channels [--time] FILE
//
// Reads FILE as a local playlist is read (strict UTF-8, leading byte-order mark skipped),
// fills a channel list with the M3U reader and prints its rows in list order, one per line:
// name, TAB, address, in UTF-8 with LF. A failure prints its message on stderr and exits
// with 1. --time adds the time of each phase and the row count on stderr; decoding runs on a
// second thread alongside parsing, so those two phases overlap.

#include "channels/ChannelListModel.h"
#include "channels/LocalPlaylist.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QStringConverter>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace {

struct Failure {
    QString message;
};

void printError(const QString &message)
{
    std::fprintf(stderr, "%s\n", message.toUtf8().constData());
}

[[noreturn]] void writeFailed()
{
    throw Failure{
        QStringLiteral("Cannot write the output. %1").arg(QString::fromLocal8Bit(std::strerror(errno)))};
}

// Rows are encoded straight into one large buffer that is written out whenever it fills: a
// million small writes, or a text copy of every row, would cost more than the whole parse.
class RowPrinter {
public:
    RowPrinter() : m_buffer(BufferSize) {}

    void add(QStringView text)
    {
        // A UTF-16 unit never takes more than three bytes.
        if (std::size_t(text.size()) * 3 > m_buffer.size() - m_used) {
            flush();
            if (std::size_t(text.size()) * 3 > m_buffer.size())
                m_buffer.resize(std::size_t(text.size()) * 3);
        }
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

    void add(char c)
    {
        if (m_used == m_buffer.size())
            flush();
        m_buffer[m_used++] = c;
    }

    void flush()
    {
        if (m_used != 0 && std::fwrite(m_buffer.data(), 1, m_used, stdout) != m_used)
            writeFailed();
        m_used = 0;
    }

private:
    static constexpr std::size_t BufferSize = 1 << 20;
    std::vector<char> m_buffer;
    std::size_t m_used = 0;
    QStringEncoder m_encoder{QStringConverter::Utf8, QStringConverter::Flag::Stateless};
};

void printRows(const ChannelListModel &model)
{
    // Rows are in sorted order and their texts in reading order, so nearly every row's text
    // and record is a cache miss; asking for them some rows ahead overlaps the waits.
    constexpr int Ahead = 16;
    const auto prefetch = [&model](int row) {
        if (row < model.count()) {
            __builtin_prefetch(model.textView(row).data());
            __builtin_prefetch(model.channel(row));
        }
        if (row - Ahead / 2 < model.count())
            if (const TM3UChannel *channel = model.channel(row - Ahead / 2))
                __builtin_prefetch(channel->URL.constData());
    };
    RowPrinter printer;
    for (int row = 0; row < model.count(); ++row) {
        prefetch(row + Ahead);
        printer.add(model.textView(row));
        printer.add('\t');
        if (const TM3UChannel *channel = model.channel(row))
            printer.add(QStringView(channel->URL));
        printer.add('\n');
    }
    printer.flush();
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

    ChannelListModel model;
    LocalPlaylistTimings load;
    qint64 printNs = 0;
    try {
        if (const std::optional<QString> failure = loadLocalPlaylist(paths.front(), model, &load))
            throw Failure{*failure};

        QElapsedTimer clock;
        clock.start();
        printRows(model);
        printNs = clock.nsecsElapsed();
    } catch (const Failure &failure) {
        printError(failure.message);
        return 1;
    }

    if (timed) {
        std::fprintf(stderr,
                     "read        %8.3f s\ndecode      %8.3f s  (beside parse)\nparse       %8.3f s\n"
                     "sort        %8.3f s\nparse+sort  %8.3f s\nprint       %8.3f s\nrows        %8d\n",
                     load.readNs / 1e9, load.decodeNs / 1e9, load.parseNs / 1e9, load.sortNs / 1e9,
                     (load.parseNs + load.sortNs) / 1e9, printNs / 1e9, model.count());
    }
    return 0;
}

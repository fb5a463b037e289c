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
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

namespace {

struct Failure {
    QString message;
};

void printError(const QString &message)
{
    std::fprintf(stderr, "%s\n", message.toUtf8().constData());
}

// Rows go out through one buffer that is encoded and written in large blocks: a million
// small writes would cost more than the whole parse.
void printRows(const ChannelListModel &model)
{
    constexpr qsizetype FlushAt = 1 << 18;
    QString buffer;
    buffer.reserve(FlushAt + 4096);
    const auto flush = [&buffer] {
        const QByteArray bytes = buffer.toUtf8();
        if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()))
            throw Failure{QStringLiteral("Cannot write the output. %1")
                              .arg(QString::fromLocal8Bit(std::strerror(errno)))};
        buffer.clear();
    };
    for (int row = 0; row < model.count(); ++row) {
        const TM3UChannel *channel = model.channel(row);
        buffer += model.text(row);
        buffer += u'\t';
        if (channel)
            buffer += channel->URL;
        buffer += u'\n';
        if (buffer.size() >= FlushAt)
            flush();
    }
    flush();
    if (std::fflush(stdout) != 0)
        throw Failure{
            QStringLiteral("Cannot write the output. %1").arg(QString::fromLocal8Bit(std::strerror(errno)))};
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

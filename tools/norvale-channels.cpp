// norvale-channels [--time] FILE
//
// Reads FILE as a local playlist is read (whole file, strict UTF-8, leading byte-order mark
// skipped), fills a channel list with the M3U reader and prints its rows in list order, one
// per line: name, TAB, address, in UTF-8 with LF. A failure prints its message on stderr and
// exits with 1. --time adds the time of each phase and the row count on stderr; a regular
// file is mapped, so its pages are read from disk during the decode phase.

#include "channels/ChannelListModel.h"
#include "channels/M3UReader.h"
#include "sources/TextCodecs.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
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

// The whole content of a file. A regular file is mapped rather than copied: the decoder
// reads it once, and a copy would cost as much again in time and memory.
class FileBytes {
public:
    explicit FileBytes(const QString &path) : m_file(path)
    {
        const QString fullPath = QFileInfo(path).absoluteFilePath();
        if (!m_file.open(QIODevice::ReadOnly)) {
            // Qt words a directory in its own way; the message carries the system's words.
            const QString reason = QFileInfo(path).isDir() ? QString::fromLocal8Bit(std::strerror(EISDIR))
                                                           : m_file.errorString();
            throw Failure{QStringLiteral("Cannot open file \"%1\". %2").arg(fullPath, reason)};
        }
        if (m_file.size() > 0)
            m_mapped = m_file.map(0, m_file.size());
        if (!m_mapped) {
            // Empty or unmappable (a pipe, a device): read it.
            m_copy = m_file.readAll();
            if (m_file.error() != QFileDevice::NoError)
                throw Failure{
                    QStringLiteral("Cannot read file \"%1\". %2").arg(fullPath, m_file.errorString())};
        }
    }

    QByteArrayView bytes() const
    {
        return m_mapped ? QByteArrayView(m_mapped, m_file.size()) : QByteArrayView(m_copy);
    }

    void release()
    {
        if (m_mapped)
            m_file.unmap(m_mapped);
        m_mapped = nullptr;
        m_copy = QByteArray();
        m_file.close();
    }

private:
    QFile m_file;
    uchar *m_mapped = nullptr;
    QByteArray m_copy;
};

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
    const QString &path = paths.front();

    ChannelListModel model;
    QElapsedTimer clock;
    qint64 readNs = 0, decodeNs = 0, parseNs = 0, printNs = 0;
    try {
        clock.start();
        FileBytes file(path);
        readNs = clock.nsecsElapsed();

        clock.restart();
        std::optional<QString> content = decodeUtf8Strict(file.bytes());
        file.release(); // the raw bytes are not needed past this point
        if (!content)
            throw Failure{QString::fromLatin1(kNoMappingMessage)};
        decodeNs = clock.nsecsElapsed();

        clock.restart();
        ParseM3UContent(model, *content);
        content.reset();
        parseNs = clock.nsecsElapsed();

        clock.restart();
        printRows(model);
        printNs = clock.nsecsElapsed();
    } catch (const Failure &failure) {
        printError(failure.message);
        return 1;
    }

    if (timed) {
        std::fprintf(stderr,
                     "read        %8.3f s\ndecode      %8.3f s\nparse+sort  %8.3f s\nprint       %8.3f "
                     "s\nrows        %8d\n",
                     readNs / 1e9, decodeNs / 1e9, parseNs / 1e9, printNs / 1e9, model.count());
    }
    return 0;
}

// Huge and malformed inputs: a million entries, megabyte lines, a 100,000-character name, NUL
// bytes, lone surrogates written as UTF-8, UTF-16 files with an odd byte count. Each case runs
// in a child process of its own, so its peak memory can be measured alone; each must give a
// clear outcome and stay within a bound proportional to its input.

#include "FaultTestUtil.h"

#include "channels/ChannelListModel.h"
#include "channels/LocalPlaylist.h"
#include "sources/PlaylistsFile.h"
#include "sources/TextCodecs.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

namespace {

// What loading a local playlist file makes of it, read in pieces as the main window reads it:
// the error the user is shown, or the rows the list then holds (the first and the last, and
// their count).
QString loadM3U(const QByteArray &bytes)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("list.m3u"));
    storeBytes(path, bytes);
    ChannelListModel list;
    if (const std::optional<QString> error = loadLocalPlaylist(path, list))
        return QStringLiteral("error: ") + *error;
    if (list.count() == 0)
        return QStringLiteral("rows 0");
    const auto describe = [&list](int row) {
        const TM3UChannel *channel = list.channel(row);
        const auto shown = [](const QString &text) {
            return text.size() > 40 ? text.left(20) + QStringLiteral("...(%1)").arg(text.size()) : text;
        };
        return shown(channel->Name) + u'|' + shown(channel->URL);
    };
    return QStringLiteral("rows %1 first %2 last %3")
        .arg(list.count())
        .arg(describe(0), describe(list.count() - 1));
}

// What reading Playlists.lst makes of it, and whether writing the entries back gives a file
// that reads as the same entries.
QString loadPlaylists(const QByteArray &bytes)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("Playlists.lst"));
    storeBytes(path, bytes);
    const PlaylistsReadResult read = readPlaylistsFile(path);
    if (!read.error.isEmpty())
        return QStringLiteral("error: ") + read.error;
    const QString copy = tmp.filePath(QStringLiteral("copy.lst"));
    const bool same = writePlaylistsFile(copy, read.entries, read.encoding, false).isEmpty() &&
                      readPlaylistsFile(copy).entries == read.entries;
    QString last = read.entries.isEmpty() ? QString() : read.entries.last();
    if (last.size() > 40)
        last = last.left(20) + QStringLiteral("...(%1)").arg(last.size());
    return QStringLiteral("entries %1 last %2 %3")
        .arg(read.entries.size())
        .arg(QString::fromLatin1(last.toUtf8().toPercentEncoding(":/\\.()")),
             same ? QLatin1String("rewritten same") : QLatin1String("rewritten OTHER"));
}

QByteArray millionEntries()
{
    QByteArray bytes = "#EXTM3U\r\n";
    for (int i = 0; i < 1000000; ++i)
        bytes += "#EXTINF:-1 group-title=\"All\",Channel " + QByteArray::number(i) +
                 "\r\nhttp://127.0.0.1/s/" + QByteArray::number(i) + ".ts\r\n";
    return bytes;
}

// More than one piece of the file reader, with two-byte characters everywhere, so that some
// piece ends inside one.
QByteArray accentedEntries()
{
    QByteArray bytes;
    for (int i = 0; i < 150000; ++i)
        bytes += "#EXTINF:-1,T\xC3\xA9l\xC3\xA9 " + QByteArray::number(i) + "\r\nudp://x/" +
                 QByteArray::number(i) + "\r\n";
    return bytes;
}

QByteArray millionLines()
{
    QByteArray bytes;
    for (int i = 0; i < 1000000; ++i)
        bytes += "http://127.0.0.1/list/" + QByteArray::number(i) + ".m3u\r\n";
    return bytes;
}

struct HugeCase {
    const char *name;
    std::function<QByteArray()> input;
    std::function<QString(const QByteArray &)> load;
    QString expected;
};

void PrintTo(const HugeCase &c, std::ostream *out)
{
    *out << c.name;
}

// Peak memory in kilobytes that a case may use: the input many times over (bytes, UTF-16 text,
// records and sort keys), on top of what the process needs to start.
long memoryBoundKb(qsizetype inputBytes)
{
    return 300 * 1024 + long(inputBytes / 1024) * 40;
}

class HugeInputTest : public testing::TestWithParam<HugeCase> {};

TEST_P(HugeInputTest, GivesAClearOutcomeInBoundedMemory)
{
    const HugeCase &c = GetParam();
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    std::fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(channel[0]);
        const QByteArray input = c.input();
        QByteArray outcome = (QString::number(input.size()) + u'\n' + c.load(input)).toUtf8();
        const bool written = write(channel[1], outcome.constData(), size_t(outcome.size())) == outcome.size();
        _exit(written ? 0 : 3);
    }
    close(channel[1]);
    QByteArray report;
    char buffer[4096];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, n);
    close(channel[0]);
    int status = 0;
    rusage usage{};
    ASSERT_EQ(wait4(child, &status, 0, &usage), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the case crashed, status " << status;

    const qsizetype newline = report.indexOf('\n');
    const qsizetype inputBytes = report.left(newline).toLongLong();
    EXPECT_EQ(QString::fromUtf8(report.mid(newline + 1)), c.expected);
    RecordProperty("input_bytes", std::to_string(inputBytes));
    RecordProperty("peak_rss_kb", std::to_string(usage.ru_maxrss));
    std::printf("%s: input %lld bytes, peak memory %ld KB\n", c.name, static_cast<long long>(inputBytes),
                usage.ru_maxrss);
    EXPECT_LT(usage.ru_maxrss, memoryBoundKb(inputBytes));
}

const QString kNoMapping = QStringLiteral("error: ") + QLatin1String(kNoMappingMessage);

INSTANTIATE_TEST_SUITE_P(
    Inputs, HugeInputTest,
    testing::Values(
        HugeCase{"MillionEntryPlaylist", millionEntries, loadM3U,
                 "rows 1000000 first Channel 0|http://127.0.0.1/s/0.ts last Channel "
                 "999999|http://127.0.0.1/s/999999.ts"},
        HugeCase{
            "MegabyteStreamLine",
            [] { return "#EXTINF:-1,Long\r\nrtmp://" + QByteArray(1 << 20, 'a') + "\r\n"; }, loadM3U,
            "rows 1 first Long|rtmp://aaaaaaaaaaaaa...(1048583) last Long|rtmp://aaaaaaaaaaaaa...(1048583)"},
        HugeCase{"MegabyteLineOfCommas", [] { return QByteArray(1 << 20, ','); }, loadM3U, "rows 0"},
        HugeCase{"HundredThousandCharacterName",
                 [] { return "#EXTINF:-1," + QByteArray(100000, 'N') + "\r\nudp://@239.0.0.1:1234\r\n"; },
                 loadM3U,
                 "rows 1 first NNNNNNNNNNNNNNNNNNNN...(100000)|udp://@239.0.0.1:1234 last "
                 "NNNNNNNNNNNNNNNNNNNN...(100000)|udp://@239.0.0.1:1234"},
        // NUL is not an end: inside a line it stays, at the ends it is trimmed like a blank.
        HugeCase{"NulBytes", [] { return QByteArray("\0#EXTINF:-1,A\0B\0\r\n\0udp://x\0\r\n\0\0", 28); },
                 loadM3U,
                 QStringLiteral("rows 1 first A") + QChar(0) + QStringLiteral("B|udp://x last A") + QChar(0) +
                     QStringLiteral("B|udp://x")},
        HugeCase{"AccentedNamesAcrossPieces", accentedEntries, loadM3U,
                 QStringLiteral("rows 150000 first Télé 0|udp://x/0 last Télé 99999|udp://x/99999")},
        // One bad byte far past the first piece still refuses the whole file.
        HugeCase{"InvalidByteAfterTheFirstPiece",
                 [] { return accentedEntries() + "#EXTINF:-1,\xFF\r\nudp://y\r\n"; }, loadM3U, kNoMapping},
        // ED A0 80 is U+D800 written as UTF-8, which UTF-8 forbids.
        HugeCase{"LoneSurrogateInPlaylist",
                 [] { return QByteArray("#EXTINF:-1,\xED\xA0\x80\r\nudp://x\r\n"); }, loadM3U, kNoMapping},
        HugeCase{"LoneSurrogateInUtf8Playlists",
                 [] { return QByteArray("\xEF\xBB\xBFhttp://a/\r\nfile:///C:\\\xED\xB0\x80.m3u\r\n"); },
                 loadPlaylists, kNoMapping},
        // Without a mark the same bytes are Windows-1252, which always decodes.
        HugeCase{"LoneSurrogateBytesInAnsiPlaylists",
                 [] { return QByteArray("file:///C:\\\xED\xA0\x80.m3u\r\n"); }, loadPlaylists,
                 "entries 1 last file:///C:\\%C3%AD%C2%A0%E2%82%AC.m3u rewritten same"},
        // The odd last byte becomes a replacement character; nothing before it is lost.
        HugeCase{"OddByteCountUtf16LE",
                 [] {
                     return QByteArray("\xFF\xFE"
                                       "A\0\r\0\n\0B\0C",
                                       11);
                 },
                 loadPlaylists, "entries 2 last B%EF%BF%BD rewritten same"},
        HugeCase{"OddByteCountUtf16BE", [] { return QByteArray("\xFE\xFF\0A\0\r\0\n\xD8", 9); },
                 loadPlaylists, "entries 2 last %EF%BF%BD rewritten same"},
        HugeCase{"MillionEntryPlaylistsFile", millionLines, loadPlaylists,
                 "entries 1000000 last http://127.0.0.1/list/999999.m3u rewritten same"},
        HugeCase{"MegabyteEntry", [] { return "file:///" + QByteArray(1 << 20, 'p') + "\n"; }, loadPlaylists,
                 "entries 1 last file:///pppppppppppp...(1048584) rewritten same"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace

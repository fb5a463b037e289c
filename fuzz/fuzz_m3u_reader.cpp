// Fuzzes the M3U reader: the bytes are read as UTF-8 text (when they are valid) and as raw
// UTF-16 code units (so lone surrogates, NULs and every control character reach the reader).
// Each text is parsed into a fresh channel list and checked against a plain, line-by-line
// rendering of the reader's rules, and the list must come out in collation order. The same
// input fed in pieces, as text and as UTF-8 bytes, cut where the input's own bytes say (inside
// a character too), must give the same list.

#include "channels/ChannelListModel.h"
#include "channels/M3UReader.h"
#include "channels/M3UStreamReader.h"
#include "sources/TextCodecs.h"

#include <QLocale>
#include <QString>

#include <unicode/ucol.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace {

using Channel = std::pair<QString, QString>;

QString trimmedControls(const QString &piece)
{
    qsizetype begin = 0;
    qsizetype end = piece.size();
    while (begin < end && piece[begin].unicode() <= 32)
        ++begin;
    while (end > begin && piece[end - 1].unicode() <= 32)
        --end;
    return piece.mid(begin, end - begin);
}

// The reader's rules written out the slow way: split, trim, then one step per piece.
std::vector<Channel> expectedChannels(const QString &content)
{
    std::vector<QString> pieces;
    QString piece;
    for (qsizetype i = 0; i < content.size(); ++i) {
        const QChar c = content[i];
        if (c == u'\r' || c == u'\n') {
            pieces.push_back(piece);
            piece.clear();
            if (c == u'\r' && i + 1 < content.size() && content[i + 1] == u'\n')
                ++i;
        } else {
            piece.append(c);
        }
    }
    pieces.push_back(piece);

    std::vector<Channel> channels;
    QString channelName;
    for (const QString &raw : pieces) {
        const QString line = trimmedControls(raw);
        if (line.startsWith(QLatin1String("#EXTINF"), Qt::CaseInsensitive) &&
            !line.toUpper().contains(QLatin1String("GECKO"))) {
            const qsizetype comma = line.indexOf(u',');
            channelName = comma < 0 ? line : line.mid(comma + 1);
            continue;
        }
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (channelName.isEmpty())
            channelName = line;
        const QString upper = channelName.toUpper();
        if (!upper.contains(u',') && !upper.contains(u'"') &&
            !channelName.startsWith(QLatin1String("https://"), Qt::CaseInsensitive) &&
            !channelName.startsWith(QLatin1String("http://"), Qt::CaseInsensitive))
            channels.emplace_back(channelName, line);
        channelName.clear();
    }
    return channels;
}

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_m3u_reader: %s\n", what);
    std::abort();
}

std::vector<Channel> listed(const ChannelListModel &model)
{
    std::vector<Channel> channels;
    for (int row = 0; row < model.count(); ++row)
        channels.emplace_back(model.channel(row)->Name, model.channel(row)->URL);
    std::sort(channels.begin(), channels.end());
    return channels;
}

// Feeds `whole` to `feed` in pieces of 1 to 16 units, their lengths read from `cuts`; a cut
// of 0 feeds an empty piece first.
template <typename View, typename Feed> void feedInPieces(View whole, QByteArrayView cuts, Feed feed)
{
    qsizetype at = 0;
    for (qsizetype k = 0; at < whole.size(); ++k) {
        qsizetype length = cuts.isEmpty() ? 1 : std::uint8_t(cuts[k % cuts.size()]) % 17;
        if (length == 0) {
            feed(whole.sliced(at, 0));
            length = 1;
        }
        length = std::min(length, whole.size() - at);
        feed(whole.sliced(at, length));
        at += length;
    }
}

// The reader fed in pieces gives the channels `model` holds from the whole text. `utf8` are
// the bytes of `content` (mark included) when it came from UTF-8.
void checkPieces(const ChannelListModel &model, const QString &content, std::optional<QByteArrayView> utf8,
                 QByteArrayView cuts)
{
    static ChannelListModel pieces;
    const std::vector<Channel> whole = listed(model);

    clearChannels(pieces);
    M3UStreamReader textReader;
    feedInPieces(QStringView(content), cuts, [&](QStringView piece) { textReader.feed(piece); });
    textReader.finish(pieces);
    if (listed(pieces) != whole)
        fail("the text fed in pieces gives other channels than the whole text");

    if (utf8) {
        QByteArrayView bytes = *utf8;
        if (bytes.startsWith("\xEF\xBB\xBF"))
            bytes = bytes.sliced(3); // the decoder drops one mark, and so does the file reader
        clearChannels(pieces);
        M3UStreamReader byteReader;
        feedInPieces(bytes, cuts, [&](QByteArrayView piece) { byteReader.feedUtf8(piece); });
        byteReader.finish(pieces);
        if (listed(pieces) != whole)
            fail("the UTF-8 bytes fed in pieces give other channels than the decoded text");
    }
}

void check(const QString &content, std::optional<QByteArrayView> utf8, QByteArrayView cuts)
{
    static ChannelListModel model;
    static UCollator *collator = [] {
        // The list's documented order: the user's locale (English for C), case ignored,
        // accents counted, canonical equivalents alike.
        const QLocale locale = QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale();
        UErrorCode status = U_ZERO_ERROR;
        UCollator *c = ucol_open(locale.name().toLatin1().constData(), &status);
        ucol_setStrength(c, UCOL_SECONDARY);
        ucol_setAttribute(c, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
        if (U_FAILURE(status))
            fail("no ICU collator");
        return c;
    }();
    const auto compare = [](const QString &a, const QString &b) {
        return ucol_strcoll(collator, reinterpret_cast<const UChar *>(a.utf16()), int32_t(a.size()),
                            reinterpret_cast<const UChar *>(b.utf16()), int32_t(b.size()));
    };

    clearChannels(model);
    ParseM3UContent(model, content);

    std::vector<Channel> expected = expectedChannels(content);
    if (std::size_t(model.count()) != expected.size())
        fail("the list holds another number of channels than the rules give");

    std::vector<Channel> actual;
    for (int row = 0; row < model.count(); ++row) {
        const TM3UChannel *channel = model.channel(row);
        if (!channel)
            fail("a row carries no record");
        if (model.text(row) != channel->Name)
            fail("a row's text is not its record's name");
        actual.emplace_back(channel->Name, channel->URL);
        if (row > 0 && compare(model.text(row - 1), model.text(row)) == UCOL_GREATER)
            fail("the list is not sorted");
    }
    std::sort(actual.begin(), actual.end());
    std::sort(expected.begin(), expected.end());
    if (actual != expected)
        fail("the list holds other channels than the rules give");
    checkPieces(model, content, utf8, cuts);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // The cuts read the input backwards, so they differ from the text they cut.
    QByteArray cuts = bytes.toByteArray();
    std::reverse(cuts.begin(), cuts.end());
    if (const std::optional<QString> text = decodeUtf8Strict(bytes))
        check(*text, bytes, cuts);
    QString units(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(units.data(), data, std::size_t(units.size()) * sizeof(QChar));
    check(units, std::nullopt, cuts);
    return 0;
}

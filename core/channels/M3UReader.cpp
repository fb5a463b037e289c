#include "M3UReader.h"

#include "ChannelListModel.h"

#include <QStringView>

#include <algorithm>
#include <vector>

namespace {

// Only codes up to 32 are trimmed: a no-break space or a byte-order mark is part of the line.
QStringView trimControls(QStringView line)
{
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && line[begin].unicode() <= 32)
        ++begin;
    while (end > begin && line[end - 1].unicode() <= 32)
        --end;
    return line.sliced(begin, end - begin);
}

char16_t asciiUpper(char16_t c)
{
    return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c;
}

// Containment after upper-casing both texts. No character other than the ASCII letters
// upper-cases to G, E, C, K or O, so an ASCII case-blind search gives the same answer
// without building an upper-cased copy of every line (and, unlike case folding, does not
// let the Kelvin sign stand for K).
bool containsGecko(QStringView line)
{
    static constexpr char16_t Needle[] = u"GECKO";
    constexpr qsizetype NeedleSize = 5;
    for (qsizetype i = 0; i + NeedleSize <= line.size(); ++i) {
        qsizetype j = 0;
        while (j < NeedleSize && asciiUpper(line[i + j].unicode()) == Needle[j])
            ++j;
        if (j == NeedleSize)
            return true;
    }
    return false;
}

bool isNameLine(QStringView line)
{
    return line.startsWith(u"#EXTINF", Qt::CaseInsensitive) && !containsGecko(line);
}

// A name with a comma or a quotation mark comes from a title cut inside its attributes;
// a name that is a web address means the entry had no title at all.
bool isAcceptedName(QStringView name)
{
    return !name.contains(u',') && !name.contains(u'"') &&
           !name.startsWith(u"https://", Qt::CaseInsensitive) &&
           !name.startsWith(u"http://", Qt::CaseInsensitive);
}

} // namespace

void ParseM3UContent(ChannelListModel &lstBox, const QString &Content)
{
    // Names and addresses stay views into Content until a channel is accepted, so a line
    // costs no allocation of its own.
    std::vector<TM3UChannel> accepted;
    QStringView channelName;

    const QStringView content(Content);
    const qsizetype size = content.size();
    // The next CR and the next LF at or after pieceStart, each found with Qt's vectorised
    // search and looked for again only once passed; size when there is none.
    qsizetype nextCr = -1;
    qsizetype nextLf = -1;
    qsizetype pieceStart = 0;
    while (pieceStart <= size) {
        if (nextCr < pieceStart && nextCr != size) {
            nextCr = content.indexOf(u'\r', pieceStart);
            nextCr = nextCr < 0 ? size : nextCr;
        }
        if (nextLf < pieceStart && nextLf != size) {
            nextLf = content.indexOf(u'\n', pieceStart);
            nextLf = nextLf < 0 ? size : nextLf;
        }
        const qsizetype pieceEnd = std::min(nextCr, nextLf);
        const QStringView line = trimControls(content.sliced(pieceStart, pieceEnd - pieceStart));

        if (pieceEnd < size && content[pieceEnd] == u'\r' && pieceEnd + 1 < size &&
            content[pieceEnd + 1] == u'\n')
            pieceStart = pieceEnd + 2;
        else
            pieceStart = pieceEnd + 1;

        if (isNameLine(line)) {
            const qsizetype comma = line.indexOf(u',');
            channelName = comma < 0 ? line : line.sliced(comma + 1);
            continue;
        }
        if (line.isEmpty() || line.front() == u'#')
            continue;

        const QStringView streamURL = line;
        if (channelName.isEmpty())
            channelName = streamURL;
        if (isAcceptedName(channelName))
            accepted.push_back(TM3UChannel{channelName.toString(), streamURL.toString()});
        channelName = {};
    }

    lstBox.addChannels(std::move(accepted));
}

void clearChannels(ChannelListModel &lstBox)
{
    lstBox.clear();
}

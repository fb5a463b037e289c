#include "M3UStreamReader.h"

#include "ChannelListModel.h"

#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

template <typename Char> using View = std::basic_string_view<Char>;

// Only codes up to 32 are trimmed: a no-break space or a byte-order mark is part of the line.
// In UTF-8 these are single bytes that no multi-byte sequence contains.
template <typename Char> View<Char> trimControls(View<Char> line)
{
    std::size_t begin = 0;
    std::size_t end = line.size();
    while (begin < end && std::make_unsigned_t<Char>(line[begin]) <= 32)
        ++begin;
    while (end > begin && std::make_unsigned_t<Char>(line[end - 1]) <= 32)
        --end;
    return line.substr(begin, end - begin);
}

template <typename Char> Char asciiUpper(Char c)
{
    return c >= 'a' && c <= 'z' ? Char(c - ('a' - 'A')) : c;
}

// Containment after upper-casing both texts. No character other than the ASCII letters
// upper-cases to G, E, C, K or O, so an ASCII case-blind search gives the same answer
// without building an upper-cased copy of every line (and, unlike case folding, does not
// let the Kelvin sign stand for K).
template <typename Char> bool geckoAt(View<Char> line, std::size_t i)
{
    static constexpr char Needle[] = "GECKO";
    for (std::size_t j = 0; j < 5; ++j) {
        if (asciiUpper(line[i + j]) != Char(Needle[j]))
            return false;
    }
    return true;
}

bool containsGecko(View<char16_t> line)
{
    for (std::size_t i = 0; i + 5 <= line.size(); ++i) {
        if (geckoAt(line, i))
            return true;
    }
    return false;
}

// Every line of a playlist is searched, so eight bytes are tested at a time for a g or G
// (a byte that is 'g' once the case bit is set) and only those places are compared in full.
bool containsGecko(View<char> line)
{
    constexpr std::uint64_t Ones = 0x0101010101010101ull;
    constexpr std::uint64_t Highs = 0x8080808080808080ull;
    std::size_t i = 0;
    for (; i + 8 <= line.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, line.data() + i, 8);
        const std::uint64_t x = (word | (0x20 * Ones)) ^ ('g' * Ones);
        if (((x - Ones) & ~x & Highs) == 0)
            continue;
        for (std::size_t k = i; k < i + 8 && k + 5 <= line.size(); ++k) {
            if (geckoAt(line, k))
                return true;
        }
    }
    for (; i + 5 <= line.size(); ++i) {
        if (geckoAt(line, i))
            return true;
    }
    return false;
}

QStringView asText(View<char16_t> text)
{
    return QStringView(text.data(), qsizetype(text.size()));
}

QString toQString(View<char16_t> text)
{
    return asText(text).toString();
}

QString toQString(View<char> bytes)
{
    // fromUtf8 drops a leading byte-order mark, which in a name or address is a character.
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        QStringDecoder decoder(QStringConverter::Utf8,
                               QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        return decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    }
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

// Qt's case-insensitive prefix test, which folds case beyond ASCII.
bool startsWithIgnoringCase(View<char16_t> text, QLatin1StringView prefix)
{
    return asText(text).startsWith(prefix, Qt::CaseInsensitive);
}

// The same answer as for the decoded text. ASCII bytes are compared as they stand; from the
// first other byte on, the few characters that can matter are decoded, since a non-ASCII
// character may fold to an ASCII letter (the long s to s).
bool startsWithIgnoringCase(View<char> bytes, QLatin1StringView prefix)
{
    const std::size_t n = std::size_t(prefix.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (i == bytes.size())
            return false;
        if (static_cast<unsigned char>(bytes[i]) >= 0x80)
            break;
        if (asciiUpper(bytes[i]) != asciiUpper(prefix[qsizetype(i)].toLatin1()))
            return false;
        if (i + 1 == n)
            return true;
    }
    // n characters take at most 4 * n bytes; a character cut at that length lies past them.
    constexpr std::size_t MaxPrefix = 8;
    Q_ASSERT(n <= MaxPrefix);
    QChar units[4 * MaxPrefix];
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QChar *end =
        decoder.appendToBuffer(units, QByteArrayView(bytes.data(), qsizetype(std::min(bytes.size(), 4 * n))));
    return QStringView(units, end).startsWith(prefix, Qt::CaseInsensitive);
}

template <typename Char> bool isNameLine(View<Char> line)
{
    return startsWithIgnoringCase(line, QLatin1StringView("#EXTINF")) && !containsGecko(line);
}

// A name with a comma or a quotation mark comes from a title cut inside its attributes;
// a name that is a web address means the entry had no title at all.
template <typename Char> bool isAcceptedName(View<Char> name)
{
    return name.find(Char(',')) == View<Char>::npos && name.find(Char('"')) == View<Char>::npos &&
           !startsWithIgnoringCase(name, QLatin1StringView("https://")) &&
           !startsWithIgnoringCase(name, QLatin1StringView("http://"));
}

// The position of the next c at or after from; size when there is none. Both use the
// library's vectorised search.
std::size_t findUnit(View<char16_t> text, char16_t c, std::size_t from)
{
    const qsizetype at = asText(text).indexOf(QChar(c), qsizetype(from));
    return at < 0 ? text.size() : std::size_t(at);
}

std::size_t findUnit(View<char> bytes, char c, std::size_t from)
{
    const void *at = std::memchr(bytes.data() + from, c, bytes.size() - from);
    return at ? std::size_t(static_cast<const char *>(at) - bytes.data()) : bytes.size();
}

// One line of the playlist: sets, keeps or ends the pending name, and collects an
// accepted channel.
template <typename Char>
void readLine(View<Char> piece, View<Char> &channelName, std::vector<TM3UChannel> &accepted)
{
    const View<Char> line = trimControls(piece);
    if (isNameLine(line)) {
        const std::size_t comma = line.find(Char(','));
        channelName = comma == View<Char>::npos ? line : line.substr(comma + 1);
        return;
    }
    if (line.empty() || line.front() == Char('#'))
        return;

    const View<Char> streamURL = line;
    if (channelName.empty())
        channelName = streamURL;
    if (isAcceptedName(channelName))
        accepted.push_back(TM3UChannel{toQString(channelName), toQString(streamURL)});
    channelName = {};
}

} // namespace

M3UStreamReader::M3UStreamReader() = default;

M3UStreamReader::~M3UStreamReader() = default;

template <typename Char> void M3UStreamReader::feedPiece(View<Char> piece, LineState<Char> &state)
{
    // Names stay views into the piece while it lasts, so a line costs no allocation of its
    // own; only a name still pending at the end of the piece is copied.
    View<Char> channelName = state.name;
    std::size_t start = 0;
    if (state.skipLf && !piece.empty()) {
        state.skipLf = false;
        if (piece.front() == Char('\n'))
            start = 1;
    }

    const std::size_t size = piece.size();
    // The next CR and the next LF at or after start, each looked for again only once passed.
    std::size_t nextCr = 0;
    std::size_t nextLf = 0;
    bool crKnown = false;
    bool lfKnown = false;
    while (start < size) {
        if (!crKnown || (nextCr < start && nextCr != size)) {
            nextCr = findUnit(piece, Char('\r'), start);
            crKnown = true;
        }
        if (!lfKnown || (nextLf < start && nextLf != size)) {
            nextLf = findUnit(piece, Char('\n'), start);
            lfKnown = true;
        }
        const std::size_t end = std::min(nextCr, nextLf);
        if (end == size) {
            state.carry.append(piece.substr(start));
            break;
        }
        View<Char> line = piece.substr(start, end - start);
        if (!state.carry.empty()) {
            // The line began in an earlier piece; a name taken from it is owned at once.
            state.carry.append(line);
            View<Char> joinedName = channelName;
            readLine(View<Char>(state.carry), joinedName, m_accepted);
            if (joinedName.data() != channelName.data() || joinedName.size() != channelName.size()) {
                state.name.assign(joinedName);
                channelName = state.name;
            }
            state.carry.clear();
        } else {
            readLine(line, channelName, m_accepted);
        }

        if (piece[end] == Char('\r') && end + 1 == size)
            state.skipLf = true;
        start =
            piece[end] == Char('\r') && end + 1 < size && piece[end + 1] == Char('\n') ? end + 2 : end + 1;
    }

    if (channelName.data() != state.name.data() || channelName.size() != state.name.size())
        state.name.assign(channelName);
}

template <typename Char> void M3UStreamReader::finishState(LineState<Char> &state)
{
    View<Char> channelName = state.name;
    if (!state.carry.empty())
        readLine(View<Char>(state.carry), channelName, m_accepted);
    state = LineState<Char>{};
}

void M3UStreamReader::feed(QStringView text)
{
    Q_ASSERT(m_bytes.carry.empty() && m_bytes.name.empty());
    feedPiece(View<char16_t>(text.utf16(), std::size_t(text.size())), m_text);
}

void M3UStreamReader::feedUtf8(QByteArrayView bytes)
{
    Q_ASSERT(m_text.carry.empty() && m_text.name.empty());
    feedPiece(View<char>(bytes.data(), std::size_t(bytes.size())), m_bytes);
}

void M3UStreamReader::finish(ChannelListModel &list)
{
    finishState(m_text);
    finishState(m_bytes);
    std::vector<TM3UChannel> accepted;
    accepted.swap(m_accepted);
    list.addChannels(std::move(accepted));
}

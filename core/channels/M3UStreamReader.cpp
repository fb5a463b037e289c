#include "M3UStreamReader.h"

#include "ChannelListModel.h"
#include "LineRules.h"

#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <future>
#include <thread>
#include <utility>

namespace {

template <typename Char> using View = std::basic_string_view<Char>;

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
        // The high bit of every byte that is a g or G, and of no other. Attribute names are
        // full of g (tvg-id, logo, group-title), so only the flagged places are compared.
        constexpr std::uint64_t Lows = ~Highs;
        std::uint64_t flags = ~(((x & Lows) + Lows) | x | Lows);
        if constexpr (std::endian::native == std::endian::big)
            flags = __builtin_bswap64(flags); // byte 0 in the lowest bits, as on little-endian
        for (; flags != 0; flags &= flags - 1) {
            const std::size_t k = i + std::size_t(std::countr_zero(flags) / 8);
            if (k + 5 <= line.size() && geckoAt(line, k))
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

char16_t *copyUnits(char16_t *out, View<char16_t> text)
{
    std::copy(text.begin(), text.end(), out);
    return out + text.size();
}

bool isAscii(View<char> bytes)
{
    constexpr std::uint64_t Highs = 0x8080808080808080ull;
    std::uint64_t any = 0;
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        any |= word;
    }
    for (; i < bytes.size(); ++i)
        any |= static_cast<unsigned char>(bytes[i]);
    return (any & Highs) == 0;
}

// UTF-8 never takes fewer bytes than UTF-16 units, and no malformed byte decodes to more
// than one unit, so out needs room for bytes.size() units. (Counting the units exactly
// would cost more time than the few bytes it saves.)
char16_t *copyUnits(char16_t *out, View<char> bytes)
{
    if (isAscii(bytes)) { // addresses nearly always are
        std::transform(bytes.begin(), bytes.end(), out,
                       [](char c) { return char16_t(static_cast<unsigned char>(c)); });
        return out + bytes.size();
    }
    // A byte-order mark at the start of a name or address is a character of it, not a mark.
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QChar *const begin = reinterpret_cast<QChar *>(out);
    const QChar *end = decoder.appendToBuffer(begin, QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    return out + (end - begin);
}

// The name and the address of a channel share one allocation: a million channels cost a
// million allocations rather than two. Each string holds its own reference to the block, so
// Qt copies the block before either is changed while the other still uses it.
template <typename Char> TM3UChannel makeChannel(View<Char> name, View<Char> url)
{
    // Room for both texts and the name's terminating NUL; Qt keeps one unit past the room
    // for the last text's.
    auto [header, units] = QTypedArrayData<char16_t>::allocate(qsizetype(name.size() + url.size() + 1));
    Q_CHECK_PTR(header);
    char16_t *const nameEnd = copyUnits(units, name);
    *nameEnd = u'\0';
    char16_t *const urlBegin = nameEnd + 1;
    char16_t *const urlEnd = copyUnits(urlBegin, url);
    *urlEnd = u'\0';
    header->ref();
    return TM3UChannel{QString(QString::DataPointer(header, units, nameEnd - units)),
                       QString(QString::DataPointer(header, urlBegin, urlEnd - urlBegin))};
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
    // A leading byte-order mark is a character of the line here too: "\uFEFF#EXTINF" is no name line.
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
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

// What the lines of one part of a piece leave behind. The name is a view into the piece or
// into the state's own copy. A part read on a second thread starts without knowing the name
// pending before it: its first stream line, if no name line comes first, waits for that name.
template <typename Char> struct PartResult {
    ChannelBatches *accepted = nullptr;
    View<Char> channelName;
    bool nameKnown = true;
    bool waiting = false; // streamWaiting needs the name pending before the part
    View<Char> streamWaiting;
};

// One line of the playlist: sets, keeps or ends the pending name, and collects an
// accepted channel.
template <typename Char> void readLine(View<Char> piece, PartResult<Char> &part)
{
    const View<Char> line = trimControls(piece);
    if (isNameLine(line)) {
        const std::size_t comma = line.find(Char(','));
        part.channelName = comma == View<Char>::npos ? line : line.substr(comma + 1);
        part.nameKnown = true;
        return;
    }
    if (line.empty() || line.front() == Char('#'))
        return;

    const View<Char> streamURL = line;
    if (!part.nameKnown) {
        part.waiting = true;
        part.streamWaiting = streamURL;
        part.nameKnown = true;
        part.channelName = {};
        return;
    }
    View<Char> channelName = part.channelName;
    if (channelName.empty())
        channelName = streamURL;
    if (isAcceptedName(channelName))
        part.accepted->push(makeChannel(channelName, streamURL));
    part.channelName = {};
}

template <typename Char> bool sameView(View<Char> a, View<Char> b)
{
    return a.data() == b.data() && a.size() == b.size();
}

// Whether a second core is there to read half of a large piece.
bool twoCores()
{
    static const bool available = std::thread::hardware_concurrency() > 1;
    return available;
}

// The lines of piece. A line left unfinished at its end goes to state.carry; the first line
// completes an earlier piece's unfinished one when there is one.
template <typename Char, typename State>
void readLines(View<Char> piece, State &state, PartResult<Char> &part)
{
    // Names stay views into the piece while it lasts, so a line costs no allocation of its
    // own; a name still pending at the end of the piece is copied by the caller.
    std::size_t start = 0;
    if (state.skipLf && !piece.empty()) {
        state.skipLf = false;
        if (piece.front() == Char('\n'))
            start = 1;
    }

    const std::size_t size = piece.size();
    LineBreaks<Char> breaks(piece);
    while (start < size) {
        const std::size_t end = breaks.lineEnd(start);
        if (end == size) {
            state.carry.append(piece.substr(start));
            break;
        }
        View<Char> line = piece.substr(start, end - start);
        if (!state.carry.empty()) {
            // The line began in an earlier piece; a name taken from it is owned at once.
            Q_ASSERT(part.nameKnown);
            state.carry.append(line);
            const View<Char> before = part.channelName;
            readLine(View<Char>(state.carry), part);
            if (!sameView(part.channelName, before)) {
                state.name.assign(part.channelName);
                part.channelName = state.name;
            }
            state.carry.clear();
        } else {
            readLine(line, part);
        }

        // A CR that ends the piece may have its LF at the start of the next one.
        if (piece[end] == Char('\r') && end + 1 == size)
            state.skipLf = true;
        start = breaks.nextStart(end);
    }
}

// Where a piece is cut for two threads; 0 when it is read whole.
template <typename Char> std::size_t splitPoint(View<Char> piece, std::size_t splitFrom)
{
    if (splitFrom == 0 || piece.size() < splitFrom || !twoCores())
        return 0;
    // Just after an LF, which always ends a line break, whether alone or after a CR.
    const std::size_t lf = findUnit(piece, Char('\n'), piece.size() / 2);
    return lf + 1 < piece.size() ? lf + 1 : 0;
}

} // namespace

void ChannelBatches::push(TM3UChannel &&channel)
{
    // Small lists grow one vector as usual; large ones go on in new batches of this size.
    constexpr std::size_t BatchSize = 16384;
    if (m_batches.empty() ||
        (m_batches.back().size() == m_batches.back().capacity() && m_batches.back().size() >= BatchSize)) {
        m_batches.emplace_back();
        if (m_batches.size() > 1)
            m_batches.back().reserve(BatchSize);
    }
    m_batches.back().push_back(std::move(channel));
    ++m_size;
}

void ChannelBatches::drainFrom(ChannelBatches &other)
{
    // The channels move one by one into full-sized batches: moving whole batches would leave
    // part-filled ones behind, and growing a fresh batch for every piece costs more than this.
    for (std::vector<TM3UChannel> &batch : other.m_batches) {
        for (TM3UChannel &channel : batch)
            push(std::move(channel));
    }
    if (!other.m_batches.empty()) {
        other.m_batches.resize(1);
        other.m_batches.front().clear();
    }
    other.m_size = 0;
}

std::vector<std::vector<TM3UChannel>> ChannelBatches::take()
{
    m_size = 0;
    return std::exchange(m_batches, {});
}

M3UStreamReader::M3UStreamReader(std::size_t splitFrom) : m_splitFrom(splitFrom) {}

M3UStreamReader::~M3UStreamReader() = default;

template <typename Char> void M3UStreamReader::feedPiece(View<Char> piece, LineState<Char> &state)
{
    PartResult<Char> first;
    first.accepted = &m_accepted;
    first.channelName = state.name;

    const std::size_t split = splitPoint(piece, m_splitFrom);
    if (split == 0) {
        readLines(piece, state, first);
    } else {
        // Large pieces are read in two halves at once. The second half starts a line and
        // carries the end of the piece; the first ends with a complete line.
        LineState<Char> secondState;
        PartResult<Char> second;
        second.accepted = &m_secondAccepted;
        second.nameKnown = false;
        std::future<void> worker =
            std::async(std::launch::async, [&] { readLines(piece.substr(split), secondState, second); });
        readLines(piece.substr(0, split), state, first);
        worker.get();
        Q_ASSERT(state.carry.empty() && !state.skipLf);

        if (second.waiting) {
            const View<Char> channelName =
                first.channelName.empty() ? second.streamWaiting : first.channelName;
            if (isAcceptedName(channelName))
                m_accepted.push(makeChannel(channelName, second.streamWaiting));
            first.channelName = {};
        }
        m_accepted.drainFrom(m_secondAccepted);
        if (second.nameKnown)
            first.channelName = second.channelName;
        state.carry = std::move(secondState.carry);
        state.skipLf = secondState.skipLf;
    }

    if (!sameView(first.channelName, View<Char>(state.name)))
        state.name.assign(first.channelName);
}

template <typename Char> void M3UStreamReader::finishState(LineState<Char> &state)
{
    PartResult<Char> part;
    part.accepted = &m_accepted;
    part.channelName = state.name;
    if (!state.carry.empty())
        readLine(View<Char>(state.carry), part);
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
    list.addChannelBatches(takeChannels());
}

std::vector<std::vector<TM3UChannel>> M3UStreamReader::takeChannels()
{
    finishState(m_text);
    finishState(m_bytes);
    m_secondAccepted = ChannelBatches{};
    return m_accepted.take();
}

std::size_t M3UStreamReader::acceptedCount() const
{
    return m_accepted.size();
}

#pragma once

#include <QStringView>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>
#include <type_traits>

// How the program reads the lines of a text: the M3U reader, the favourites text (which must be
// read back exactly as the reader reads it) and Playlists.lst all cut lines here. A line ends at
// CR LF, at a lone CR or at a lone LF; a break at the very end of the text starts no further line.
// The reader and the favourites also trim every line the same way.
// Templates for both UTF-16 units and UTF-8 bytes, kept here so the reader's loop inlines them.

// Codes up to 32, blanks and control characters, are trimmed from both ends of a line: a no-break
// space or a byte-order mark is part of the line. In UTF-8 these are single bytes that no
// multi-byte sequence contains.
template <typename Char> constexpr bool isControlOrBlank(Char c)
{
    return std::make_unsigned_t<Char>(c) <= 32;
}

inline bool isControlOrBlank(QChar c)
{
    return isControlOrBlank(c.unicode());
}

template <typename Char> std::basic_string_view<Char> trimControls(std::basic_string_view<Char> line)
{
    std::size_t begin = 0;
    std::size_t end = line.size();
    while (begin < end && isControlOrBlank(line[begin]))
        ++begin;
    while (end > begin && isControlOrBlank(line[end - 1]))
        --end;
    return line.substr(begin, end - begin);
}

inline QStringView trimControls(QStringView line)
{
    const std::u16string_view trimmed =
        trimControls(std::u16string_view(line.utf16(), std::size_t(line.size())));
    return QStringView(trimmed.data(), qsizetype(trimmed.size()));
}

// The position of the next c at or after from, or the text's size when there is none; both with
// the library's vectorised search.
inline std::size_t findUnit(std::u16string_view text, char16_t c, std::size_t from)
{
    const qsizetype at = QStringView(text.data(), qsizetype(text.size())).indexOf(QChar(c), qsizetype(from));
    return at < 0 ? text.size() : std::size_t(at);
}

inline std::size_t findUnit(std::string_view bytes, char c, std::size_t from)
{
    const void *at = std::memchr(bytes.data() + from, c, bytes.size() - from);
    return at ? std::size_t(static_cast<const char *>(at) - bytes.data()) : bytes.size();
}

// Finds the line breaks of one text from its start to its end. The next CR and the next LF are
// each looked for again only once passed, so a text with only one kind is not searched to its
// end for the other at every line.
template <typename Char> class LineBreaks final {
public:
    explicit LineBreaks(std::basic_string_view<Char> text) : m_text(text) {}

    // Where the line that starts at `start` ends: the position of its break, or the text's size
    // when no break follows. Calls go forward through the text.
    std::size_t lineEnd(std::size_t start)
    {
        const std::size_t size = m_text.size();
        if (!m_crKnown || (m_nextCr < start && m_nextCr != size)) {
            m_nextCr = findUnit(m_text, Char('\r'), start);
            m_crKnown = true;
        }
        if (!m_lfKnown || (m_nextLf < start && m_nextLf != size)) {
            m_nextLf = findUnit(m_text, Char('\n'), start);
            m_lfKnown = true;
        }
        return std::min(m_nextCr, m_nextLf);
    }

    // Where the next line starts after the break at `end`: past CR LF, else past the one unit.
    std::size_t nextStart(std::size_t end) const
    {
        return m_text[end] == Char('\r') && end + 1 < m_text.size() && m_text[end + 1] == Char('\n')
                   ? end + 2
                   : end + 1;
    }

private:
    std::basic_string_view<Char> m_text;
    std::size_t m_nextCr = 0;
    std::size_t m_nextLf = 0;
    bool m_crKnown = false;
    bool m_lfKnown = false;
};

// Calls visit(line, lineStart, nextStart) for every line of text, untrimmed; nextStart is just
// past the line's break, or the end of the text.
template <typename Visit> void forEachLine(QStringView text, Visit visit)
{
    const std::u16string_view units(text.utf16(), std::size_t(text.size()));
    LineBreaks<char16_t> breaks(units);
    std::size_t start = 0;
    while (start < units.size()) {
        const std::size_t end = breaks.lineEnd(start);
        const std::size_t next = end == units.size() ? end : breaks.nextStart(end);
        visit(text.sliced(qsizetype(start), qsizetype(end - start)), qsizetype(start), qsizetype(next));
        start = next;
    }
}

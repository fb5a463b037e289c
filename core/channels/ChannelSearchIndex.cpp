#include "ChannelSearchIndex.h"

#include <QChar>

#include <algorithm>
#include <cstring>
#include <future>
#include <string.h> // memmem
#include <utility>

namespace {

constexpr char RowEnd = char(0xFF);

void appendUnits(std::vector<char> &out, QStringView text)
{
    for (const QChar c : text) {
        const char16_t u = ChannelSearchIndex::upper(c.unicode());
        if (u < 0x80) {
            out.push_back(char(u));
        } else if (u < 0x800) {
            out.push_back(char(0xC0 | (u >> 6)));
            out.push_back(char(0x80 | (u & 0x3F)));
        } else {
            out.push_back(char(0xE0 | (u >> 12)));
            out.push_back(char(0x80 | ((u >> 6) & 0x3F)));
            out.push_back(char(0x80 | (u & 0x3F)));
        }
    }
}

std::size_t encodedLength(QStringView text)
{
    std::size_t length = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode() < 0x80 ? c.unicode() : ChannelSearchIndex::upper(c.unicode());
        length += u < 0x80 ? 1 : u < 0x800 ? 2 : 3;
    }
    return length;
}

char *encodeInto(char *out, QStringView text)
{
    for (const QChar c : text) {
        const char16_t u = ChannelSearchIndex::upper(c.unicode());
        if (u < 0x80) {
            *out++ = char(u);
        } else if (u < 0x800) {
            *out++ = char(0xC0 | (u >> 6));
            *out++ = char(0x80 | (u & 0x3F));
        } else {
            *out++ = char(0xE0 | (u >> 12));
            *out++ = char(0x80 | ((u >> 6) & 0x3F));
            *out++ = char(0x80 | (u & 0x3F));
        }
    }
    return out;
}

// Runs work(first, last) over [0, count), in two halves at once when asked.
void split(std::size_t count, bool twoThreads, const std::function<void(std::size_t, std::size_t)> &work)
{
    if (!twoThreads) {
        work(0, count);
        return;
    }
    std::future<void> second = std::async(std::launch::async, [&] { work(count / 2, count); });
    work(0, count / 2);
    second.get();
}

} // namespace

char16_t ChannelSearchIndex::upper(char16_t unit)
{
    if (unit < 0x80)
        return unit >= u'a' && unit <= u'z' ? char16_t(unit - 0x20) : unit;
    return QChar(unit).toUpper().unicode();
}

void ChannelSearchIndex::assign(std::size_t count, const std::function<QStringView(std::size_t)> &text)
{
    m_bytes.clear();
    m_marks.clear();
    m_rows = count;
    std::size_t units = 0;
    for (std::size_t i = 0; i < count; ++i)
        units += std::size_t(text(i).size()) + 1;
    // Most units take one byte; a list with many others grows the buffer once or twice.
    m_bytes.reserve(units + units / 8);
    m_marks.reserve(count / Stride + 1);
    // Row texts usually lie in reading order, not row order: ask for them some rows ahead.
    constexpr std::size_t Ahead = 16;
    for (std::size_t i = 0; i < count; ++i) {
        if (i + Ahead < count)
            __builtin_prefetch(text(i + Ahead).data());
        if (i % Stride == 0)
            m_marks.push_back(m_bytes.size());
        appendUnits(m_bytes, text(i));
        m_bytes.push_back(RowEnd);
    }
    if (m_bytes.capacity() - m_bytes.size() > m_bytes.size() / 8)
        m_bytes.shrink_to_fit();
}

void ChannelSearchIndex::assignFrom(std::size_t count, const std::function<QStringView(std::size_t)> &text,
                                    const std::function<std::size_t(std::size_t)> &rowOf, bool twoThreads)
{
    clear();
    // Each row's first byte: its length first, then the running sum.
    std::vector<std::size_t> offsets(count + 1);
    split(count, twoThreads, [&](std::size_t first, std::size_t last) {
        for (std::size_t i = first; i < last; ++i)
            offsets[rowOf(i)] = encodedLength(text(i)) + 1;
    });
    std::size_t total = 0;
    for (std::size_t &offset : offsets)
        total += std::exchange(offset, total);
    m_bytes.resize(total);
    split(count, twoThreads, [&](std::size_t first, std::size_t last) {
        for (std::size_t i = first; i < last; ++i) {
            char *const end = encodeInto(m_bytes.data() + offsets[rowOf(i)], text(i));
            *end = RowEnd;
        }
    });
    m_rows = count;
    m_marks.reserve(count / Stride + 1);
    for (std::size_t row = 0; row < count; row += Stride)
        m_marks.push_back(offsets[row]);
}

std::size_t ChannelSearchIndex::offsetOf(std::size_t row) const
{
    if (row >= m_rows)
        return m_bytes.size();
    std::size_t offset = m_marks[row / Stride];
    for (std::size_t r = row / Stride * Stride; r < row; ++r) {
        const void *end = std::memchr(m_bytes.data() + offset, RowEnd, m_bytes.size() - offset);
        offset = std::size_t(static_cast<const char *>(end) - m_bytes.data()) + 1;
    }
    return offset;
}

std::size_t ChannelSearchIndex::rowAt(std::size_t offset) const
{
    const auto mark = std::upper_bound(m_marks.begin(), m_marks.end(), offset) - 1;
    std::size_t row = std::size_t(mark - m_marks.begin()) * Stride;
    const char *at = m_bytes.data() + *mark;
    const char *const target = m_bytes.data() + offset;
    for (;;) {
        at = static_cast<const char *>(
            std::memchr(at, RowEnd, std::size_t(m_bytes.data() + m_bytes.size() - at)));
        if (at >= target)
            return row;
        ++at;
        ++row;
    }
}

void ChannelSearchIndex::remark(std::size_t row)
{
    // Marks of rows up to row itself do not move when row or a later one changes.
    m_marks.resize(std::min(row / Stride + 1, m_marks.size()));
    while (!m_marks.empty() && (m_marks.size() - 1) * Stride >= m_rows)
        m_marks.pop_back();
    if (m_rows == 0)
        return;
    if (m_marks.empty())
        m_marks.push_back(0);
    std::size_t r = (m_marks.size() - 1) * Stride;
    std::size_t offset = m_marks.back();
    for (;;) {
        const std::size_t next = r + Stride;
        if (next >= m_rows)
            return;
        for (; r < next; ++r) {
            const void *end = std::memchr(m_bytes.data() + offset, RowEnd, m_bytes.size() - offset);
            offset = std::size_t(static_cast<const char *>(end) - m_bytes.data()) + 1;
        }
        m_marks.push_back(offset);
    }
}

void ChannelSearchIndex::insert(std::size_t row, QStringView text)
{
    row = std::min(row, m_rows);
    std::vector<char> bytes;
    appendUnits(bytes, text);
    bytes.push_back(RowEnd);
    const std::size_t at = offsetOf(row);
    m_bytes.insert(m_bytes.begin() + std::ptrdiff_t(at), bytes.begin(), bytes.end());
    ++m_rows;
    remark(row);
}

void ChannelSearchIndex::remove(std::size_t row)
{
    if (row >= m_rows)
        return;
    const std::size_t begin = offsetOf(row);
    const std::size_t end = offsetOf(row + 1);
    m_bytes.erase(m_bytes.begin() + std::ptrdiff_t(begin), m_bytes.begin() + std::ptrdiff_t(end));
    --m_rows;
    remark(row);
}

void ChannelSearchIndex::replace(std::size_t row, QStringView text)
{
    if (row >= m_rows)
        return;
    std::vector<char> bytes;
    appendUnits(bytes, text);
    bytes.push_back(RowEnd);
    const std::size_t begin = offsetOf(row);
    const std::size_t end = offsetOf(row + 1);
    m_bytes.erase(m_bytes.begin() + std::ptrdiff_t(begin), m_bytes.begin() + std::ptrdiff_t(end));
    m_bytes.insert(m_bytes.begin() + std::ptrdiff_t(begin), bytes.begin(), bytes.end());
    remark(row);
}

void ChannelSearchIndex::clear()
{
    m_bytes = {};
    m_marks = {};
    m_rows = 0;
}

std::ptrdiff_t ChannelSearchIndex::findNext(QStringView text, std::ptrdiff_t startIndex) const
{
    if (text.isEmpty())
        return -1;
    const std::size_t first = startIndex < 0 ? 0 : std::size_t(startIndex) + 1;
    if (first >= m_rows)
        return -1;
    std::vector<char> needle;
    appendUnits(needle, text);
    const std::size_t begin = offsetOf(first);
    const void *hit = memmem(m_bytes.data() + begin, m_bytes.size() - begin, needle.data(), needle.size());
    if (!hit)
        return -1;
    return std::ptrdiff_t(rowAt(std::size_t(static_cast<const char *>(hit) - m_bytes.data())));
}

#pragma once

#include <QStringView>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// The row texts of a channel list, upper-cased one UTF-16 unit at a time (QChar::toUpper, so
// the length never changes: ß stays ß, a surrogate stays as it is) and laid end to end in row
// order, so that the search box's "next row after StartIndex containing the text" is one
// substring search over one buffer instead of a copy and an upper-casing of every row.
//
// Each unit is written as UTF-8 writes a single code point, surrogates included (three bytes
// each), and each row ends with the byte FF, which no unit produces. Units then map one to one
// to prefix-free byte groups that start with a byte no group continues with, so a byte match
// of the needle is exactly a match of its units, and never spans two rows. For names that are
// mostly ASCII this takes half the room of UTF-16.
//
// Not for concurrent use; an index may be built on one thread and handed to another.
class ChannelSearchIndex final {
public:
    // Replaces the content with count rows, row i's text being text(i).
    void assign(std::size_t count, const std::function<QStringView(std::size_t)> &text);
    // The same for texts met in another order: the i-th text, text(i), is row rowOf(i). The
    // texts are read in their own order, in which a freshly read list lies in memory, so only
    // the writes land at random; with twoThreads a second thread takes half the texts.
    void assignFrom(std::size_t count, const std::function<QStringView(std::size_t)> &text,
                    const std::function<std::size_t(std::size_t)> &rowOf, bool twoThreads);
    void insert(std::size_t row, QStringView text);
    void remove(std::size_t row);
    void replace(std::size_t row, QStringView text);
    void clear();

    std::size_t rowCount() const { return m_rows; }
    std::size_t byteSize() const { return m_bytes.size(); }

    // The first row after startIndex whose text contains text, both upper-cased as above; -1
    // when none does or text is empty. Rows before startIndex + 1 are never looked at.
    std::ptrdiff_t findNext(QStringView text, std::ptrdiff_t startIndex) const;

    // The upper-casing the index uses, for one unit.
    static char16_t upper(char16_t unit);

private:
    // Every Stride-th row's first byte is kept, so finding a row's bytes or a byte's row costs
    // a look-up and a scan of at most Stride rows.
    static constexpr std::size_t Stride = 64;

    std::size_t offsetOf(std::size_t row) const;
    std::size_t rowAt(std::size_t offset) const;
    // Recomputes the kept offsets from the block of row on.
    void remark(std::size_t row);

    std::vector<char> m_bytes;
    std::vector<std::size_t> m_marks; // m_marks[k]: offset of row k * Stride
    std::size_t m_rows = 0;
};

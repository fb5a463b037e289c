#include "ChannelListModel.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <thread>

namespace {

// Below this many names the cost of starting a thread outweighs the parallel work.
constexpr std::size_t ParallelThreshold = 20000;

bool parallel(std::size_t n)
{
    return n >= ParallelThreshold && std::thread::hardware_concurrency() > 1;
}

// The sort keys of a run of names, packed into one arena so that a million names cost a few
// allocations rather than a million.
struct KeyBlock {
    std::vector<std::uint8_t> arena;
    std::vector<std::uint32_t> offsets; // offsets[i] .. offsets[i + 1] is the key of name i
};

KeyBlock sortKeys(const ChannelCollator &collator, const std::vector<TM3UChannel> &channels,
                  std::size_t begin, std::size_t end)
{
    KeyBlock block;
    block.offsets.reserve(end - begin + 1);
    block.arena.reserve((end - begin) * 48);
    block.offsets.push_back(0);
    for (std::size_t i = begin; i < end; ++i) {
        collator.appendSortKey(channels[i].Name, block.arena);
        block.offsets.push_back(std::uint32_t(block.arena.size()));
    }
    return block;
}

// One entry of the sort: the first eight key bytes as a big-endian number decide most
// comparisons without touching the arena; the rest of the key is read only on a tie.
struct SortEntry {
    std::uint64_t prefix;
    std::uint32_t index;
};

class KeyOrder {
public:
    explicit KeyOrder(const std::vector<KeyBlock> &blocks)
    {
        for (const KeyBlock &block : blocks) {
            for (std::size_t i = 0; i + 1 < block.offsets.size(); ++i) {
                m_keys.push_back(block.arena.data() + block.offsets[i]);
                m_lengths.push_back(block.offsets[i + 1] - block.offsets[i]);
            }
        }
    }

    SortEntry entry(std::uint32_t index) const
    {
        const std::uint8_t *key = m_keys[index];
        const std::uint32_t length = m_lengths[index];
        std::uint64_t prefix = 0;
        for (std::uint32_t i = 0; i < 8; ++i)
            prefix = (prefix << 8) | (i < length ? key[i] : 0u);
        return {prefix, index};
    }

    // Keys end with their only zero byte, so two keys that agree on the first eight bytes
    // and end within them are equal, and memcmp over the shorter length decides the rest.
    bool operator()(const SortEntry &a, const SortEntry &b) const
    {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        const std::uint32_t la = m_lengths[a.index];
        const std::uint32_t lb = m_lengths[b.index];
        if (la > 8 && lb > 8) {
            const int c = std::memcmp(m_keys[a.index] + 8, m_keys[b.index] + 8, std::min(la, lb) - 8);
            if (c != 0)
                return c < 0;
        }
        return a.index < b.index;
    }

private:
    std::vector<const std::uint8_t *> m_keys;
    std::vector<std::uint32_t> m_lengths;
};

// The order in which the names sort. Equal names keep the order in which they were given.
// Large batches compute their keys and sort on two threads: with ICU the keys are most of
// the cost of filling the list.
std::vector<std::uint32_t> sortedOrder(const ChannelCollator &collator,
                                       const std::vector<TM3UChannel> &channels)
{
    const std::size_t n = channels.size();
    const bool twoThreads = parallel(n);
    const std::size_t half = twoThreads ? n / 2 : n;

    std::vector<KeyBlock> blocks(twoThreads ? 2 : 1);
    if (twoThreads) {
        // Each thread owns its collator: an ICU collator is not for concurrent use.
        std::thread worker([&] { blocks[1] = sortKeys(ChannelCollator(collator), channels, half, n); });
        blocks[0] = sortKeys(collator, channels, 0, half);
        worker.join();
    } else {
        blocks[0] = sortKeys(collator, channels, 0, n);
    }

    const KeyOrder keys(blocks);
    // std::sort copies its comparator freely: hand it a reference, not the key tables.
    const auto before = [&keys](const SortEntry &a, const SortEntry &b) { return keys(a, b); };
    std::vector<SortEntry> entries(n);
    for (std::size_t i = 0; i < n; ++i)
        entries[i] = keys.entry(std::uint32_t(i));

    if (twoThreads) {
        const auto middle = entries.begin() + std::ptrdiff_t(half);
        std::thread worker([&] { std::sort(middle, entries.end(), before); });
        std::sort(entries.begin(), middle, before);
        worker.join();
        std::inplace_merge(entries.begin(), middle, entries.end(), before);
    } else {
        std::sort(entries.begin(), entries.end(), before);
    }

    std::vector<std::uint32_t> order(n);
    for (std::size_t i = 0; i < n; ++i)
        order[i] = entries[i].index;
    return order;
}

} // namespace

ChannelListModel::ChannelListModel(QObject *parent) : QAbstractListModel(parent), m_collator(QLocale()) {}

ChannelListModel::~ChannelListModel() = default;

int ChannelListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant ChannelListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row &row = m_rows[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return row.text;
    case UrlRole:
        return row.channel ? QVariant(row.channel->URL) : QVariant();
    default:
        return {};
    }
}

QString ChannelListModel::text(int row) const
{
    if (row < 0 || row >= count())
        return {};
    return m_rows[static_cast<std::size_t>(row)].text;
}

TM3UChannel *ChannelListModel::channel(int row) const
{
    if (row < 0 || row >= count())
        return nullptr;
    return m_rows[static_cast<std::size_t>(row)].channel;
}

int ChannelListModel::sortedInsertPosition(const QString &text) const
{
    // After all rows that compare equal, so that equal names stay together in insertion order.
    const auto it =
        std::upper_bound(m_rows.begin(), m_rows.end(), text, [this](const QString &t, const Row &r) {
            return m_collator.compare(t, r.text) < 0;
        });
    return static_cast<int>(it - m_rows.begin());
}

void ChannelListModel::addText(const QString &text)
{
    const int position = sortedInsertPosition(text);
    beginInsertRows(QModelIndex(), position, position);
    m_rows.insert(m_rows.begin() + position, Row{text, nullptr});
    endInsertRows();
}

void ChannelListModel::addChannels(std::vector<TM3UChannel> channels)
{
    if (channels.empty())
        return;

    const std::vector<std::uint32_t> order = sortedOrder(m_collator, channels);
    std::vector<Row> added(channels.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        TM3UChannel &record = channels[order[i]];
        added[i] = Row{record.Name, &record};
    }
    m_records.push_back(std::move(channels)); // moving the vector keeps its elements in place

    if (m_rows.empty()) {
        beginInsertRows(QModelIndex(), 0, static_cast<int>(added.size()) - 1);
        m_rows = std::move(added);
        endInsertRows();
        return;
    }

    // Existing rows first among equals, as if each new row had been inserted on its own.
    std::vector<Row> merged;
    merged.reserve(m_rows.size() + added.size());
    std::merge(m_rows.begin(), m_rows.end(), added.begin(), added.end(), std::back_inserter(merged),
               [this](const Row &a, const Row &b) { return m_collator.compare(a.text, b.text) < 0; });
    beginResetModel();
    m_rows = std::move(merged);
    endResetModel();
}

void ChannelListModel::removeAt(int row)
{
    if (row < 0 || row >= count())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    if (TM3UChannel *record = m_rows[static_cast<std::size_t>(row)].channel)
        *record = TM3UChannel{};
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

void ChannelListModel::setText(int row, const QString &text)
{
    if (row < 0 || row >= count())
        return;
    m_rows[static_cast<std::size_t>(row)].text = text;
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
}

void ChannelListModel::clear()
{
    if (m_rows.empty()) {
        m_records.clear();
        return;
    }
    beginResetModel();
    m_rows.clear();
    m_records.clear();
    endResetModel();
}

#include "ChannelListModel.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <future>
#include <thread>

namespace {

// Below this many names the cost of starting a thread outweighs the parallel work.
constexpr std::size_t ParallelThreshold = 20000;

bool parallel(std::size_t n)
{
    return n >= ParallelThreshold && std::thread::hardware_concurrency() > 1;
}

// One name to sort: its sort key and where it came from. prefix holds eight key bytes, read
// as a big-endian number from the depth the sort has reached (zero past the key's end), so
// most comparisons are between two integers.
struct SortEntry {
    std::uint64_t prefix;
    const std::uint8_t *key;
    std::uint32_t length; // with the terminating zero byte, the only zero a key holds
    std::uint32_t index;  // the name's place in the batch
};

std::uint64_t keyBytesAt(const SortEntry &entry, std::uint32_t depth)
{
    if (entry.length >= depth + 8) {
        std::uint64_t word;
        std::memcpy(&word, entry.key + depth, 8);
        if constexpr (std::endian::native == std::endian::little)
            word = __builtin_bswap64(word);
        return word;
    }
    std::uint64_t prefix = 0;
    for (std::uint32_t i = depth; i < depth + 8; ++i)
        prefix = (prefix << 8) | (i < entry.length ? entry.key[i] : 0u);
    return prefix;
}

// Sort keys of the names first .. last - 1, written into one arena, and their entries.
// Stops early, with some keys missing, once cancelled is set.
void computeKeys(const ChannelCollator &collator, const std::vector<TM3UChannel *> &records,
                 std::size_t first, std::size_t last, std::vector<std::uint8_t> &arena, SortEntry *entries,
                 const std::atomic<bool> *cancelled)
{
    std::vector<std::uint32_t> ends(last - first);
    arena.reserve((last - first) * 32);
    for (std::size_t i = first; i < last; ++i) {
        // The keys are most of a large sort's time; a load given up should not wait for them.
        if (cancelled && i % 4096 == 0 && cancelled->load())
            return;
        collator.appendSortKey(records[i]->Name, arena);
        ends[i - first] = std::uint32_t(arena.size());
    }
    // Only now is the arena where it stays.
    std::uint32_t begin = 0;
    for (std::size_t i = first; i < last; ++i) {
        const std::uint32_t end = ends[i - first];
        SortEntry &entry = entries[i];
        entry.key = arena.data() + begin;
        entry.length = end - begin;
        entry.index = std::uint32_t(i);
        entry.prefix = keyBytesAt(entry, 0);
        begin = end;
    }
}

// Orders [begin, end) by key, then by index, so that equal names keep their batch order.
// The entries agree on their first depth key bytes. A run of entries that also agree on the
// eight bytes of prefix is sorted again on the next eight, unless those bytes hold the
// keys' end, in which case the keys are equal and the index has decided.
void sortEntries(SortEntry *begin, SortEntry *end, std::uint32_t depth)
{
    for (;;) {
        std::sort(begin, end, [](const SortEntry &a, const SortEntry &b) {
            return a.prefix != b.prefix ? a.prefix < b.prefix : a.index < b.index;
        });
        SortEntry *deepest = nullptr; // the last run to refine, done by this loop, not by recursion
        SortEntry *deepestEnd = nullptr;
        for (SortEntry *run = begin; run != end;) {
            SortEntry *runEnd = run + 1;
            while (runEnd != end && runEnd->prefix == run->prefix)
                ++runEnd;
            if (runEnd - run > 1 && run->length > depth + 8) {
                for (SortEntry *e = run; e != runEnd; ++e)
                    e->prefix = keyBytesAt(*e, depth + 8);
                if (deepest)
                    sortEntries(deepest, deepestEnd, depth + 8);
                deepest = run;
                deepestEnd = runEnd;
            }
            run = runEnd;
        }
        if (!deepest)
            return;
        begin = deepest;
        end = deepestEnd;
        depth += 8;
    }
}

// The row at which each name of the batch goes: rank[i] is the place of name i. Equal names
// keep the order in which they were given. Large batches compute their keys and sort on
// two threads.
// Empty when cancelled on the way.
std::vector<std::uint32_t> sortedRanks(const ChannelCollator &collator,
                                       const std::vector<TM3UChannel *> &records,
                                       const std::atomic<bool> *cancelled)
{
    const auto stopped = [cancelled] { return cancelled && cancelled->load(); };
    const std::size_t n = records.size();
    std::vector<SortEntry> entries(n);
    std::vector<std::uint8_t> arenas[2];
    std::vector<std::uint32_t> rank(n);
    const auto rankOf = [&](std::size_t first, std::size_t last) {
        for (std::size_t k = first; k < last; ++k)
            rank[entries[k].index] = std::uint32_t(k);
    };

    if (!parallel(n)) {
        computeKeys(collator, records, 0, n, arenas[0], entries.data(), cancelled);
        if (stopped())
            return {};
        sortEntries(entries.data(), entries.data() + n, 0);
        rankOf(0, n);
        return rank;
    }

    const std::size_t half = n / 2;
    {
        // Each thread owns its collator: an ICU collator is not for concurrent use.
        std::future<void> worker = std::async(std::launch::async, [&] {
            computeKeys(ChannelCollator(collator), records, half, n, arenas[1], entries.data(), cancelled);
        });
        computeKeys(collator, records, 0, half, arenas[0], entries.data(), cancelled);
        worker.get();
    }
    if (stopped())
        return {};

    // Split at the median of a sample of prefixes: everything before the split sorts before
    // everything after it, so the two parts sort on their own and need no merge.
    std::vector<std::uint64_t> sample;
    for (std::size_t i = 0; i < n; i += n / 256)
        sample.push_back(entries[i].prefix);
    std::nth_element(sample.begin(), sample.begin() + std::ptrdiff_t(sample.size() / 2), sample.end());
    const std::uint64_t pivot = sample[sample.size() / 2];
    SortEntry *const all = entries.data();
    SortEntry *const middle =
        std::partition(all, all + n, [pivot](const SortEntry &e) { return e.prefix < pivot; });
    const std::size_t split = std::size_t(middle - all);

    std::future<void> worker = std::async(std::launch::async, [&] {
        sortEntries(middle, all + n, 0);
        rankOf(split, n);
    });
    sortEntries(all, middle, 0);
    rankOf(0, split);
    worker.get();
    return rank;
}

} // namespace

ChannelListModel::ChannelListModel(QObject *parent) : QAbstractListModel(parent), m_collator(QLocale()) {}

ChannelListModel::~ChannelListModel() = default;

int ChannelListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QModelIndex ChannelListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (row < 0 || row >= count() || column != 0 || parent.isValid())
        return {};
    return createIndex(row, column);
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

QStringView ChannelListModel::textView(int row) const
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
    if (m_search)
        m_search->insert(std::size_t(position), text);
    endInsertRows();
}

void ChannelListModel::addChannels(std::vector<TM3UChannel> channels)
{
    std::vector<std::vector<TM3UChannel>> batches;
    batches.push_back(std::move(channels));
    addChannelBatches(std::move(batches));
}

void ChannelListModel::addChannelBatches(std::vector<std::vector<TM3UChannel>> batches)
{
    addPrepared(prepare(std::move(batches), m_collator, isSearchable()));
}

ChannelListModel::Prepared ChannelListModel::prepare(std::vector<std::vector<TM3UChannel>> batches,
                                                     const ChannelCollator &collator, bool searchable,
                                                     const std::atomic<bool> *cancelled)
{
    const auto stopped = [cancelled] { return cancelled && cancelled->load(); };
    Prepared prepared;
    std::vector<TM3UChannel *> records;
    std::size_t total = 0;
    for (const std::vector<TM3UChannel> &batch : batches)
        total += batch.size();
    if (total == 0 || stopped())
        return prepared;
    records.reserve(total);
    for (std::vector<TM3UChannel> &batch : batches) {
        for (TM3UChannel &record : batch)
            records.push_back(&record);
    }

    // The new rows in sorted order, each showing a copy of its record's Name. Rows are written
    // where they go while the records are read in their own order: the records and their
    // texts lie in memory in that order, so only the writes land at random.
    const std::vector<std::uint32_t> rank = sortedRanks(collator, records, cancelled);
    if (rank.empty() || stopped())
        return prepared; // cancelled; the batches go with this call
    std::vector<Row> &added = prepared.m_rows;
    added.resize(total);
    const auto place = [&](std::size_t first, std::size_t last) {
        for (std::size_t i = first; i < last; ++i)
            added[rank[i]] = Row{records[i]->Name, records[i]};
    };
    if (parallel(total)) {
        std::future<void> worker = std::async(std::launch::async, [&] { place(total / 2, total); });
        place(0, total / 2);
        worker.get();
    } else {
        place(0, total);
    }
    if (searchable && !stopped()) {
        prepared.m_search.emplace();
        prepared.m_search->assignFrom(
            total, [&records](std::size_t i) { return QStringView(records[i]->Name); },
            [&rank](std::size_t i) { return std::size_t(rank[i]); }, parallel(total));
    }
    records = {};
    // Moving a batch keeps its elements in place.
    for (std::vector<TM3UChannel> &batch : batches) {
        if (!batch.empty())
            prepared.m_records.push_back(std::move(batch));
    }
    if (stopped())
        return Prepared{};
    return prepared;
}

void ChannelListModel::addPrepared(Prepared &&prepared)
{
    if (prepared.m_rows.empty())
        return;
    for (std::vector<TM3UChannel> &batch : prepared.m_records)
        m_records.push_back(std::move(batch));
    prepared.m_records.clear();

    if (m_rows.empty()) {
        // One insert of all rows: the rows and their index only change hands here.
        beginInsertRows(QModelIndex(), 0, static_cast<int>(prepared.m_rows.size()) - 1);
        m_rows = std::move(prepared.m_rows);
        if (m_search) {
            if (prepared.m_search)
                m_search = std::move(prepared.m_search);
            else
                rebuildSearch();
        }
        endInsertRows();
        return;
    }

    // Existing rows first among equals, as if each new row had been inserted on its own.
    std::vector<Row> merged;
    merged.reserve(m_rows.size() + prepared.m_rows.size());
    std::merge(m_rows.begin(), m_rows.end(), prepared.m_rows.begin(), prepared.m_rows.end(),
               std::back_inserter(merged),
               [this](const Row &a, const Row &b) { return m_collator.compare(a.text, b.text) < 0; });
    prepared = Prepared{};
    beginResetModel();
    m_rows = std::move(merged);
    if (m_search)
        rebuildSearch();
    endResetModel();
}

void ChannelListModel::enableSearch()
{
    if (!m_search) {
        m_search.emplace();
        rebuildSearch();
    }
}

void ChannelListModel::rebuildSearch()
{
    m_search->assign(m_rows.size(), [this](std::size_t row) { return QStringView(m_rows[row].text); });
}

int ChannelListModel::findNext(QStringView text, int startIndex) const
{
    if (m_search)
        return int(m_search->findNext(text, startIndex));
    // Small lists without an index: the same test, row by row.
    if (text.isEmpty())
        return -1;
    QString wanted = text.toString();
    for (QChar &c : wanted)
        c = QChar(ChannelSearchIndex::upper(c.unicode()));
    QString upper;
    for (int i = std::max(startIndex + 1, 0); i < count(); ++i) {
        upper = m_rows[std::size_t(i)].text;
        for (QChar &c : upper)
            c = QChar(ChannelSearchIndex::upper(c.unicode()));
        if (upper.contains(wanted))
            return i;
    }
    return -1;
}

void ChannelListModel::removeAt(int row)
{
    if (row < 0 || row >= count())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    if (TM3UChannel *record = m_rows[static_cast<std::size_t>(row)].channel)
        *record = TM3UChannel{};
    m_rows.erase(m_rows.begin() + row);
    if (m_search)
        m_search->remove(std::size_t(row));
    endRemoveRows();
}

void ChannelListModel::setText(int row, const QString &text)
{
    if (row < 0 || row >= count())
        return;
    m_rows[static_cast<std::size_t>(row)].text = text;
    if (m_search)
        m_search->replace(std::size_t(row), text);
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
    if (m_search)
        m_search->clear();
    endResetModel();
}

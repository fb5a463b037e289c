#include "ChannelListModel.h"

#include <QLocale>

#include <algorithm>
#include <cstdint>
#include <thread>

namespace {

// Below this many names the cost of starting threads outweighs the parallel key computation.
constexpr std::size_t ParallelKeyThreshold = 20000;
constexpr unsigned MaxKeyThreads = 4;

// The C locale (LANG=C, C.UTF-8, POSIX) makes QCollator compare code points, which puts É after
// Z and, in Qt 6.4, ignores the case setting in its sort keys. A user without a configured
// locale still gets a language's alphabetical order, that of English (the root collation).
QLocale collationLocale(const QLocale &locale)
{
    return locale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : locale;
}

QCollator makeCollator(const QLocale &locale)
{
    QCollator collator(collationLocale(locale));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

unsigned keyThreads(std::size_t n)
{
    return n < ParallelKeyThreshold ? 1u : std::clamp(std::thread::hardware_concurrency(), 1u, MaxKeyThreads);
}

std::vector<QCollatorSortKey> sortKeys(const QLocale &locale, const std::vector<TM3UChannel> &channels,
                                       std::size_t begin, std::size_t end)
{
    // Each thread owns its collator: QCollator shares its ICU state between copies and
    // initialises it lazily, so one object must not be used from two threads.
    const QCollator collator = makeCollator(locale);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(end - begin);
    for (std::size_t i = begin; i < end; ++i)
        keys.push_back(collator.sortKey(channels[i].Name));
    return keys;
}

// Collation keys of all names, computed on several threads for big batches: with ICU the
// key computation dominates the cost of sorting a large playlist.
std::vector<QCollatorSortKey> sortKeys(const QLocale &locale, const std::vector<TM3UChannel> &channels)
{
    const std::size_t n = channels.size();
    const unsigned threads = keyThreads(n);
    if (threads == 1)
        return sortKeys(locale, channels, 0, n);

    std::vector<std::vector<QCollatorSortKey>> parts(threads);
    std::vector<std::thread> workers;
    const std::size_t step = (n + threads - 1) / threads;
    for (unsigned t = 1; t < threads; ++t) {
        const std::size_t begin = std::min(n, t * step);
        const std::size_t end = std::min(n, begin + step);
        workers.emplace_back([&, t, begin, end] { parts[t] = sortKeys(locale, channels, begin, end); });
    }
    parts[0] = sortKeys(locale, channels, 0, std::min(n, step));
    for (std::thread &worker : workers)
        worker.join();

    std::vector<QCollatorSortKey> keys = std::move(parts[0]);
    keys.reserve(n);
    for (unsigned t = 1; t < threads; ++t)
        std::move(parts[t].begin(), parts[t].end(), std::back_inserter(keys));
    return keys;
}

// The order in which the names sort, computed from collation keys on several threads: for a
// large playlist the keys and the sort are most of the cost of filling the list. The index
// breaks ties, so equal names keep the order in which they were given.
std::vector<std::uint32_t> sortedOrder(const QLocale &locale, const std::vector<TM3UChannel> &channels)
{
    const std::vector<QCollatorSortKey> keys = sortKeys(locale, channels);
    const auto before = [&keys](std::uint32_t a, std::uint32_t b) {
        const int c = keys[a].compare(keys[b]);
        return c < 0 || (c == 0 && a < b);
    };
    std::vector<std::uint32_t> order(channels.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<std::uint32_t>(i);

    if (keyThreads(order.size()) == 1) {
        std::sort(order.begin(), order.end(), before);
        return order;
    }
    const auto middle = order.begin() + static_cast<std::ptrdiff_t>(order.size() / 2);
    std::thread worker([&] { std::sort(middle, order.end(), before); });
    std::sort(order.begin(), middle, before);
    worker.join();
    std::inplace_merge(order.begin(), middle, order.end(), before);
    return order;
}

} // namespace

ChannelListModel::ChannelListModel(QObject *parent)
    : QAbstractListModel(parent), m_collator(makeCollator(QLocale()))
{}

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

    const std::vector<std::uint32_t> order = sortedOrder(m_collator.locale(), channels);
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

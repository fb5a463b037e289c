#pragma once

#include "ChannelCollator.h"
#include "ChannelSearchIndex.h"
#include "TM3UChannel.h"

#include <QAbstractListModel>

#include <atomic>
#include <optional>
#include <vector>

// The channel list: rows with a display text, each carrying an owned TM3UChannel (or none
// for plain-text rows). The model keeps itself sorted by row text, case-insensitively and
// in the order of the default QLocale when the model is made (the user's locale); rows that
// compare equal stay side by side. A row is inserted
// at its sorted place and never moved afterwards, even when its text is changed.
// Used on the GUI thread only, except prepare(), which any thread may run.
class ChannelListModel final : public QAbstractListModel {
    Q_OBJECT

    struct Row {
        QString text;
        TM3UChannel *channel = nullptr; // points into m_records
    };

public:
    enum Role { UrlRole = Qt::UserRole };

    // Channels put in list order away from any list, on any thread, for a list to take in one
    // step with addPrepared(). Holds the records; dropping it releases them.
    class Prepared final {
    public:
        std::size_t size() const { return m_rows.size(); }

    private:
        friend class ChannelListModel;
        std::vector<Row> m_rows;
        std::vector<std::vector<TM3UChannel>> m_records;
        std::optional<ChannelSearchIndex> m_search;
    };

    explicit ChannelListModel(QObject *parent = nullptr);
    ~ChannelListModel() override;

    // Keeps an upper-cased copy of every row text in step with the rows from now on, so that
    // findNext() costs one pass over a compact buffer. For the list the search box searches.
    void enableSearch();
    bool isSearchable() const { return m_search.has_value(); }
    // Index of the first row after startIndex whose text contains text, both upper-cased one
    // UTF-16 unit at a time (QChar::toUpper); -1 when none does or text is empty.
    int findNext(QStringView text, int startIndex) const;

    // The order of this list, for prepare(); copy it for use on another thread.
    const ChannelCollator &collator() const { return m_collator; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    // The same answer as the base class's, without its three virtual calls: a list view lays out
    // a list by asking for every row's index, a million times for a large list.
    QModelIndex index(int row, int column = 0, const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    int count() const { return static_cast<int>(m_rows.size()); }
    QString text(int row) const;
    // The row text without a copy, for reading many rows; empty for a row out of range.
    QStringView textView(int row) const;
    // The record the row carries, owned by the model; nullptr for a plain-text row or a row
    // out of range. The pointer stays valid until the row is removed or the list cleared.
    TM3UChannel *channel(int row) const;

    // A plain row without a record, inserted at its sorted place.
    void addText(const QString &text);
    // Adds one row per channel, each showing a copy of its Name (sharing its characters until
    // either is changed): one sort of the batch, one merge with the existing rows and one
    // insert (empty list) or reset signal for all of them.
    void addChannels(std::vector<TM3UChannel> channels);
    // The same for channels collected in several batches, in order; the batches are kept as
    // they are, so their records never move.
    void addChannelBatches(std::vector<std::vector<TM3UChannel>> batches);
    // Sorts the batches with collator into rows and, when searchable, builds their search
    // index: the slow part of a bulk add, done where the caller likes. Large batches use a
    // second thread. Gives up early, with nothing, once cancelled is set.
    static Prepared prepare(std::vector<std::vector<TM3UChannel>> batches, const ChannelCollator &collator,
                            bool searchable, const std::atomic<bool> *cancelled = nullptr);
    // Adds prepared rows: an empty list takes them whole with one insert; a filled one merges
    // them as addChannelBatches() does. Cheap on an empty list: nothing is copied or sorted.
    void addPrepared(Prepared &&prepared);
    // Removes the row and releases its record.
    void removeAt(int row);
    // Changes the row text only; the row keeps its place and its record's Name is untouched.
    void setText(int row, const QString &text);
    // Releases every record and removes all rows.
    void clear();

private:
    int sortedInsertPosition(const QString &text) const;
    void rebuildSearch();

    // The list keeps no sort keys: a batch computes its own, and merging into a filled list
    // or inserting one row compares texts directly, which costs less memory than keeping a
    // key per row for the rare merge.
    ChannelCollator m_collator;
    std::vector<Row> m_rows;
    // Records are kept in the batches they were added in, so a bulk add of a million channels
    // costs no allocation per record and records never move. A removed row's record is
    // emptied at once; its slot goes with its batch at clear().
    std::vector<std::vector<TM3UChannel>> m_records;
    std::optional<ChannelSearchIndex> m_search; // the rows' texts, in row order
};

#pragma once

#include "ChannelCollator.h"
#include "TM3UChannel.h"

#include <QAbstractListModel>

#include <vector>

// The channel list: rows with a display text, each carrying an owned TM3UChannel (or none
// for plain-text rows). The model keeps itself sorted by row text, case-insensitively and
// in the order of the default QLocale when the model is made (the user's locale); rows that
// compare equal stay side by side. A row is inserted
// at its sorted place and never moved afterwards, even when its text is changed.
// Used on the GUI thread only.
class ChannelListModel final : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role { UrlRole = Qt::UserRole };

    explicit ChannelListModel(QObject *parent = nullptr);
    ~ChannelListModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
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
    // Removes the row and releases its record.
    void removeAt(int row);
    // Changes the row text only; the row keeps its place and its record's Name is untouched.
    void setText(int row, const QString &text);
    // Releases every record and removes all rows.
    void clear();

private:
    struct Row {
        QString text;
        TM3UChannel *channel = nullptr; // points into m_records
    };

    int sortedInsertPosition(const QString &text) const;

    // The list keeps no sort keys: a batch computes its own, and merging into a filled list
    // or inserting one row compares texts directly, which costs less memory than keeping a
    // key per row for the rare merge.
    ChannelCollator m_collator;
    std::vector<Row> m_rows;
    // Records are kept in the batches they were added in, so a bulk add of a million channels
    // costs no allocation per record and records never move. A removed row's record is
    // emptied at once; its slot goes with its batch at clear().
    std::vector<std::vector<TM3UChannel>> m_records;
};

#pragma once

#include "RowPainting.h"

#include <QStyledItemDelegate>
#include <functional>

// Draws the rows of one list the way every list in the program draws them (RowPainting).
// The four lists differ only in their RowFormat, in the text a row shows and in whether a
// failure while drawing is swallowed; the factories below give the four members.
class ListRowDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using TextOf = std::function<QString(const QString &)>;

    ListRowDelegate(const RowFormat &format, TextOf textOf, bool swallowFailures, QObject *parent = nullptr);

    // The main window's channel list.
    static ListRowDelegate *channelList(QObject *parent);
    // The source drop-down's open list: entries without their scheme prefix.
    static ListRowDelegate *sourceDropDown(QObject *parent);
    // The playlist administration list: entries as stored.
    static ListRowDelegate *adminPlaylists(QObject *parent);
    // The favourites administration list.
    static ListRowDelegate *adminFavourites(QObject *parent);

    const RowFormat &format() const { return m_format; }
    QString shownText(const QString &rowText) const;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    void paintRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const;

    RowFormat m_format;
    TextOf m_textOf;
    bool m_swallowFailures;
};

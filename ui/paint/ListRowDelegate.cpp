#include "ListRowDelegate.h"

#include "sources/SourceEntry.h"

#include <QPainter>

ListRowDelegate::ListRowDelegate(const RowFormat &format, TextOf textOf, bool swallowFailures,
                                 QObject *parent)
    : QStyledItemDelegate(parent), m_format(format), m_textOf(std::move(textOf)),
      m_swallowFailures(swallowFailures)
{}

ListRowDelegate *ListRowDelegate::channelList(QObject *parent)
{
    return new ListRowDelegate(RowFormat{23, 0, 15}, {}, true, parent);
}

ListRowDelegate *ListRowDelegate::sourceDropDown(QObject *parent)
{
    // A failure here is not swallowed: it ends the paint and reaches the general handler.
    return new ListRowDelegate(
        RowFormat{22, 0, 5}, [](const QString &entry) { return RemoveHttpOrHttpsOrFile(entry); }, false,
        parent);
}

ListRowDelegate *ListRowDelegate::adminPlaylists(QObject *parent)
{
    return new ListRowDelegate(RowFormat{23, 0, 5}, {}, true, parent);
}

ListRowDelegate *ListRowDelegate::adminFavourites(QObject *parent)
{
    return new ListRowDelegate(RowFormat{23, 1, 15}, {}, true, parent);
}

QString ListRowDelegate::shownText(const QString &rowText) const
{
    return m_textOf ? m_textOf(rowText) : rowText;
}

void ListRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const
{
    if (!m_swallowFailures) {
        paintRow(painter, option, index);
        return;
    }
    // A row that fails to draw stays as far as it got; the list goes on with the next row.
    try {
        paintRow(painter, option, index);
    } catch (...) {
    }
}

void ListRowDelegate::paintRow(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    painter->setFont(option.font);
    RowPainting::drawListRow(
        *painter, option.rect, selected, shownText(index.data(Qt::DisplayRole).toString()),
        option.palette.brush(QPalette::Base), option.palette.color(QPalette::WindowText), m_format);
}

QSize ListRowDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), m_format.rowHeight);
}

#include "OwnerDrawComboBox.h"

#include "ListRowDelegate.h"

#include <QAbstractItemView>
#include <QStylePainter>

OwnerDrawComboBox::OwnerDrawComboBox(QWidget *parent) : QComboBox(parent)
{
    m_delegate = ListRowDelegate::sourceDropDown(this);
    setItemDelegate(m_delegate);
}

void OwnerDrawComboBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    if (currentIndex() < 0 && !placeholderText().isEmpty()) {
        option.palette.setBrush(QPalette::ButtonText, option.palette.placeholderText());
        option.currentText = placeholderText();
    }
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    if (currentIndex() < 0) {
        // No entry chosen: the toolkit shows the text hint its own way.
        painter.drawControl(QStyle::CE_ComboBoxLabel, option);
        return;
    }
    // The closed face shows the chosen entry as a row, selected while the box has the focus.
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    painter.setFont(font());
    RowPainting::drawListRow(painter, field, hasFocus(), m_delegate->shownText(currentText()), Qt::NoBrush,
                             palette().color(QPalette::WindowText), m_delegate->format());
}

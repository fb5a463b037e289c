#pragma once

#include <QBrush>
#include <QColor>
#include <QList>
#include <QRect>
#include <QString>

class QFontMetrics;
class QPainter;

// How one family member draws its rows; everything else is shared by all lists.
struct RowFormat {
    int rowHeight = 23;      // at 96 dots per inch
    int textTopInset = 0;    // from the row's top edge
    int textRightInset = 15; // from the row's right edge
};

namespace RowPainting {
// Top to bottom: the vertical gradient of a selected row.
QList<QColor> rowColors();
constexpr int CornerEllipse = 5; // width and height of the corner ellipse
constexpr int TextLeftInset = 4;
inline constexpr QRgb OutlineColor = 0xC5C5C5;

// The rounded clip of a selected row: the row rectangle with its corners cut along a 5 x 5
// ellipse, whole pixels only.
QRegion roundedRowRegion(const QRect &row);

// `text` shortened to fit `width` pixels as a path is: characters go from its middle and an
// ellipsis of three full stops takes their place, keeping as much as possible of the part
// after the last backslash. Widths count ampersands as mnemonic prefixes.
QString pathEllipsis(const QString &text, const QFontMetrics &metrics, int width);

// Draws one row. A selected row is a rounded gradient bar with a thin outline and black text;
// any other row is filled with `background` (nothing is filled for Qt::NoBrush) and gets its
// text in `textColor`. The text is one line at the top of its rectangle, path-ellipsed, with
// mnemonic ampersands.
void drawListRow(QPainter &painter, const QRect &row, bool selected, const QString &text,
                 const QBrush &background, const QColor &textColor, const RowFormat &format);
} // namespace RowPainting

#include "RowPainting.h"

#include "DrawGradient.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRegion>

namespace {
constexpr auto TextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextShowMnemonic;
const QString Ellipsis = QStringLiteral("...");

int textWidth(const QFontMetrics &metrics, const QString &text)
{
    return metrics.size(TextFlags, text).width();
}

// Longest left part of `text` such that left + tail fits; cuts never split a doubled ampersand.
QString keepLeft(const QString &text, const QString &tail, const QFontMetrics &metrics, int width)
{
    int low = 0;
    int high = static_cast<int>(text.size());
    while (low < high) {
        const int mid = (low + high + 1) / 2;
        if (textWidth(metrics, text.left(mid) + tail) <= width)
            low = mid;
        else
            high = mid - 1;
    }
    QString left = text.left(low);
    if (left.endsWith(QLatin1Char('&')) && !left.endsWith(QStringLiteral("&&")))
        left.chop(1);
    return left;
}

// Characters go from the middle: as many as fit are kept on each side of the ellipsis. The
// width grows with the characters kept, so the count is searched by halves: a row of tens of
// thousands of characters must not take a measurement per character.
QString middleEllipsis(const QString &text, const QFontMetrics &metrics, int width)
{
    const auto candidate = [&text](int keep) {
        const int head = (keep + 1) / 2;
        return text.left(head) + Ellipsis + text.right(keep - head);
    };
    int low = -1; // the most characters known to fit (-1: not even none)
    int high = static_cast<int>(text.size());
    while (high - low > 1) {
        const int mid = low + (high - low) / 2;
        if (textWidth(metrics, candidate(mid)) <= width)
            low = mid;
        else
            high = mid;
    }
    return low < 0 ? Ellipsis : candidate(low);
}
} // namespace

QList<QColor> RowPainting::rowColors()
{
    return {QColor(0xE2E2E2), QColor(0xE2E2E2), QColor(0xB9B9B9), QColor(0xE2E2E2)};
}

QRegion RowPainting::roundedRowRegion(const QRect &row)
{
    // A 5 x 5 corner ellipse leaves two pixels off the outermost line and one off the next.
    QRegion region;
    const int l = row.left();
    const int t = row.top();
    const int w = row.width();
    const int h = row.height();
    if (w <= 4 || h <= 4)
        return QRegion(row);
    region += QRect(l + 2, t, w - 4, h);
    region += QRect(l + 1, t + 1, w - 2, h - 2);
    region += QRect(l, t + 2, w, h - 4);
    return region;
}

QString RowPainting::pathEllipsis(const QString &text, const QFontMetrics &metrics, int width)
{
    if (textWidth(metrics, text) <= width)
        return text;
    const qsizetype slash = text.lastIndexOf(QLatin1Char('\\'));
    if (slash > 0) {
        const QString tail = text.mid(slash);
        if (textWidth(metrics, Ellipsis + tail) <= width)
            return keepLeft(text.left(slash), Ellipsis + tail, metrics, width) + Ellipsis + tail;
        return Ellipsis + middleEllipsis(tail, metrics, width - textWidth(metrics, Ellipsis));
    }
    return middleEllipsis(text, metrics, width);
}

void RowPainting::drawListRow(QPainter &painter, const QRect &row, bool selected, const QString &text,
                              const QBrush &background, const QColor &textColor, const RowFormat &format)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    if (selected) {
        // The clip is the view's own clip narrowed to the rounded row, and is given back
        // before the text is drawn.
        painter.save();
        painter.setClipRegion(roundedRowRegion(row), Qt::IntersectClip);
        painter.setBrush(Qt::NoBrush);
        DrawGradient(painter, row, false, rowColors());
        // Outline like GDI's RoundRect(Left, Top, Right - 1, Bottom - 1): the pen runs on the
        // pixels Left..Right - 2 and Top..Bottom - 2.
        QPen outline = painter.pen();
        outline.setColor(QColor(OutlineColor));
        painter.setPen(outline);
        painter.drawRoundedRect(QRectF(row.left(), row.top(), row.width() - 2, row.height() - 2),
                                CornerEllipse / 2.0, CornerEllipse / 2.0);
        painter.restore();
        painter.setPen(Qt::black);
    } else {
        if (background.style() != Qt::NoBrush)
            painter.fillRect(row, background);
        painter.setPen(textColor);
    }
    const QRect textRect(QPoint(row.left() + TextLeftInset, row.top() + format.textTopInset),
                         QPoint(row.left() + row.width() - format.textRightInset - 1, row.bottom()));
    const QString shown = pathEllipsis(text, painter.fontMetrics(), textRect.width());
    painter.drawText(textRect, TextFlags, shown);
    painter.restore();
}

#include "DrawGradient.h"

#include "shell/NorvaleError.h"

#include <QPainter>
#include <QPen>
#include <array>
#include <cmath>
#include <vector>

namespace {
using RGBArray = std::array<quint8, 3>;

// A line over [from, to) along one axis in the pen's colour; GDI lines leave out their end point,
// so a line covers exactly the rectangle's width or height. An empty span paints nothing. It is
// filled as a one-pixel rectangle: under a scale factor it stays one logical pixel thick and the
// lines meet, where a cosmetic pen would draw one device pixel and leave gaps between them.
void drawSpan(QPainter &painter, bool vertical, int fixed, int from, int to)
{
    if (to <= from)
        return;
    const QColor color = painter.pen().color();
    if (vertical)
        painter.fillRect(QRect(fixed, from, 1, to - from), color);
    else
        painter.fillRect(QRect(from, fixed, to - from, 1), color);
}
} // namespace

int Gradient::segmentLength(int extent, int segments)
{
    // Small integers divide exactly enough in extended precision that a true half stays a
    // half; nearbyint then rounds it to the even neighbour in the default rounding mode.
    return static_cast<int>(std::nearbyintl(static_cast<long double>(extent) / segments));
}

int Gradient::channelValue(int start, int end, double factor)
{
    const long double value = static_cast<long double>(start) +
                              static_cast<long double>(end - start) * static_cast<long double>(factor);
    return static_cast<int>(std::truncl(value));
}

void DrawGradient(QPainter &ACanvas, const QRect &Rect, bool Horicontal, const QList<QColor> &Colors)
{
    const int segments = static_cast<int>(Colors.size()) - 1;
    if (segments < 1)
        throw NorvaleError(QStringLiteral("At least two colours must be specified."));

    const int left = Rect.left();
    const int top = Rect.top();
    const int right = Rect.left() + Rect.width();
    const int bottom = Rect.top() + Rect.height();
    const int extent = Horicontal ? right - left : bottom - top;

    std::vector<RGBArray> table;
    table.reserve(Colors.size());
    for (const QColor &color : Colors) {
        const QRgb rgb = color.rgb();
        table.push_back({static_cast<quint8>(qRed(rgb)), static_cast<quint8>(qGreen(rgb)),
                         static_cast<quint8>(qBlue(rgb))});
    }

    const QPen saved = ACanvas.pen();
    QPen pen = saved;
    pen.setWidth(1);
    pen.setStyle(Qt::SolidLine);
    pen.setCosmetic(true);

    const int length = Gradient::segmentLength(extent, segments);
    for (int s = 0; s < segments; ++s) {
        const int lastIndex = s < segments - 1 ? length : extent - s * length - 1;
        const RGBArray &from = table[s];
        const RGBArray &to = table[s + 1];
        for (int i = 0; i <= lastIndex; ++i) {
            const int position = s * length + i;
            // A one-line segment has no defined factor; it takes its starting colour.
            const double factor = lastIndex == 0 ? 0.0 : static_cast<double>(i) / lastIndex;
            pen.setColor(QColor(Gradient::channelValue(from[0], to[0], factor),
                                Gradient::channelValue(from[1], to[1], factor),
                                Gradient::channelValue(from[2], to[2], factor)));
            ACanvas.setPen(pen);
            if (Horicontal)
                drawSpan(ACanvas, true, left + position, top, bottom);
            else
                drawSpan(ACanvas, false, top + position, left, right);
        }
    }

    QPen restored = ACanvas.pen();
    restored.setWidth(saved.width());
    restored.setStyle(saved.style());
    restored.setColor(saved.color());
    restored.setCosmetic(saved.isCosmetic());
    ACanvas.setPen(restored);
}

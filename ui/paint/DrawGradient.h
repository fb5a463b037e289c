#pragma once

#include <QColor>
#include <QList>
#include <QRect>

class QPainter;

// Fills `rect` with one-pixel lines whose colours run through `colors`, first to last: from left
// to right when `Horicontal` is true, else from top to bottom. The painter's pen is used for the
// lines and given back as it was. `rect` is read as (Left, Top, Right, Bottom) with Right and
// Bottom exclusive. Throws NorvaleError with fewer than two colours, before drawing anything.
void DrawGradient(QPainter &ACanvas, const QRect &Rect, bool Horicontal, const QList<QColor> &Colors);

namespace Gradient {
// The segment length for an extent split into `segments` parts: the exact quotient rounded to
// the nearest integer, halves to the even neighbour.
int segmentLength(int extent, int segments);
// One channel between `start` and `end` at `factor` (0..1): the sum and product are taken in
// extended precision and truncated toward zero.
int channelValue(int start, int end, double factor);
} // namespace Gradient

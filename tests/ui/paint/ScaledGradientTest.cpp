// The row gradient under a screen scale factor: every device row of the rectangle is painted (no
// gaps between the lines), each in the level of the logical line it belongs to, so a selected row
// keeps its shape at 150 % and 200 %.

#include "paint/DrawGradient.h"
#include "paint/RowPainting.h"

#include <QImage>
#include <QPainter>
#include <QTest>

#include <cmath>

namespace {
const QList<int> Levels23 = {226, 226, 226, 226, 226, 226, 226, 226, 226, 220, 215, 210,
                             205, 200, 195, 190, 185, 191, 198, 205, 212, 219, 226};
const QRgb Untouched = qRgb(255, 0, 255);
} // namespace

class ScaledGradientTest final : public QObject {
    Q_OBJECT
private slots:
    void everyDeviceLineTakesItsLogicalLevel_data()
    {
        QTest::addColumn<qreal>("scale");
        QTest::addColumn<bool>("horizontal");
        // 1 and 2 map each logical line onto whole device lines; the others split some of them.
        for (const qreal scale : {1.0, 1.25, 1.5, 2.0, 3.0}) {
            QTest::addRow("%g top to bottom", scale) << scale << false;
            QTest::addRow("%g left to right", scale) << scale << true;
        }
    }
    void everyDeviceLineTakesItsLogicalLevel()
    {
        QFETCH(qreal, scale);
        QFETCH(bool, horizontal);
        const int extent = static_cast<int>(Levels23.size());
        const QRect logical = horizontal ? QRect(0, 0, extent, 10) : QRect(0, 0, 10, extent);
        const QSize device(qRound(logical.width() * scale), qRound(logical.height() * scale));
        QImage image(device, QImage::Format_RGB32);
        image.fill(Untouched);
        image.setDevicePixelRatio(scale);
        {
            QPainter painter(&image);
            DrawGradient(painter, logical, horizontal, RowPainting::rowColors());
        }
        const int lines = horizontal ? device.width() : device.height();
        const int across = horizontal ? device.height() : device.width();
        for (int d = 0; d < lines; ++d) {
            // Device line d covers [d, d + 1) / scale in logical lines; its level is that of one of
            // the logical lines it overlaps (which one, at a shared edge, is the rasterizer's call).
            const int first = static_cast<int>(std::floor(d / scale));
            const int last = qMin(extent - 1, static_cast<int>(std::ceil((d + 1) / scale)) - 1);
            for (int a = 0; a < across; ++a) {
                const QRgb pixel = horizontal ? image.pixel(d, a) : image.pixel(a, d);
                QVERIFY2(pixel != Untouched, qPrintable(QStringLiteral("gap at device line %1").arg(d)));
                QCOMPARE(qGreen(pixel), qRed(pixel));
                QCOMPARE(qBlue(pixel), qRed(pixel));
                bool fromAnOverlappedLine = false;
                for (int line = first; line <= last; ++line)
                    fromAnOverlappedLine = fromAnOverlappedLine || qRed(pixel) == Levels23[line];
                QVERIFY2(fromAnOverlappedLine,
                         qPrintable(QStringLiteral("device line %1 has level %2, not one of "
                                                   "logical lines %3..%4")
                                        .arg(d)
                                        .arg(qRed(pixel))
                                        .arg(first)
                                        .arg(last)));
            }
        }
    }
};

QTEST_MAIN(ScaledGradientTest)
#include "ScaledGradientTest.moc"

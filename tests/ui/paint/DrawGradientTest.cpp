#include "paint/DrawGradient.h"
#include "paint/ListRowDelegate.h"
#include "paint/RowPainting.h"
#include "shell/NorvaleError.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QStringListModel>
#include <QTest>

namespace {
const QList<int> Levels23 = {226, 226, 226, 226, 226, 226, 226, 226, 226, 220, 215, 210,
                             205, 200, 195, 190, 185, 191, 198, 205, 212, 219, 226};
const QList<int> Levels22 = {226, 226, 226, 226, 226, 226, 226, 226, 220, 214, 208,
                             202, 196, 190, 185, 190, 196, 202, 208, 214, 220, 226};
const QRgb Untouched = qRgb(255, 0, 255);

QImage blank(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Untouched);
    return image;
}

int grey(const QImage &image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    return qRed(p) == qGreen(p) && qGreen(p) == qBlue(p) ? qRed(p) : -1;
}
} // namespace

class DrawGradientTest final : public QObject {
    Q_OBJECT
private slots:
    void rowLevelsLineByLine_data();
    void rowLevelsLineByLine();
    void segmentLengthRoundsHalfToEven_data();
    void segmentLengthRoundsHalfToEven();
    void channelsAreTruncated();
    void twoColoursRunFromFirstToLastPixel();
    void horizontalRunsLeftToRight();
    void tooLongSegmentsDrawPastTheFarEdge();
    void fewerThanTwoColoursFailBeforeDrawing();
    void penIsGivenBack();
    void selectedRowInsideRoundedClip();
    void unselectedRowUsesBackgroundAndTextColour();
    void pathEllipsisKeepsTheFileName();
    void failuresAreSwallowedExceptInTheDropDown();
};

void DrawGradientTest::rowLevelsLineByLine_data()
{
    QTest::addColumn<QList<int>>("levels");
    QTest::newRow("23 px row") << Levels23;
    QTest::newRow("22 px row") << Levels22;
}

void DrawGradientTest::rowLevelsLineByLine()
{
    QFETCH(QList<int>, levels);
    const int height = static_cast<int>(levels.size());
    QImage image = blank(12, height + 2);
    {
        QPainter painter(&image);
        DrawGradient(painter, QRect(1, 1, 10, height), false, RowPainting::rowColors());
    }
    for (int y = 0; y < height; ++y)
        for (int x = 1; x <= 10; ++x)
            QCOMPARE(grey(image, x, y + 1), levels[y]);
    // Nothing outside the rectangle: GDI lines leave out their end point.
    for (int x = 0; x < 12; ++x) {
        QCOMPARE(image.pixel(x, 0), Untouched);
        QCOMPARE(image.pixel(x, height + 1), Untouched);
    }
    QCOMPARE(image.pixel(0, 5), Untouched);
    QCOMPARE(image.pixel(11, 5), Untouched);
}

void DrawGradientTest::segmentLengthRoundsHalfToEven_data()
{
    QTest::addColumn<int>("extent");
    QTest::addColumn<int>("segments");
    QTest::addColumn<int>("length");
    QTest::newRow("23/3 = 7.67") << 23 << 3 << 8;
    QTest::newRow("22/3 = 7.33") << 22 << 3 << 7;
    QTest::newRow("5/2 = 2.5 -> 2") << 5 << 2 << 2;
    QTest::newRow("15/2 = 7.5 -> 8") << 15 << 2 << 8;
    QTest::newRow("2/3 = 0.67 -> 1") << 2 << 3 << 1;
    QTest::newRow("3/2 = 1.5 -> 2") << 3 << 2 << 2;
    QTest::newRow("1/2 = 0.5 -> 0") << 1 << 2 << 0;
    QTest::newRow("negative -5/2 -> -2") << -5 << 2 << -2;
}

void DrawGradientTest::segmentLengthRoundsHalfToEven()
{
    QFETCH(int, extent);
    QFETCH(int, segments);
    QFETCH(int, length);
    QCOMPARE(Gradient::segmentLength(extent, segments), length);
}

void DrawGradientTest::channelsAreTruncated()
{
    // 226 + (185 - 226) * 1/8 = 220.875 and 185 + 41 * 1/6 = 191.83: both toward zero.
    QCOMPARE(Gradient::channelValue(226, 185, 1.0 / 8), 220);
    QCOMPARE(Gradient::channelValue(185, 226, 1.0 / 6), 191);
    // The double nearest 1/3 is a little below it: 3 times it is just under 1 in extended
    // precision (plain double arithmetic would round the product up to exactly 1).
    QCOMPARE(Gradient::channelValue(0, 3, 1.0 / 3), 0);
    QCOMPARE(Gradient::channelValue(10, 20, 1.0), 20);
}

void DrawGradientTest::twoColoursRunFromFirstToLastPixel()
{
    QImage image = blank(4, 11);
    {
        QPainter painter(&image);
        DrawGradient(painter, QRect(0, 0, 4, 11), false, {QColor(0, 0, 0), QColor(100, 200, 50)});
    }
    QCOMPARE(image.pixel(2, 0), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(2, 10), qRgb(100, 200, 50));
    QCOMPARE(image.pixel(2, 5), qRgb(50, 100, 25));
}

void DrawGradientTest::horizontalRunsLeftToRight()
{
    QImage image = blank(23, 3);
    {
        QPainter painter(&image);
        DrawGradient(painter, QRect(0, 0, 23, 3), true, RowPainting::rowColors());
    }
    for (int x = 0; x < 23; ++x)
        for (int y = 0; y < 3; ++y)
            QCOMPARE(grey(image, x, y), Levels23[x]);
}

void DrawGradientTest::tooLongSegmentsDrawPastTheFarEdge()
{
    // Extent 2 with four colours: length 1, segments 0 and 1 draw lines 0..1 and 1..2, the last
    // segment's last index is 2 - 2 - 1 < 0, so it draws nothing; line 2 lies past the rectangle.
    QImage image = blank(1, 4);
    {
        QPainter painter(&image);
        DrawGradient(painter, QRect(0, 0, 1, 2), false,
                     {QColor(10, 10, 10), QColor(20, 20, 20), QColor(30, 30, 30), QColor(40, 40, 40)});
    }
    QCOMPARE(image.pixel(0, 0), qRgb(10, 10, 10));
    QCOMPARE(image.pixel(0, 1), qRgb(20, 20, 20));
    QCOMPARE(image.pixel(0, 2), qRgb(30, 30, 30));
    QCOMPARE(image.pixel(0, 3), Untouched);
}

void DrawGradientTest::fewerThanTwoColoursFailBeforeDrawing()
{
    for (const QList<QColor> &colors : {QList<QColor>{}, QList<QColor>{QColor(Qt::red)}}) {
        QImage image = blank(5, 5);
        QPainter painter(&image);
        const QPen pen(QColor(1, 2, 3), 4, Qt::DashLine);
        painter.setPen(pen);
        try {
            DrawGradient(painter, QRect(0, 0, 5, 5), false, colors);
            QFAIL("no failure");
        } catch (const NorvaleError &error) {
            QCOMPARE(error.message(), QStringLiteral("At least two colours must be specified."));
        }
        QCOMPARE(painter.pen(), pen);
        painter.end();
        QCOMPARE(image.pixel(2, 2), Untouched);
    }
}

void DrawGradientTest::penIsGivenBack()
{
    QImage image = blank(5, 9);
    QPainter painter(&image);
    const QPen pen(QColor(1, 2, 3), 3, Qt::DotLine);
    painter.setPen(pen);
    DrawGradient(painter, QRect(0, 0, 5, 9), false, RowPainting::rowColors());
    QCOMPARE(painter.pen().width(), 3);
    QCOMPARE(painter.pen().style(), Qt::DotLine);
    QCOMPARE(painter.pen().color(), QColor(1, 2, 3));
}

void DrawGradientTest::selectedRowInsideRoundedClip()
{
    const int width = 200;
    QImage image = blank(width, 23);
    {
        QPainter painter(&image);
        painter.setFont(QFont(QStringLiteral("Carlito"), 12));
        RowPainting::drawListRow(painter, QRect(0, 0, width, 23), true, QStringLiteral("Channel"),
                                 QBrush(Qt::blue), Qt::white, RowFormat{23, 0, 15});
    }
    const QRgb outline = qRgb(0xC5, 0xC5, 0xC5);
    // Right of the text, the gradient shows line by line between the outline's rows.
    for (int y = 1; y <= 20; ++y)
        QCOMPARE(grey(image, 150, y), Levels23[y]);
    QCOMPARE(image.pixel(150, 0), outline);
    QCOMPARE(image.pixel(150, 21), outline);
    QCOMPARE(grey(image, 150, 22), Levels23[22]); // below the outline, still inside the clip
    QCOMPARE(image.pixel(0, 11), outline);
    QCOMPARE(image.pixel(width - 2, 11), outline);
    QCOMPARE(grey(image, width - 1, 11), Levels23[11]);
    // The corners are cut by the rounded clip; nothing is filled with the list's brush.
    QCOMPARE(image.pixel(0, 0), Untouched);
    QCOMPARE(image.pixel(width - 1, 22), Untouched);
    QCOMPARE(image.pixel(width - 1, 0), Untouched);
    // Black text at the row's left inset.
    int darkest = 255;
    for (int y = 1; y < 20; ++y)
        for (int x = 4; x < 60; ++x)
            darkest = qMin(darkest, qGray(image.pixel(x, y)));
    QVERIFY2(darkest < 40, qPrintable(QString::number(darkest)));
    for (int y = 2; y < 20; ++y)
        for (int x = 0; x < 4; ++x)
            QVERIFY(grey(image, x, y) >= 185 || image.pixel(x, y) == outline);
}

void DrawGradientTest::unselectedRowUsesBackgroundAndTextColour()
{
    QImage image = blank(120, 23);
    {
        QPainter painter(&image);
        RowPainting::drawListRow(painter, QRect(0, 0, 120, 23), false, QStringLiteral("Hi"),
                                 QBrush(QColor(0x19, 0x19, 0x19)), QColor(Qt::white), RowFormat{23, 0, 15});
    }
    QCOMPARE(image.pixel(0, 0), qRgb(0x19, 0x19, 0x19));
    QCOMPARE(image.pixel(119, 22), qRgb(0x19, 0x19, 0x19));
    int brightest = 0;
    for (int y = 0; y < 23; ++y)
        for (int x = 4; x < 40; ++x)
            brightest = qMax(brightest, qGray(image.pixel(x, y)));
    QVERIFY(brightest > 200);
}

void DrawGradientTest::pathEllipsisKeepsTheFileName()
{
    const QFont font(QStringLiteral("Carlito"), 12);
    const QFontMetrics metrics(font);
    const QString path = QStringLiteral("C:\\Users\\someone\\Videos\\Playlists\\archive\\my-channels.m3u");
    const int width = metrics.horizontalAdvance(QStringLiteral("C:\\Users...\\my-channels.m3u"));
    const QString shown = RowPainting::pathEllipsis(path, metrics, width);
    QVERIFY2(shown.endsWith(QStringLiteral("...\\my-channels.m3u")), qPrintable(shown));
    QVERIFY(shown.startsWith(QStringLiteral("C:\\")));
    QVERIFY(metrics.horizontalAdvance(shown) <= width);

    // Without a backslash the middle goes; a text that fits is left alone.
    const QString name = QStringLiteral("A very long channel name that does not fit at all");
    const QString cut = RowPainting::pathEllipsis(name, metrics, 120);
    QVERIFY(cut.contains(QStringLiteral("...")));
    QVERIFY(cut.startsWith(QLatin1Char('A')) && cut.endsWith(QStringLiteral("all")));
    // As much as fits is kept: one more character from the middle would not fit.
    QVERIFY(metrics.horizontalAdvance(cut) <= 120);
    const qsizetype kept = cut.size() - 3;
    const qsizetype head = (kept + 2) / 2;
    const QString longer = name.left(head) + QStringLiteral("...") + name.right(kept + 1 - head);
    QVERIFY(metrics.horizontalAdvance(longer) > 120);
    QCOMPARE(RowPainting::pathEllipsis(QStringLiteral("Short"), metrics, 120), QStringLiteral("Short"));
    // A doubled ampersand shows as one character, so it fits where its raw text would not.
    const QString amp = QStringLiteral("R&&B");
    QCOMPARE(RowPainting::pathEllipsis(amp, metrics,
                                       metrics.size(Qt::TextSingleLine, QStringLiteral("R&B")).width()),
             amp);
}

void DrawGradientTest::failuresAreSwallowedExceptInTheDropDown()
{
    QStringListModel model({QStringLiteral("row")});
    QImage image = blank(50, 23);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 50, 23);
    const auto failing = [](const QString &) -> QString { throw NorvaleError(QStringLiteral("broken")); };
    ListRowDelegate swallowing(RowFormat{}, failing, true);
    swallowing.paint(&painter, option, model.index(0));
    ListRowDelegate reporting(RowFormat{22, 0, 5}, failing, false);
    QVERIFY_THROWS_EXCEPTION(NorvaleError, reporting.paint(&painter, option, model.index(0)));

    QCOMPARE(ListRowDelegate::sourceDropDown(&model)->shownText(QStringLiteral("https://a.example/x.m3u")),
             QStringLiteral("a.example/x.m3u"));
    QCOMPARE(ListRowDelegate::sourceDropDown(&model)->shownText(QStringLiteral("file:///C:\\tv.m3u")),
             QStringLiteral("C:\\tv.m3u"));
    QCOMPARE(ListRowDelegate::channelList(&model)->shownText(QStringLiteral("http://x")),
             QStringLiteral("http://x"));
    QCOMPARE(ListRowDelegate::sourceDropDown(&model)->sizeHint(option, model.index(0)).height(), 22);
    QCOMPARE(ListRowDelegate::adminFavourites(&model)->format().textTopInset, 1);
}

QTEST_MAIN(DrawGradientTest)
#include "DrawGradientTest.moc"

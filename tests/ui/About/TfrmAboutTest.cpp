// The about window: its layout table, fonts and the two links to the maker's pages.
#include "About/TfrmAbout.h"
#include "About/WebLinks.h"
#include "paint/ImageButton.h"
#include "ui_TfrmAbout.h"

#include <QtTest>

namespace {
struct Layout {
    const char *name;
    QRect geometry;
    const char *text;
    const char *family; // empty: the window font
    int pixels;
    bool hand;
};

const Layout Table[] = {
    {"Image1", {16, 16, 128, 128}, "", "", 0, false},
    {"Label1", {176, 32, 395, 23}, "", "Calibri", 19, false},
    {"Label4", {176, 80, 74, 23}, "Visit us at", "Calibri", 19, false},
    {"Label5", {256, 80, 230, 23}, "www.brackwell.example", "Calibri", 19, true},
    {"Label6", {17, 154, 233, 23}, "Donate and become our Hero!", "Calibri", 19, false},
    {"btnDonate", {17, 196, 233, 45}, "Be Nice and Donate...", "Calibri Light", 19, true},
    {"Label8", {17, 254, 357, 23}, "Please Donate To Support Our Free Software...", "Calibri", 19, false},
    {"btnClose", {539, 300, 75, 35}, "Close", "Calibri Light", 16, true},
};
} // namespace

class TfrmAboutTest final : public QObject {
    Q_OBJECT
private:
    QStringList opened;

private slots:
    void init()
    {
        opened.clear();
        WebLinks::setOpenerForTesting([this](const QString &address) { opened << address; });
    }
    void cleanup() { WebLinks::setOpenerForTesting({}); }

    void layoutMatchesTheTable()
    {
        TfrmAbout about;
        QCOMPARE(about.windowTitle(), QStringLiteral("Brackwell - About Us..."));
        QCOMPARE(about.size(), QSize(630, 352));
        QCOMPARE(about.minimumSize(), about.maximumSize());
        for (const Layout &row : Table) {
            auto *w = about.findChild<QWidget *>(QLatin1String(row.name));
            QVERIFY2(w, row.name);
            QCOMPARE(w->geometry(), row.geometry);
            QString text;
            if (auto *b = qobject_cast<QPushButton *>(w))
                text = b->text();
            else
                text = qobject_cast<QLabel *>(w)->text();
            QCOMPARE(text, QString::fromUtf8(row.text));
            QCOMPARE(w->cursor().shape() == Qt::PointingHandCursor, row.hand);
            if (row.pixels) {
                QCOMPARE(w->font().family(), QString::fromUtf8(row.family));
                QCOMPARE(w->font().pixelSize(), row.pixels);
            }
            if (qobject_cast<QLabel *>(w))
                QCOMPARE(w->focusPolicy(), Qt::NoFocus);
        }
        Ui::TfrmAbout &ui = about.controls();
        QVERIFY(ui.Label5->font().underline());
        // A blue that stays readable on the dark face; how readable is checked in the style.
        const QColor address = ui.Label5->palette().color(QPalette::WindowText);
        QVERIFY2(address.hsvHue() >= 200 && address.hsvHue() <= 240 && address.lightness() > 160,
                 qPrintable(address.name()));
        QVERIFY(!ui.Image1->pixmap().isNull());
        QCOMPARE(ui.btnDonate->iconSize(), QSize(44, 44));
        QCOMPARE(ui.btnDonate->imageRect().left(), 3);
        QCOMPARE(ui.btnClose->iconSize(), QSize(24, 24));
        QCOMPARE(ui.btnClose->imageRect().left(), 3);
        // Tab goes from Close (0) to Donate (1) and back: the labels take no focus.
        const auto nextTabStop = [](QWidget *w) {
            do
                w = w->nextInFocusChain();
            while (!(w->focusPolicy() & Qt::TabFocus));
            return w;
        };
        QCOMPARE(nextTabStop(ui.btnClose), ui.btnDonate);
        QCOMPARE(nextTabStop(ui.btnDonate), ui.btnClose);
    }

    void linksOpenTheMakersPagesAndTheWindowStays()
    {
        TfrmAbout about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        Ui::TfrmAbout &ui = about.controls();
        QTest::mouseClick(ui.Label5, Qt::LeftButton);
        QTest::mouseClick(ui.btnDonate, Qt::LeftButton);
        for (QLabel *inert : {ui.Label1, ui.Label4, ui.Label6, ui.Label8, ui.Image1})
            QTest::mouseClick(inert, Qt::LeftButton);
        QCOMPARE(opened, QStringList({QString::fromLatin1(BRACKWELL_WEB_PAGE),
                                      QString::fromLatin1(BRACKWELL_DONATE_PAGE)}));
        QVERIFY(
            QString::fromLatin1(BRACKWELL_DONATE_PAGE).startsWith(QString::fromLatin1(BRACKWELL_WEB_PAGE)));
        QVERIFY(QString::fromLatin1(BRACKWELL_DONATE_PAGE).endsWith(QStringLiteral("/donate.htm")));
        QVERIFY(about.isVisible());
        QTest::mouseClick(ui.btnClose, Qt::LeftButton);
        QVERIFY(!about.isVisible());
    }
};

QTEST_MAIN(TfrmAboutTest)
#include "TfrmAboutTest.moc"

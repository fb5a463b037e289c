// The windows in the dark Carbon style as the program applies it: the playlist drop-down opens
// its list below the box, and every text can be read against what it is drawn on.

#include "../WindowTestSupport.h"
#include "AEPlaylist/TfrmAEPlaylist.h"
#include "About/TfrmAbout.h"
#include "AdminFavourites/TfrmAdminFavourites.h"
#include "AdminPlaylists/TfrmAdminPlaylists.h"
#include "Busy/TfrmBusy.h"
#include "EFavourite/TfrmEditFavourite.h"
#include "Main/TfrmMain.h"
#include "common/CarbonStyle.h"
#include "ui_TfrmAbout.h"
#include "ui_TfrmMain.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QtTest>
#include <cmath>

#include <memory>

namespace {
// WCAG 2 relative luminance of an sRGB colour.
double luminance(const QColor &colour)
{
    const auto linear = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// What `widget` is drawn on: the nearest widget, itself included, that fills its background,
// and at the latest its window.
QColor backgroundOf(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        if (w->autoFillBackground() || w->isWindow())
            return w->palette().color(QPalette::Active, w->backgroundRole());
    }
    return {};
}

QWidget *windowNamed(const QString &name)
{
    const QMap<QString, QWidget *> windows = {
        {QStringLiteral("TfrmMain"), frmMain},
        {QStringLiteral("TfrmBusy"), frmBusy},
        {QStringLiteral("TfrmAdminPlaylists"), frmAdminPlaylists},
        {QStringLiteral("TfrmAEPlaylist"), frmAEPlaylist},
        {QStringLiteral("TfrmAbout"), frmAbout},
        {QStringLiteral("TfrmAdminFavourites"), frmAdminFavourites},
        {QStringLiteral("TfrmEditFavourite"), frmEditFavourite},
    };
    return windows.value(name);
}
} // namespace

class CarbonLookTest final : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> dir;
    QList<MessageBoxes::Shown> boxes;
    const bool yes = true;

    QComboBox &dropDown() { return *frmMain->controls().cmbPlaylists; }
    // Shows the main window with its drop-down at `comboTop` on the screen, opens the list with
    // a click and returns the list's window.
    QWidget *openDropDownAt(int comboTop)
    {
        // Moved once shown, since the first showing places the window where it was last.
        frmMain->show();
        const QRect screen = frmMain->screen()->availableGeometry();
        frmMain->move(screen.left() + 40, comboTop - dropDown().y());
        frmMain->activateWindow();
        if (!QTest::qWaitForWindowActive(frmMain))
            return nullptr;
        QTest::mouseClick(&dropDown(), Qt::LeftButton);
        QWidget *list = dropDown().view()->window();
        return QTest::qWaitFor([list] { return list->isVisible(); }) ? list : nullptr;
    }

private slots:
    void initTestCase()
    {
        dir = std::make_unique<QTemporaryDir>();
        enterWindowSandbox(*dir, boxes, &yes);
        auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
        QVERIFY(VisualStyles::apply(*app, QStringLiteral("Carbon")));
        frmMain = new TfrmMain;
        frmMain->setCommandLine({QStringLiteral("Norvale")});
        frmBusy = new TfrmBusy(frmMain);
        frmAdminPlaylists = new TfrmAdminPlaylists(frmMain);
        frmAEPlaylist = new TfrmAEPlaylist(frmMain);
        frmAbout = new TfrmAbout(frmMain);
        frmAdminFavourites = new TfrmAdminFavourites(frmMain);
        frmEditFavourite = new TfrmEditFavourite(frmMain);
        for (int i = 0; i < 20; ++i)
            dropDown().addItem(QStringLiteral("https://lists.example/%1.m3u").arg(i));
    }
    void cleanupTestCase()
    {
        delete frmMain; // owns the others
        frmMain = nullptr;
        frmBusy = nullptr;
        frmAdminPlaylists = nullptr;
        frmAEPlaylist = nullptr;
        frmAbout = nullptr;
        frmAdminFavourites = nullptr;
        frmEditFavourite = nullptr;
        leaveWindowSandbox();
    }

    // At the top of the screen too, where a list laid over the box around its chosen entry
    // would reach up over the title bar.
    void dropDownListOpensBelowTheBox_data()
    {
        QTest::addColumn<int>("chosen");
        QTest::addColumn<int>("comboTop"); // from the top of the available screen
        QTest::newRow("nothing chosen") << -1 << 120;
        QTest::newRow("an entry far down chosen") << 12 << 120;
        QTest::newRow("at the top of the screen") << 12 << 0;
    }
    void dropDownListOpensBelowTheBox()
    {
        QFETCH(int, chosen);
        QFETCH(int, comboTop);
        dropDown().setCurrentIndex(chosen);
        QWidget *list = openDropDownAt(frmMain->screen()->availableGeometry().top() + comboTop);
        QVERIFY(list);
        QVERIFY(list != frmMain);
        const QRect box(dropDown().mapToGlobal(QPoint(0, 0)), dropDown().size());
        const QRect open = list->frameGeometry();
        dropDown().hidePopup();
        QVERIFY2(open.top() >= box.bottom(),
                 qPrintable(QStringLiteral("list top %1, box bottom %2").arg(open.top()).arg(box.bottom())));
        QCOMPARE(open.left(), box.left());
        QVERIFY(open.width() >= 467);
        // Fifteen rows of 22 pixels show, not all twenty.
        const int rows = dropDown().view()->viewport()->height() / 22;
        QCOMPARE(rows, 15);
        QCOMPARE(dropDown().currentIndex(), chosen);
    }

    void dropDownListOpensAboveWhenThereIsNoRoomBelow()
    {
        dropDown().setCurrentIndex(-1);
        const QRect screen = frmMain->screen()->availableGeometry();
        QWidget *list = openDropDownAt(screen.bottom() - 80);
        QVERIFY(list);
        const QRect box(dropDown().mapToGlobal(QPoint(0, 0)), dropDown().size());
        const QRect open = list->frameGeometry();
        dropDown().hidePopup();
        QVERIFY2(open.bottom() <= box.top(),
                 qPrintable(QStringLiteral("list bottom %1, box top %2").arg(open.bottom()).arg(box.top())));
        QCOMPARE(open.left(), box.left());
    }

    // Labels against what they are drawn on, edit boxes and lists against their base: at least
    // 4.5 to 1, as the colours are once each window has been shown in the style.
    void everyTextCanBeRead_data()
    {
        QTest::addColumn<QString>("window");
        for (const char *name : {"TfrmMain", "TfrmBusy", "TfrmAdminPlaylists", "TfrmAEPlaylist", "TfrmAbout",
                                 "TfrmAdminFavourites", "TfrmEditFavourite"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void everyTextCanBeRead()
    {
        QFETCH(QString, window);
        QWidget *w = windowNamed(window);
        QVERIFY(w);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        int checked = 0;
        for (QWidget *child : w->findChildren<QWidget *>()) {
            if (child->window() != w || !child->isVisible())
                continue;
            QColor text;
            QColor ground;
            if (auto *label = qobject_cast<QLabel *>(child)) {
                if (label->text().isEmpty())
                    continue; // a picture
                text = label->palette().color(QPalette::Active, label->foregroundRole());
                ground = backgroundOf(label);
            } else if (qobject_cast<QLineEdit *>(child) || qobject_cast<QAbstractItemView *>(child)) {
                text = child->palette().color(QPalette::Active, QPalette::Text);
                ground = child->palette().color(QPalette::Active, QPalette::Base);
            } else {
                continue;
            }
            const double ratio = contrastRatio(text, ground);
            QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("%1: %2 on %3 is %4:1")
                                                  .arg(child->objectName(), text.name(), ground.name())
                                                  .arg(ratio, 0, 'f', 2)));
            ++checked;
        }
        w->hide();
        QVERIFY(checked > 0);
    }

    void busyLinesUseTheTextColour()
    {
        frmBusy->show();
        QVERIFY(QTest::qWaitForWindowExposed(frmBusy));
        for (const char *name : {"Label1", "Label2"}) {
            auto *label = frmBusy->findChild<QLabel *>(QLatin1String(name));
            QVERIFY2(label, name);
            QCOMPARE(label->palette().color(QPalette::Active, label->foregroundRole()),
                     QColor(0xEA, 0xEA, 0xEA));
            QCOMPARE(backgroundOf(label), QColor(0x33, 0x33, 0x33));
        }
        frmBusy->hide();
    }

    void aboutAddressIsALightUnderlinedBlue()
    {
        frmAbout->show();
        QVERIFY(QTest::qWaitForWindowExposed(frmAbout));
        QLabel *address = frmAbout->controls().Label5;
        const QColor colour = address->palette().color(QPalette::Active, address->foregroundRole());
        frmAbout->hide();
        QVERIFY2(colour.hsvHue() >= 200 && colour.hsvHue() <= 240, qPrintable(colour.name()));
        QVERIFY2(colour.hsvSaturation() >= 64, qPrintable(colour.name()));
        QVERIFY(address->font().underline());
        // The other labels of the window keep the style's text colour.
        const QColor text = frmAbout->palette().color(QPalette::WindowText);
        for (QLabel *label :
             {frmAbout->controls().Label4, frmAbout->controls().Label6, frmAbout->controls().Label8})
            QCOMPARE(label->palette().color(QPalette::Active, label->foregroundRole()), text);
        QVERIFY(contrastRatio(colour, backgroundOf(address)) >= 4.5);
    }
};

QTEST_MAIN(CarbonLookTest)
#include "CarbonLookTest.moc"

// The main window as the user sees it: the layout table against the real widgets, the channel
// search, the web links and the painted rows of the channel list.
#include "About/WebLinks.h"
#include "Main/TfrmMain.h"
#include "common/MessageBoxes.h"
#include "paint/ImageButton.h"
#include "shell/AppPaths.h"
#include "ui_TfrmMain.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {
struct Layout {
    const char *name;
    QRect geometry;
    const char *text; // caption, text hint or tooltip as the table gives it
    bool calibri;     // Calibri Light 16 px
    bool hand;
};

const Layout Table[] = {
    {"VLCPlugin21", {504, 63, 480, 270}, "", false, false},
    {"lstM3UPlaylists", {16, 63, 467, 501}, "", true, true},
    {"cmbPlaylists", {16, 30, 225, 28}, "Select Playlist to Start...", true, true},
    {"btnPlay", {504, 349, 75, 35}, "Play", true, true},
    {"btnGoFullscreen", {932, 349, 52, 52}, "", false, true},
    {"btnClose", {909, 576, 75, 35}, "Close", true, true},
    {"btnAEPlaylists", {246, 29, 30, 30}, "Edit Playlists...", false, true},
    {"btnSearch", {453, 29, 30, 30}, "", false, true},
    {"btnAbout", {504, 576, 89, 35}, "About", true, true},
    {"edtSearch", {282, 30, 166, 27}, "Search...", true, false},
    {"btnAddToFavourites", {16, 576, 161, 35}, "Add To Favourites", true, true},
    {"btnViewFavourites", {320, 576, 163, 35}, "View Favourites", true, true},
    {"btnAEFavourites", {195, 576, 34, 35}, "Edit Favourite List...", false, true},
    {"btnStop", {592, 349, 75, 35}, "Stop", true, true},
    {"btnPause", {680, 349, 81, 35}, "PS/PL", true, true},
    {"Label1", {16, 6, 186, 19}, "Start by selecting a playlist...", true, false},
    {"lblLink", {504, 545, 425, 19}, "Click here to visit Vendane online...", true, true},
    {"Image1", {656, 400, 147, 147}, "", false, true},
};

// Button, image list, index, margin (-1: centred), image size.
struct ButtonImage {
    const char *name;
    int margin;
    int size;
};
const ButtonImage Images[] = {
    {"btnPlay", 3, 24},
    {"btnGoFullscreen", 2, 44},
    {"btnClose", 3, 24},
    {"btnAEPlaylists", 1, 24},
    {"btnSearch", -1, 24},
    {"btnAbout", 8, 24},
    {"btnAddToFavourites", 8, 24},
    {"btnViewFavourites", 8, 24},
    {"btnAEFavourites", 3, 24},
    {"btnStop", 3, 24},
    {"btnPause", 3, 24},
};

QString tableText(const QWidget *w)
{
    if (auto *b = qobject_cast<const QPushButton *>(w))
        return b->text().isEmpty() ? b->toolTip() : b->text();
    if (auto *l = qobject_cast<const QLabel *>(w))
        return l->text();
    if (auto *e = qobject_cast<const QLineEdit *>(w))
        return e->placeholderText();
    if (auto *c = qobject_cast<const QComboBox *>(w))
        return c->placeholderText();
    return {};
}
} // namespace

class TfrmMainViewTest final : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> dir;
    TfrmMain *main = nullptr;
    QStringList opened;

    Ui::TfrmMain &ui() { return main->controls(); }
    void fill(const QStringList &names)
    {
        for (const QString &n : names)
            main->channels().addText(n);
    }
    int topRow() { return ui().lstM3UPlaylists->indexAt(QPoint(4, 4)).row(); }
    // Pixels of the search box's text area, right of the caret and left of the grey cross, that
    // are not its background: the drawn hint (or text).
    int inkRightOfTheCaret()
    {
        ButtonedEdit *box = ui().edtSearch;
        const QImage image = box->grab().toImage();
        const int from = box->inputMethodQuery(Qt::ImCursorRectangle).toRect().right() + 2;
        const int to = box->findChild<QAbstractButton *>()->geometry().left() - 2;
        const QRgb background = image.pixel(to - 1, box->height() / 2);
        int ink = 0;
        for (int y = 4; y < box->height() - 4; ++y)
            for (int x = from; x < to; ++x)
                ink += image.pixel(x, y) != background ? 1 : 0;
        return ink;
    }
    void pressEnter() { QTest::keyClick(ui().edtSearch, Qt::Key_Return); }

private slots:
    void init();
    void cleanup();
    void layoutMatchesTheTable();
    void windowFrameAndStartState();
    void buttonImagesAndMargins();
    void searchWalksDownWithoutWrap();
    void searchIgnoresEmptyTextAndEmptyList();
    void typingClearsSelectionAndEnterIsSwallowed();
    void crossEmptiesTheBoxButKeepsTheSelection();
    void searchHintShowsOnlyWhileEmptyAndUnfocused();
    void matchScrollsToTheTopRowAsFarAsItCan();
    void linkAndLogoOpenThePortal();
    void linkUnderlinesWhileHovered();
    void selectedRowIsPaintedAsAGradientBar();
};

void TfrmMainViewTest::init()
{
    dir = std::make_unique<QTemporaryDir>();
    AppPaths::setExecutableDirForTesting(dir->path() + QLatin1Char('/'));
    // A fresh placement store each time: a saved position would move the window.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       dir->filePath(QStringLiteral("config")));
    MessageBoxes::setInterceptorForTesting([](const MessageBoxes::Shown &) { return true; });
    opened.clear();
    WebLinks::setOpenerForTesting([this](const QString &address) { opened << address; });
    main = new TfrmMain;
    main->setCommandLine({QStringLiteral("Norvale")});
    frmMain = main;
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main));
}

void TfrmMainViewTest::cleanup()
{
    delete main;
    main = nullptr;
    frmMain = nullptr;
    WebLinks::setOpenerForTesting({});
    MessageBoxes::setInterceptorForTesting({});
    AppPaths::setExecutableDirForTesting({});
}

void TfrmMainViewTest::layoutMatchesTheTable()
{
    for (const Layout &row : Table) {
        auto *w = main->findChild<QWidget *>(QLatin1String(row.name));
        QVERIFY2(w, row.name);
        QCOMPARE(w->geometry(), row.geometry);
        QCOMPARE(tableText(w), QString::fromUtf8(row.text));
        QCOMPARE(w->cursor().shape() == Qt::PointingHandCursor, row.hand);
        if (row.calibri) {
            QCOMPARE(w->font().family(), QStringLiteral("Calibri Light"));
            QCOMPARE(QFontInfo(w->font()).pixelSize(), 16);
        }
    }
    QVERIFY(ui().edtSearch->toolTip().isEmpty());
    QCOMPARE(ui().lblLink->alignment(), Qt::AlignCenter);

    // Tab order 1..14 as the table numbers it (the player placeholder takes no focus yet).
    const QStringList order = {
        "lstM3UPlaylists",   "cmbPlaylists",    "btnPlay",  "btnGoFullscreen", "btnClose",
        "btnAEPlaylists",    "btnSearch",       "btnAbout", "edtSearch",       "btnAddToFavourites",
        "btnViewFavourites", "btnAEFavourites", "btnStop",  "btnPause"};
    QStringList chain;
    QWidget *w = ui().lstM3UPlaylists;
    do {
        if (order.contains(w->objectName()) && !chain.contains(w->objectName()))
            chain << w->objectName();
        w = w->nextInFocusChain();
    } while (w != ui().lstM3UPlaylists);
    QCOMPARE(chain, order);
}

void TfrmMainViewTest::windowFrameAndStartState()
{
    QCOMPARE(main->windowTitle(), QStringLiteral("Norvale"));
    QCOMPARE(main->size(), QSize(1000, 627));
    QVERIFY(!main->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(main->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!ui().btnStop->isEnabled());
    QVERIFY(!ui().btnPause->isEnabled());
    QVERIFY(ui().btnPlay->isEnabled());
    QCOMPARE(ui().cmbPlaylists->view()->minimumWidth(), 467);
    QCOMPARE(ui().cmbPlaylists->maxVisibleItems(), 15);
    QCOMPARE(ui().lstM3UPlaylists->font().pointSize(), 12);

    // Nothing is anchored: a larger window leaves every control where it was.
    main->resize(1200, 800);
    QCoreApplication::processEvents();
    for (const Layout &row : Table)
        QCOMPARE(main->findChild<QWidget *>(QLatin1String(row.name))->geometry(), row.geometry);
}

void TfrmMainViewTest::buttonImagesAndMargins()
{
    for (const ButtonImage &b : Images) {
        auto *button = main->findChild<ImageButton *>(QLatin1String(b.name));
        QVERIFY2(button && !button->icon().isNull(), b.name);
        QCOMPARE(button->iconSize(), QSize(b.size, b.size));
        const QRect image = button->imageRect();
        if (b.margin >= 0)
            QCOMPARE(image.left(), b.margin);
        else
            QCOMPARE(image.center().x(), button->rect().center().x());
    }
    QVERIFY(!ui().edtSearch->rightButton()->icon().isNull());
    QVERIFY(!ui().Image1->pixmap().isNull());
    QVERIFY(ui().Image1->pixmap().width() <= 147);
}

void TfrmMainViewTest::searchWalksDownWithoutWrap()
{
    fill({"Sports", "Morning NEWS", "Weather", "Newsroom", "Evening News"});
    // Sorted: Evening News, Morning NEWS, Newsroom, Sports, Weather.
    QCOMPARE(main->FindNextInListBox(main->channels(), "news", -1), 0);
    QCOMPARE(main->FindNextInListBox(main->channels(), "news", 0), 1);
    QCOMPARE(main->FindNextInListBox(main->channels(), "NEWS", 1), 2);
    QCOMPARE(main->FindNextInListBox(main->channels(), "news", 2), -1);
    QCOMPARE(main->FindNextInListBox(main->channels(), "ather", -1), 4);

    QTest::keyClicks(ui().edtSearch, "news");
    for (int expected : {0, 1, 2, 2}) {
        pressEnter();
        QCOMPARE(main->selectedChannelIndex(), expected);
    }
    // A match above the selection is found only once typing cleared the selection.
    ui().edtSearch->clear();
    QTest::keyClicks(ui().edtSearch, "s");
    QCOMPARE(main->selectedChannelIndex(), -1);
    QTest::mouseClick(ui().btnSearch, Qt::LeftButton);
    QCOMPARE(main->selectedChannelIndex(), 0);
}

void TfrmMainViewTest::searchIgnoresEmptyTextAndEmptyList()
{
    QTest::keyClicks(ui().edtSearch, "x");
    pressEnter();
    QCOMPARE(main->selectedChannelIndex(), -1);

    fill({"Alpha", "Beta"});
    ui().edtSearch->clear();
    ui().lstM3UPlaylists->setCurrentIndex(main->channels().index(1));
    QCOMPARE(main->FindNextInListBox(main->channels(), QString(), -1), -1);
    QTest::mouseClick(ui().btnSearch, Qt::LeftButton);
    QCOMPARE(main->selectedChannelIndex(), 1);
}

void TfrmMainViewTest::typingClearsSelectionAndEnterIsSwallowed()
{
    fill({"One", "Two"});
    ui().lstM3UPlaylists->setCurrentIndex(main->channels().index(1));
    QCOMPARE(main->selectedChannelIndex(), 1);
    QTest::keyClick(ui().edtSearch, Qt::Key_Backspace);
    QCOMPARE(main->selectedChannelIndex(), -1);

    ui().lstM3UPlaylists->setCurrentIndex(main->channels().index(1));
    QSignalSpy returned(ui().edtSearch, &QLineEdit::returnPressed);
    QTest::keyClicks(ui().edtSearch, "o");
    pressEnter();
    QTest::keyClick(ui().edtSearch, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(ui().edtSearch->text(), QStringLiteral("o"));
    QCOMPARE(returned.count(), 0);
    QCOMPARE(main->selectedChannelIndex(), 1); // "One" (0), then "Two" (1)

    // Keys without a character leave the selection alone.
    QTest::keyClick(ui().edtSearch, Qt::Key_Left);
    QCOMPARE(main->selectedChannelIndex(), 1);
}

void TfrmMainViewTest::crossEmptiesTheBoxButKeepsTheSelection()
{
    fill({"One", "Two"});
    QTest::keyClicks(ui().edtSearch, "two");
    pressEnter();
    QCOMPARE(main->selectedChannelIndex(), 1);
    ui().lstM3UPlaylists->setFocus();
    ui().edtSearch->rightButton()->trigger();
    QVERIFY(ui().edtSearch->text().isEmpty());
    QCOMPARE(main->selectedChannelIndex(), 1);
    QTRY_VERIFY(ui().edtSearch->hasFocus());
}

void TfrmMainViewTest::searchHintShowsOnlyWhileEmptyAndUnfocused()
{
    main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main));
    ButtonedEdit *box = ui().edtSearch;
    ui().lstM3UPlaylists->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(ui().lstM3UPlaylists->hasFocus());
    QVERIFY2(inkRightOfTheCaret() > 20, "no hint in the empty box without the focus");

    // The grey cross, clicked: the box is emptied and gets the focus, and the hint goes.
    QTest::keyClicks(box, "news");
    QTest::mouseClick(box->findChild<QAbstractButton *>(), Qt::LeftButton);
    QVERIFY(box->text().isEmpty());
    QTRY_VERIFY(box->hasFocus());
    QCOMPARE(inkRightOfTheCaret(), 0);
    QCOMPARE(box->placeholderText(), QStringLiteral("Search..."));

    // Typed and erased again while it keeps the focus: still no hint.
    QTest::keyClicks(box, "x");
    QTest::keyClick(box, Qt::Key_Backspace);
    QVERIFY(box->text().isEmpty());
    QCOMPARE(inkRightOfTheCaret(), 0);

    // Tab takes the focus on: the hint is back; a click into the box hides it again.
    QTest::keyClick(box, Qt::Key_Tab);
    QTRY_VERIFY(!box->hasFocus());
    QVERIFY(inkRightOfTheCaret() > 20);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() / 3, box->height() / 2));
    QTRY_VERIFY(box->hasFocus());
    QCOMPARE(inkRightOfTheCaret(), 0);
}

void TfrmMainViewTest::matchScrollsToTheTopRowAsFarAsItCan()
{
    QStringList names;
    for (int i = 0; i < 100; ++i)
        names << QStringLiteral("Channel %1").arg(i, 3, 10, QLatin1Char('0'));
    fill(names);
    QCoreApplication::processEvents();

    QTest::keyClicks(ui().edtSearch, "Channel 050");
    pressEnter();
    QCOMPARE(main->selectedChannelIndex(), 50);
    QCOMPARE(topRow(), 50);

    ui().edtSearch->clear();
    QTest::keyClicks(ui().edtSearch, "Channel 098");
    pressEnter();
    QCOMPARE(main->selectedChannelIndex(), 98);
    const int visible = ui().lstM3UPlaylists->viewport()->height() / 23;
    QVERIFY(topRow() < 98);
    QCOMPARE(topRow(), 100 - visible);
    QCOMPARE(ui().lstM3UPlaylists->indexAt(QPoint(4, visible * 23 - 2)).row(), 99);
}

void TfrmMainViewTest::linkAndLogoOpenThePortal()
{
    QTest::mouseClick(ui().lblLink, Qt::LeftButton);
    QTest::mouseClick(ui().Image1, Qt::LeftButton);
    QTest::mouseClick(ui().Label1, Qt::LeftButton);
    QCOMPARE(opened, QStringList({QString::fromLatin1(LINKURL), QString::fromLatin1(LINKURL)}));
    QVERIFY(QString::fromLatin1(LINKURL).startsWith(QStringLiteral("https://")));
}

void TfrmMainViewTest::linkUnderlinesWhileHovered()
{
    QFont start = ui().lblLink->font();
    start.setItalic(true);
    ui().lblLink->setFont(start);
    QVERIFY(!ui().lblLink->font().underline());
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(ui().lblLink, &enter);
    QVERIFY(ui().lblLink->font().underline());
    QVERIFY(ui().lblLink->font().italic());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(ui().lblLink, &leave);
    QVERIFY(!ui().lblLink->font().underline());
    QVERIFY(ui().lblLink->font().italic());
}

void TfrmMainViewTest::selectedRowIsPaintedAsAGradientBar()
{
    fill({"First", "Second", "Third"});
    ui().lstM3UPlaylists->setCurrentIndex(main->channels().index(1));
    QCoreApplication::processEvents();
    const QImage image = ui().lstM3UPlaylists->viewport()->grab().toImage();
    const QRect row = ui().lstM3UPlaylists->visualRect(main->channels().index(1));
    QCOMPARE(row.height(), 23);
    const int x = row.right() - 20;
    const int dpr = qRound(image.devicePixelRatio());
    QCOMPARE(dpr, 1);
    QCOMPARE(QColor(image.pixel(x, row.top())), QColor(0xC5, 0xC5, 0xC5));
    QCOMPARE(QColor(image.pixel(x, row.top() + 11)), QColor(210, 210, 210));
    QCOMPARE(QColor(image.pixel(x, row.top() + 16)), QColor(185, 185, 185));
    // Unselected rows keep the list's own background.
    const QColor base = ui().lstM3UPlaylists->palette().color(QPalette::Base);
    QCOMPARE(QColor(image.pixel(x, row.top() - 10)), base);
}

QTEST_MAIN(TfrmMainViewTest)
#include "TfrmMainViewTest.moc"

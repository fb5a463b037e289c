// Keyboard and screen-reader access to every window: Tab visits the controls in each window's
// tab order, and every button, list, drop-down, edit box and slider has a name that assistive
// technology can read (its caption, or a name given where it shows only a picture).

#include "AEPlaylist/TfrmAEPlaylist.h"
#include "About/TfrmAbout.h"
#include "AdminFavourites/TfrmAdminFavourites.h"
#include "AdminPlaylists/TfrmAdminPlaylists.h"
#include "Busy/TfrmBusy.h"
#include "EFavourite/TfrmEditFavourite.h"
#include "Main/TfrmMain.h"
#include "common/MessageBoxes.h"
#include "shell/AppPaths.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
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

// The controls a user operates: buttons, lists, drop-downs, edit boxes, sliders, and whatever
// else Tab stops at. Scroll bars belong to their list, and a drop-down's open list is part of the
// drop-down.
bool isOperated(QWidget *widget, QWidget *window)
{
    // Secondary windows and Qt's own file dialogs are children of a window, not part of it.
    if (widget->window() != window || qobject_cast<QScrollBar *>(widget))
        return false;
    for (QWidget *up = widget->parentWidget(); up && up != window; up = up->parentWidget())
        if (qobject_cast<QComboBox *>(up))
            return false;
    return qobject_cast<QAbstractButton *>(widget) || qobject_cast<QAbstractItemView *>(widget) ||
           qobject_cast<QComboBox *>(widget) || qobject_cast<QLineEdit *>(widget) ||
           qobject_cast<QAbstractSlider *>(widget) ||
           ((widget->focusPolicy() & Qt::TabFocus) && !widget->focusProxy());
}

// "name (class)" of the widget and of each parent up to its window, for failure messages.
QString describe(QWidget *widget)
{
    QStringList chain;
    for (QWidget *w = widget; w; w = w->isWindow() ? nullptr : w->parentWidget())
        chain << QStringLiteral("%1 (%2)").arg(w->objectName(), QLatin1String(w->metaObject()->className()));
    return chain.join(QStringLiteral(" in "));
}
} // namespace

class AccessibilityTest final : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> dir;

    void windows_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("tabOrder");
        QTest::addColumn<QStringList>("alsoNamed"); // operated without the keyboard
        QTest::newRow("main") << QStringLiteral("TfrmMain") << QStringList{"videoSurface",
                                                                           "lstM3UPlaylists",
                                                                           "cmbPlaylists",
                                                                           "btnPlay",
                                                                           "btnGoFullscreen",
                                                                           "btnClose",
                                                                           "btnAEPlaylists",
                                                                           "btnSearch",
                                                                           "btnAbout",
                                                                           "edtSearch",
                                                                           "btnAddToFavourites",
                                                                           "btnViewFavourites",
                                                                           "btnAEFavourites",
                                                                           "btnStop",
                                                                           "btnPause"}
                              << QStringList{"toolbarPause", "toolbarStop", "toolbarMute", "toolbarVolume",
                                             "toolbarFullscreen"};
        QTest::newRow("busy") << QStringLiteral("TfrmBusy") << QStringList{} << QStringList{};
        QTest::newRow("playlist administration")
            << QStringLiteral("TfrmAdminPlaylists")
            << QStringList{"lstM3UPlaylists", "btnAdd", "btnEdit", "btnRemove", "btnClose"} << QStringList{};
        QTest::newRow("add / edit playlist")
            << QStringLiteral("TfrmAEPlaylist")
            << QStringList{"edtPlaylist", "btnOK", "btnCancel", "btnPaste", "btnBrowse"} << QStringList{};
        QTest::newRow("about") << QStringLiteral("TfrmAbout") << QStringList{"btnClose", "btnDonate"}
                               << QStringList{};
        QTest::newRow("favourites administration")
            << QStringLiteral("TfrmAdminFavourites")
            << QStringList{"btnClose", "btnRemove", "btnEdit", "lstM3UFavourites", "btnExport"}
            << QStringList{};
        QTest::newRow("edit favourite")
            << QStringLiteral("TfrmEditFavourite")
            << QStringList{"btnPaste", "btnOK", "btnCancel", "edtFavouriteName", "edtFavouriteURL"}
            << QStringList{};
    }

private slots:
    void initTestCase()
    {
        dir = std::make_unique<QTemporaryDir>();
        AppPaths::setExecutableDirForTesting(dir->path());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           dir->filePath(QStringLiteral("config")));
        MessageBoxes::setInterceptorForTesting([](const MessageBoxes::Shown &) { return true; });
        // All seven windows, in the program's order.
        frmMain = new TfrmMain;
        frmMain->setCommandLine({QStringLiteral("Norvale")});
        frmBusy = new TfrmBusy(frmMain);
        frmAdminPlaylists = new TfrmAdminPlaylists(frmMain);
        frmAEPlaylist = new TfrmAEPlaylist(frmMain);
        frmAbout = new TfrmAbout(frmMain);
        frmAdminFavourites = new TfrmAdminFavourites(frmMain);
        frmEditFavourite = new TfrmEditFavourite(frmMain);
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
        MessageBoxes::setInterceptorForTesting({});
        AppPaths::setExecutableDirForTesting({});
    }

    void tabVisitsTheControlsInOrder_data() { windows_data(); }
    void tabVisitsTheControlsInOrder()
    {
        QFETCH(QString, window);
        QFETCH(QStringList, tabOrder);
        if (tabOrder.isEmpty())
            QSKIP("this window has no control that takes the keyboard");
        QWidget *w = windowNamed(window);
        QVERIFY(w);
        // Stop and PS/PL start disabled; enabled, they take their places in the order.
        const QList<QWidget *> all = w->findChildren<QWidget *>();
        QList<QWidget *> disabled;
        for (QWidget *child : all)
            if (!child->isEnabled() && tabOrder.contains(child->objectName()))
                disabled << child;
        for (QWidget *child : disabled)
            child->setEnabled(true);
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        auto *first = w->findChild<QWidget *>(tabOrder.first());
        QVERIFY(first);
        first->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(QApplication::focusWidget(), first);

        QStringList visited;
        for (int i = 0; i < tabOrder.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget *focus = QApplication::focusWidget();
            visited << (focus ? focus->objectName() : QStringLiteral("<nothing>"));
        }
        w->hide();
        for (QWidget *child : disabled)
            child->setEnabled(false);
        QStringList expected = tabOrder.mid(1);
        expected << tabOrder.first(); // and round again
        QCOMPARE(visited, expected);
    }

    void everyControlHasAName_data() { windows_data(); }
    void everyControlHasAName()
    {
        QFETCH(QString, window);
        QFETCH(QStringList, tabOrder);
        QFETCH(QStringList, alsoNamed);
        QWidget *w = windowNamed(window);
        QVERIFY(w);
        QStringList checked;
        for (QWidget *child : w->findChildren<QWidget *>()) {
            if (!isOperated(child, w))
                continue;
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(child);
            QVERIFY2(accessible, qPrintable(describe(child)));
            const QString name = accessible->text(QAccessible::Name).trimmed();
            QVERIFY2(!name.isEmpty(),
                     qPrintable(describe(child) + QStringLiteral(" has no accessible name")));
            checked << child->objectName();
        }
        // The walk reached the window's own controls, not just a few.
        for (const QString &control : tabOrder + alsoNamed)
            QVERIFY2(checked.contains(control), qPrintable(control + QStringLiteral(" was not found")));
    }

    // Controls that show only a picture carry the name their hint or purpose gives them.
    void pictureButtonsAreNamedAfterTheirHint_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        QTest::newRow("edit playlists") << "TfrmMain"
                                        << "btnAEPlaylists"
                                        << "Edit Playlists...";
        QTest::newRow("edit favourites") << "TfrmMain"
                                         << "btnAEFavourites"
                                         << "Edit Favourite List...";
        QTest::newRow("full screen") << "TfrmMain"
                                     << "btnGoFullscreen"
                                     << "Full Screen";
        QTest::newRow("search") << "TfrmMain"
                                << "btnSearch"
                                << "Search";
        QTest::newRow("search box") << "TfrmMain"
                                    << "edtSearch"
                                    << "Search...";
        QTest::newRow("playlist drop-down") << "TfrmMain"
                                            << "cmbPlaylists"
                                            << "Select Playlist to Start...";
        QTest::newRow("browse") << "TfrmAEPlaylist"
                                << "btnBrowse"
                                << "Browse...";
        QTest::newRow("captioned button keeps its caption") << "TfrmAbout"
                                                            << "btnDonate"
                                                            << "Be Nice and Donate...";
    }
    void pictureButtonsAreNamedAfterTheirHint()
    {
        QFETCH(QString, window);
        QFETCH(QString, control);
        QFETCH(QString, name);
        auto *widget = windowNamed(window)->findChild<QWidget *>(control);
        QVERIFY(widget);
        QCOMPARE(QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name), name);
    }

    void searchBoxCrossIsNamedWithoutATooltip()
    {
        auto *edit = frmMain->findChild<QLineEdit *>(QStringLiteral("edtSearch"));
        QVERIFY(edit);
        QList<QAbstractButton *> buttons = edit->findChildren<QAbstractButton *>();
        QCOMPARE(buttons.size(), 1);
        QCOMPARE(QAccessible::queryAccessibleInterface(buttons.first())->text(QAccessible::Name),
                 QStringLiteral("Clear search"));
        QVERIFY(buttons.first()->toolTip().isEmpty());
        QVERIFY(edit->toolTip().isEmpty());
    }
};

QTEST_MAIN(AccessibilityTest)
#include "AccessibilityTest.moc"

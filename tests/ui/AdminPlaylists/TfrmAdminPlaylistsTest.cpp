// The playlist administration window: the copy taken at show and written back at close, removing
// with confirmation, and reordering by dragging with the mouse.

#include "../WindowTestSupport.h"
#include "PlaylistWindowsFixture.h"

#include "sources/PlaylistsFile.h"

#include <QApplication>
#include <QFile>

Q_DECLARE_METATYPE(QList<QPoint>)

namespace {
const QStringList ABCD{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")};

} // namespace

class TfrmAdminPlaylistsTest final : public QObject, private PlaylistWindowsFixture {
    Q_OBJECT
private:
    int savedDragDistance = 0;

    QRect rowRect(int row) { return adminList().visualItemRect(adminList().item(row)); }
    QWidget *viewport() { return adminList().viewport(); }

    // Press on `from`, move by `start` (to begin the drag), by `start` + 5 more (to engage it),
    // then onto `target` and release there.
    void dragRow(int from, QPoint target, QPoint start)
    {
        const QPoint press = rowRect(from).center();
        const QPoint engage = start + QPoint(start.x() > 0 ? 5 : 0, start.y() > 0 ? 5 : 0);
        QTest::mousePress(viewport(), Qt::LeftButton, {}, press);
        QTest::mouseMove(viewport(), press + start);
        QTest::mouseMove(viewport(), press + engage);
        QTest::mouseMove(viewport(), target);
        QTest::mouseRelease(viewport(), Qt::LeftButton, {}, target);
    }

private slots:
    void initTestCase() { savedDragDistance = QApplication::startDragDistance(); }
    void init()
    {
        setUp();
        createWindows();
        QApplication::setStartDragDistance(10);
    }
    void cleanup()
    {
        tearDown();
        QApplication::setStartDragDistance(savedDragDistance);
    }

    void openAndCloseLeavesEntriesWithNothingChosen_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Close button") << "btnClose";
        QTest::newRow("close box") << "close";
        QTest::newRow("ended as a dialog") << "reject";
    }
    void openAndCloseLeavesEntriesWithNothingChosen()
    {
        QFETCH(QString, how);
        const QStringList entries{QStringLiteral("http://a/list.m3u"), QString(),
                                  QStringLiteral("file:///C:\\TV\\news.m3u"),
                                  QStringLiteral("http://a/list.m3u")};
        frmMain->ParseM3UContent(
            frmMain->channels(),
            QStringLiteral("#EXTM3U\n#EXTINF:-1,One\nhttp://one\n#EXTINF:-1,Two\nhttp://two\n"));
        QCOMPARE(frmMain->channels().count(), 2);

        setComboEntries(entries);
        combo().setCurrentIndex(2);
        frmAdminPlaylists->show();
        QVERIFY(QTest::qWaitForWindowExposed(frmAdminPlaylists));
        QCOMPARE(adminEntries(), entries);
        QCOMPARE(frmAdminPlaylists->selectedIndex(), -1);

        if (how == QLatin1String("btnClose"))
            QTest::mouseClick(frmAdminPlaylists->controls().btnClose, Qt::LeftButton);
        else if (how == QLatin1String("close"))
            frmAdminPlaylists->close();
        else
            frmAdminPlaylists->reject();

        QVERIFY(!frmAdminPlaylists->isVisible());
        QCOMPARE(comboEntries(), entries);
        QCOMPARE(combo().currentIndex(), -1);
        QCOMPARE(frmMain->channels().count(), 2);
        QCOMPARE(adminList().count(), 0);
        QVERIFY(boxes.isEmpty());
    }

    void eachShowingStartsFromTheDropDown()
    {
        showAdmin(ABCD);
        selectRow(1);
        frmAdminPlaylists->close();
        setComboEntries({QStringLiteral("X")});
        frmAdminPlaylists->show();
        QCOMPARE(adminEntries(), QStringList{QStringLiteral("X")});
        QCOMPARE(frmAdminPlaylists->selectedIndex(), -1);
        frmAdminPlaylists->close();
    }

    void enterAndEscapeDoNotCloseTheWindow()
    {
        showAdmin(ABCD);
        QTest::keyClick(&adminList(), Qt::Key_Escape);
        QTest::keyClick(&adminList(), Qt::Key_Return);
        QVERIFY(frmAdminPlaylists->isVisible());
        QVERIFY(!frmAEPlaylist->isVisible());
        frmAdminPlaylists->close();
        QCOMPARE(comboEntries(), ABCD);
    }

    void remove_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("selectedAfter");
        QTest::newRow("Yes removes") << true << QStringList{"A", "C", "D"} << -1;
        QTest::newRow("No keeps") << false << ABCD << 1;
    }
    void remove()
    {
        QFETCH(bool, answer);
        QFETCH(QStringList, expected);
        QFETCH(int, selectedAfter);
        showAdmin(ABCD);
        selectRow(1);
        confirmAnswer = answer;
        QTest::mouseClick(frmAdminPlaylists->controls().btnRemove, Qt::LeftButton);

        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first().kind, MessageBoxes::Kind::Confirm);
        QCOMPARE(boxes.first().caption, QStringLiteral("Confirm"));
        QCOMPARE(boxes.first().text, QStringLiteral("Remove selected playlist?\r\n\r\nB"));
        QCOMPARE(adminEntries(), expected);
        QCOMPARE(frmAdminPlaylists->selectedIndex(), selectedAfter);

        frmAdminPlaylists->close();
        QCOMPARE(comboEntries(), expected);
    }

    void removeAndEditWithNothingSelectedDoNothing()
    {
        showAdmin(ABCD);
        QTest::mouseClick(frmAdminPlaylists->controls().btnRemove, Qt::LeftButton);
        QTest::mouseClick(frmAdminPlaylists->controls().btnEdit, Qt::LeftButton);
        QVERIFY(boxes.isEmpty());
        QVERIFY(!frmAEPlaylist->isVisible());
        QCOMPARE(adminEntries(), ABCD);
        frmAdminPlaylists->close();
    }

    // With the foundation's rule that an emptied list is saved empty, removing every source
    // must reach Playlists.lst when the program closes, not bring the old sources back.
    void removingEveryEntrySavesAnEmptyFile()
    {
        tearDown();
        setUp();
        const QString lst = dir->filePath(QStringLiteral("Playlists.lst"));
        writeFile(lst, "http://a\r\nhttp://b\r\n");
        createWindows();
        QCOMPARE(comboEntries(), (QStringList{"http://a", "http://b"}));

        frmAdminPlaylists->show();
        QVERIFY(QTest::qWaitForWindowExposed(frmAdminPlaylists));
        while (adminList().count() > 0) {
            selectRow(0);
            QTest::mouseClick(frmAdminPlaylists->controls().btnRemove, Qt::LeftButton);
        }
        QCOMPARE(boxes.size(), 2);
        frmAdminPlaylists->close();
        QCOMPARE(combo().count(), 0);

        frmMain->close();
        QCOMPARE(readAll(lst), QByteArray());
        const PlaylistsReadResult read = readPlaylistsFile(lst);
        QVERIFY(read.exists);
        QVERIFY(read.entries.isEmpty());
    }

    void dragReorders_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("onto"); // -1: below the last entry
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("selected"); // the moved entry's new row, or -1 when nothing moved

        QTest::newRow("A onto C") << 0 << 2 << QStringList{"B", "A", "C", "D"} << 1;
        QTest::newRow("D onto B") << 3 << 1 << QStringList{"A", "D", "B", "C"} << 1;
        QTest::newRow("A onto B") << 0 << 1 << ABCD << -1;
        QTest::newRow("A onto D") << 0 << 3 << QStringList{"B", "C", "A", "D"} << 2;
        QTest::newRow("below the last") << 1 << -1 << ABCD << -1;
        QTest::newRow("onto itself") << 2 << 2 << ABCD << -1;
    }
    void dragReorders()
    {
        QFETCH(int, from);
        QFETCH(int, onto);
        QFETCH(QStringList, expected);
        QFETCH(int, selected);
        showAdmin(ABCD);
        const QPoint target =
            onto >= 0 ? rowRect(onto).center() : rowRect(3).center() + QPoint(0, 3 * rowRect(3).height());
        QVERIFY(viewport()->rect().contains(target));
        dragRow(from, target, QPoint(11, 0));

        QCOMPARE(adminEntries(), expected);
        if (selected >= 0)
            QCOMPARE(frmAdminPlaylists->selectedIndex(), selected);
        frmAdminPlaylists->close();
        QCOMPARE(comboEntries(), expected);
    }

    // Press on B near its top, then move up into A by the given steps, then release where the
    // last step ended. Only a move past the drag distance begins a drag, and only 5 more pixels
    // engage it; otherwise the press and release stay an ordinary click.
    void dragStartsOnlyPastTheDragDistance_data()
    {
        QTest::addColumn<int>("distance");
        QTest::addColumn<QList<QPoint>>("moves");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("moved");

        for (int d : {4, 10}) {
            const QByteArray at = " (distance " + QByteArray::number(d) + ")";
            QTest::newRow("within the drag distance" + at)
                << d << QList<QPoint>{{d, -d}, {-d, -d}} << Qt::LeftButton << false;
            QTest::newRow("begun, not engaged" + at)
                << d << QList<QPoint>{{0, -(d + 1)}} << Qt::LeftButton << false;
            QTest::newRow("begun vertically and engaged" + at)
                << d << QList<QPoint>{{0, -(d + 1)}, {0, -(d + 6)}} << Qt::LeftButton << true;
            QTest::newRow("begun horizontally and engaged" + at)
                << d << QList<QPoint>{{d + 1, 0}, {d + 6, 0}, {d + 6, -(d + 6)}} << Qt::LeftButton << true;
            QTest::newRow("right button" + at)
                << d << QList<QPoint>{{0, -(d + 1)}, {0, -(d + 6)}} << Qt::RightButton << false;
        }
    }
    void dragStartsOnlyPastTheDragDistance()
    {
        QFETCH(int, distance);
        QFETCH(QList<QPoint>, moves);
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, moved);
        QApplication::setStartDragDistance(distance);
        showAdmin(ABCD);
        const QPoint press = rowRect(1).topLeft() + QPoint(rowRect(1).width() / 2, 1);
        QTest::mousePress(viewport(), button, {}, press);
        for (const QPoint &step : moves)
            QTest::mouseMove(viewport(), press + step);
        const QPoint release = press + moves.last();
        QCOMPARE(adminList().indexAt(release).row(), 0); // every case ends over A
        QTest::mouseRelease(viewport(), button, {}, release);

        const QStringList expected = moved ? QStringList{"B", "A", "C", "D"} : ABCD;
        QCOMPARE(adminEntries(), expected);
        frmAdminPlaylists->close();
    }

    void dropOutsideTheListDoesNothing()
    {
        showAdmin(ABCD);
        const QPoint outside(rowRect(0).center().x(), viewport()->height() + 30);
        dragRow(0, outside, QPoint(0, 11));
        QCOMPARE(adminEntries(), ABCD);
        // A later drag still works: the abandoned one left nothing behind.
        dragRow(0, rowRect(2).center(), QPoint(0, 11));
        QCOMPARE(adminEntries(), (QStringList{"B", "A", "C", "D"}));
        frmAdminPlaylists->close();
    }

    void rowsHaveTheDesignedHeight()
    {
        showAdmin(ABCD);
        QCOMPARE(rowRect(0).height(), 23);
        QCOMPARE(rowRect(1).top(), rowRect(0).bottom() + 1);
        frmAdminPlaylists->close();
    }
};

QTEST_MAIN(TfrmAdminPlaylistsTest)
#include "TfrmAdminPlaylistsTest.moc"

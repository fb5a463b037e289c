// The favourites from the main window: loaded at creation, Add To Favourites, View Favourites and
// the favourites file written at close.

#include "../WindowTestSupport.h"
#include "AdminFavourites/TfrmAdminFavourites.h"
#include "Busy/TfrmBusy.h"
#include "Main/TfrmMain.h"
#include "common/MessageBoxes.h"
#include "shell/AppPaths.h"
#include "shell/TickClock.h"
#include "ui_TfrmMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
const QByteArray kBom("\xEF\xBB\xBF");
const QByteArray kNews("#EXTINF:-1,News\r\nrtmp://live/news/hd\r\n\r\n");

// A socket in the file system: it exists but cannot be opened as a file, even by root.
bool makeSocketFile(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    sockaddr_un address{};
    if (native.size() >= qsizetype(sizeof(address.sun_path)))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound;
}

// Counts the times a window is shown, however briefly, and when it was last shown and hidden
// by the program's tick count.
class ShowCounter final : public QObject {
public:
    explicit ShowCounter(QWidget *watched) { watched->installEventFilter(this); }
    int shows = 0;
    quint32 shownAt = 0;
    quint32 hiddenAt = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            ++shows;
            shownAt = TickClock::now();
        } else if (event->type() == QEvent::Hide) {
            hiddenAt = TickClock::now();
        }
        return false;
    }
};
} // namespace

class FavouritesMainTest final : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> dir;
    QList<MessageBoxes::Shown> boxes;
    const bool yes = true;
    QElapsedTimer realTime;

    QString favFile() const { return dir->filePath(QStringLiteral("FavouritesPlaylist.m3u")); }

    void createMain()
    {
        frmMain = new TfrmMain;
        frmMain->setCommandLine({QStringLiteral("Norvale")});
        frmBusy = new TfrmBusy(frmMain);
        frmAdminFavourites = new TfrmAdminFavourites(frmMain);
    }
    void destroyMain()
    {
        delete frmMain;
        frmMain = nullptr;
        frmBusy = nullptr;
        frmAdminFavourites = nullptr;
    }
    // Fills the main channel list as a loaded playlist would and selects the row named `name`.
    void showChannels(const QString &playlist, const QString &selected = {})
    {
        frmMain->clearChannels(frmMain->channels());
        frmMain->ParseM3UContent(frmMain->channels(), playlist);
        QListView *view = frmMain->controls().lstM3UPlaylists;
        view->selectionModel()->clear();
        for (int i = 0; i < frmMain->channels().count(); ++i) {
            if (frmMain->channels().text(i) == selected)
                view->selectionModel()->select(frmMain->channels().index(i),
                                               QItemSelectionModel::ClearAndSelect);
        }
    }
    QByteArray favouriteBytes() const { return frmMain->favouriteStrStream->bytes(); }
    QStringList rows() const
    {
        QStringList list;
        for (int i = 0; i < frmMain->channels().count(); ++i)
            list << frmMain->channels().text(i);
        return list;
    }
    void closeMain() { frmMain->close(); }

private slots:
    void initTestCase()
    {
        // The 1.5 s and 1 s waits run ten times faster here.
        realTime.start();
        TickClock::setSourceForTesting([this] { return static_cast<quint32>(realTime.elapsed() * 10); });
    }
    void cleanupTestCase() { TickClock::setSourceForTesting({}); }
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        enterWindowSandbox(*dir, boxes, &yes);
    }
    void cleanup()
    {
        destroyMain();
        leaveWindowSandbox();
    }

    void addAfterStartAppendsBehindTheLoadedRecords()
    {
        writeFile(favFile(), kNews);
        createMain();
        QCOMPARE(favouriteBytes(), kNews);
        QCOMPARE(frmMain->favouriteStrStream->position(), 0);

        showChannels(QStringLiteral("#EXTINF:-1,Sport\r\nudp://sport\r\n"), QStringLiteral("Sport"));
        // Runs at the first event the wait processes, when the confirmation must be up.
        bool busyUp = false;
        QTimer::singleShot(0, frmMain, [&busyUp] { busyUp = frmBusy->isShowing(); });
        const ShowCounter busyShown(frmBusy);
        frmMain->controls().btnAddToFavourites->click();
        QVERIFY(busyUp);
        QVERIFY(!frmBusy->isShowing());
        QCOMPARE(busyShown.shows, 1);
        const quint32 shownFor = TickClock::elapsedSince(busyShown.shownAt, busyShown.hiddenAt);
        QVERIFY2(shownFor >= 1500, qPrintable(QString::number(shownFor)));
        QCOMPARE(frmBusy->windowTitle(), QStringLiteral("Adding to Favourites..."));
        QCOMPARE(frmBusy->label1Text(), QStringLiteral("Favourite Added!"));
        QCOMPARE(frmBusy->label2Text(), QStringLiteral("Done."));
        QCOMPARE(favouriteBytes(), kNews + "#EXTINF:-1,Sport\r\nudp://sport\r\n\r\n");
        QVERIFY(boxes.isEmpty());

        closeMain();
        QCOMPARE(readAll(favFile()), kNews + "#EXTINF:-1,Sport\r\nudp://sport\r\n\r\n");
    }

    void addComparesWholeAddresses_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("added");
        QTest::newRow("same address") << QStringLiteral("rtmp://live/news/hd") << false;
        QTest::newRow("other letter case") << QStringLiteral("RTMP://Live/News/HD") << false;
        // Only part of a longer stored address: another channel, so it is added.
        QTest::newRow("part of a stored address") << QStringLiteral("rtmp://live/news") << true;
        QTest::newRow("new address") << QStringLiteral("udp://other") << true;
    }
    void addComparesWholeAddresses()
    {
        QFETCH(QString, address);
        QFETCH(bool, added);
        writeFile(favFile(), kNews);
        createMain();
        showChannels(QStringLiteral("#EXTINF:-1,Candidate\r\n") + address + QStringLiteral("\r\n"),
                     QStringLiteral("Candidate"));
        frmMain->controls().btnAddToFavourites->click();
        const QByteArray record = "#EXTINF:-1,Candidate\r\n" + address.toUtf8() + "\r\n\r\n";
        QCOMPARE(favouriteBytes(), added ? kNews + record : kNews);
        // The confirmation is the same either way.
        QCOMPARE(frmBusy->label1Text(), QStringLiteral("Favourite Added!"));
    }

    void addWithoutSelectionDoesNothingAndFirstAddStartsTheFile()
    {
        createMain();
        showChannels(QStringLiteral("#EXTINF:-1,Né\r\nfile:///C:/v.ts\r\n"));
        frmBusy->setTexts(QStringLiteral("untouched"), QString(), QString());
        frmMain->controls().btnAddToFavourites->click();
        QCOMPARE(frmMain->favouriteStrStream->size(), 0);
        QCOMPARE(frmBusy->windowTitle(), QStringLiteral("untouched"));

        showChannels(QStringLiteral("#EXTINF:-1,Né\r\nfile:///C:/v.ts\r\n"), QStringLiteral("Né"));
        frmMain->controls().btnAddToFavourites->click();
        frmMain->controls().btnAddToFavourites->click(); // a second add keeps one record
        closeMain();
        const QByteArray saved = readAll(favFile());
        QCOMPARE(saved.size(), 35);
        QVERIFY(saved.startsWith("#EXTINF:-1,N\xC3\xA9\r\n"));
    }

    void addWithUnreadableTextAppendsNothing()
    {
        writeFile(favFile(), "#EXTINF:-1,\xFF\r\nudp://x\r\n");
        createMain();
        showChannels(QStringLiteral("#EXTINF:-1,Sport\r\nudp://sport\r\n"), QStringLiteral("Sport"));
        const ShowCounter busyShown(frmBusy);
        frmMain->controls().btnAddToFavourites->click();
        QCOMPARE(takeStopBox(boxes), kNoMappingText + QLatin1Char('.'));
        QVERIFY(boxes.isEmpty());
        // The failure comes before the confirmation: nothing appended, nothing shown.
        QCOMPARE(favouriteBytes(), QByteArray("#EXTINF:-1,\xFF\r\nudp://x\r\n"));
        QCOMPARE(busyShown.shows, 0);
    }

    void viewShowsTheFavouritesSortedAndClearsTheChoice()
    {
        writeFile(favFile(), kBom + "#EXTINF:-1,b\r\nudp://b\r\n\r\n#EXTINF:-1,Film, Drama\r\nudp://f\r\n\r\n"
                                    "#EXTINF:-1,A\r\nudp://a\r\n\r\n");
        createMain();
        frmMain->controls().cmbPlaylists->addItem(QStringLiteral("file:///x.m3u"));
        frmMain->controls().cmbPlaylists->setCurrentIndex(0);
        showChannels(QStringLiteral("#EXTINF:-1,Old\r\nudp://old\r\n"));
        const ShowCounter busyShown(frmBusy);
        frmMain->controls().btnViewFavourites->click();
        QCOMPARE(rows(), (QStringList{QStringLiteral("A"), QStringLiteral("b")}));
        QCOMPARE(frmMain->controls().cmbPlaylists->currentIndex(), -1);
        QCOMPARE(busyShown.shows, 1);
        QCOMPARE(frmBusy->windowTitle(), QStringLiteral("Loading TV-Channel List"));
        QVERIFY(!frmBusy->isShowing());
    }

    void viewWithAnEmptyTextEmptiesTheList()
    {
        createMain();
        frmMain->controls().cmbPlaylists->addItem(QStringLiteral("file:///x.m3u"));
        frmMain->controls().cmbPlaylists->setCurrentIndex(0);
        showChannels(QStringLiteral("#EXTINF:-1,Old\r\nudp://old\r\n"));
        frmMain->controls().btnViewFavourites->click();
        QCOMPARE(rows(), QStringList());
        QCOMPARE(frmMain->controls().cmbPlaylists->currentIndex(), -1);
        QVERIFY(boxes.isEmpty());
    }

    void viewWithUnreadableTextLeavesTheBusyWindowClosed()
    {
        writeFile(favFile(), "\xC3(");
        createMain();
        showChannels(QStringLiteral("#EXTINF:-1,Old\r\nudp://old\r\n"));
        const ShowCounter busyShown(frmBusy);
        frmMain->controls().btnViewFavourites->click();
        QCOMPARE(takeStopBox(boxes), kNoMappingText + QLatin1Char('.'));
        QCOMPARE(busyShown.shows, 1);
        QVERIFY(!frmBusy->isShowing());
        QCOMPARE(rows(), QStringList());
        // The list is still usable afterwards.
        showChannels(QStringLiteral("#EXTINF:-1,New\r\nudp://new\r\n"));
        QCOMPARE(rows(), QStringList{QStringLiteral("New")});
    }

    void unreadableFileIsReportedAndKeptAsBackup_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("socket") << QStringLiteral("socket");
        QTest::newRow("no read permission") << QStringLiteral("no permission");
    }
    void unreadableFileIsReportedAndKeptAsBackup()
    {
        QFETCH(QString, kind);
        if (kind == QLatin1String("socket")) {
            QVERIFY(makeSocketFile(favFile()));
        } else {
            if (::geteuid() == 0)
                QSKIP("root reads a file whatever its permissions");
            writeFile(favFile(), kNews);
            QVERIFY(QFile::setPermissions(favFile(), QFileDevice::WriteOwner));
        }
        createMain();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].caption, QStringLiteral("Error"));
        QVERIFY2(boxes[0].text.startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(favFile())),
                 qPrintable(boxes[0].text));
        QCOMPARE(frmMain->favouriteStrStream->size(), 0);
        showChannels(QStringLiteral("#EXTINF:-1,A\r\nudp://a\r\n"), QStringLiteral("A"));
        frmMain->addToFavourites();
        closeMain();
        QCOMPARE(boxes.size(), 1);
        if (kind != QLatin1String("socket")) {
            QVERIFY(QFileInfo(favFile()).isReadable());
        }
        QCOMPARE(readAll(favFile()), QByteArray("#EXTINF:-1,A\r\nudp://a\r\n\r\n"));
        // The file that could not be read is set aside, not overwritten.
        const QFileInfo kept(favFile() + ".bak");
        QVERIFY(kept.exists());
        if (kind == QLatin1String("socket")) {
            QVERIFY(!kept.isFile() && !kept.isDir());
        } else {
            QVERIFY(QFile::setPermissions(kept.filePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
            QCOMPARE(readAll(kept.filePath()), kNews);
        }
    }

    void directoryInPlaceOfTheFileIsReportedAndLeftAlone()
    {
        QVERIFY(QDir(dir->path()).mkpath(QStringLiteral("FavouritesPlaylist.m3u/inside")));
        createMain();
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0].text.startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(favFile())),
                 qPrintable(boxes[0].text));
        showChannels(QStringLiteral("#EXTINF:-1,A\r\nudp://a\r\n"), QStringLiteral("A"));
        frmMain->addToFavourites();
        closeMain();
        // Nothing can be written where a directory stands: said so, and the directory survives.
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[1].caption, QStringLiteral("Error"));
        QVERIFY2(boxes[1].text.startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(favFile())),
                 qPrintable(boxes[1].text));
        QVERIFY(QFileInfo(favFile() + QStringLiteral("/inside")).isDir());
        QVERIFY(!QFileInfo::exists(favFile() + ".bak"));
    }

    void closeWritesWhatTheTextHolds_data()
    {
        QTest::addColumn<QByteArray>("stored");   // "<none>": no file at start
        QTest::addColumn<bool>("removeAll");      // the administration empties the favourites
        QTest::addColumn<QByteArray>("expected"); // "<missing>": no file after close
        QTest::newRow("no file, nothing added") << QByteArray("<none>") << false << QByteArray("<missing>");
        QTest::newRow("mark kept when untouched") << kBom + kNews << false << kBom + kNews;
        QTest::newRow("removed favourites stay removed") << kNews << true << QByteArray();
    }
    void closeWritesWhatTheTextHolds()
    {
        QFETCH(QByteArray, stored);
        QFETCH(bool, removeAll);
        QFETCH(QByteArray, expected);
        if (stored != "<none>")
            writeFile(favFile(), stored);
        createMain();
        if (removeAll) {
            frmAdminFavourites->show();
            frmAdminFavourites->favourites().clear();
            frmAdminFavourites->close();
            QCOMPARE(frmMain->favouriteStrStream->size(), 0);
        }
        closeMain();
        QCOMPARE(readAll(favFile()), expected);
        QVERIFY(!QFileInfo::exists(favFile() + ".bak"));
    }

    void closeReportsAFileThatCannotBeWritten()
    {
        createMain();
        showChannels(QStringLiteral("#EXTINF:-1,A\r\nudp://a\r\n"), QStringLiteral("A"));
        frmMain->addToFavourites();
        AppPaths::setExecutableDirForTesting(dir->filePath(QStringLiteral("missing-dir")));
        closeMain();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].caption, QStringLiteral("Error"));
        QVERIFY2(boxes[0].text.startsWith(
                     QStringLiteral("Cannot create file \"%1\". ")
                         .arg(dir->filePath(QStringLiteral("missing-dir/FavouritesPlaylist.m3u")))),
                 qPrintable(boxes[0].text));
        QVERIFY(!frmMain->favouriteStrStream); // released at close whatever happened
    }
};

QTEST_MAIN(FavouritesMainTest)
#include "FavouritesMainTest.moc"

// The main window keeps its two data files where the executable's directory lets it: beside the
// program when that directory takes writes, else in the user's data directory, made by the first
// close and read again at the next start.

#include "../WindowTestSupport.h"
#include "AdminFavourites/TfrmAdminFavourites.h"
#include "Busy/TfrmBusy.h"
#include "Main/TfrmMain.h"
#include "common/MessageBoxes.h"
#include "favourites/Utf8StringStream.h"
#include "shell/AppPaths.h"
#include "ui_TfrmMain.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QByteArray kFavourite = "#EXTINF:-1,News\r\nudp://news\r\n\r\n";
} // namespace

class DataDirectoryTest final : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> dir;
    QList<MessageBoxes::Shown> boxes;
    QByteArray oldXdg;

    QString exeDir() const { return dir->filePath(QStringLiteral("usr/bin")); }
    QString userDir() const { return dir->filePath(QStringLiteral("data/Norvale")); }

    void createMain()
    {
        frmMain = new TfrmMain;
        frmMain->setCommandLine({QStringLiteral("Norvale")});
        frmBusy = new TfrmBusy(frmMain);
        frmAdminFavourites = new TfrmAdminFavourites(frmMain);
    }
    void closeAndDestroyMain()
    {
        frmMain->close();
        delete frmMain;
        frmMain = nullptr;
        frmBusy = nullptr;
        frmAdminFavourites = nullptr;
    }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(exeDir()));
        oldXdg = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir->filePath(QStringLiteral("data"))));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           dir->filePath(QStringLiteral("config")));
        boxes.clear();
        MessageBoxes::setInterceptorForTesting([this](const MessageBoxes::Shown &shown) {
            boxes << shown;
            return true;
        });
    }
    void cleanup()
    {
        delete frmMain;
        frmMain = nullptr;
        frmBusy = nullptr;
        frmAdminFavourites = nullptr;
        MessageBoxes::setInterceptorForTesting({});
        AppPaths::setRefusesWritesForTesting({});
        AppPaths::setExecutableDirForTesting({});
        if (oldXdg.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", oldXdg);
    }

    void closeSavesWhereTheNextStartReads_data()
    {
        QTest::addColumn<bool>("exeDirRefusesWrites");
        QTest::newRow("portable copy: beside the program") << false;
        QTest::newRow("installed copy: the user's data directory") << true;
    }
    void closeSavesWhereTheNextStartReads()
    {
        QFETCH(bool, exeDirRefusesWrites);
        const QString bin = QDir(exeDir()).absolutePath() + u'/';
        AppPaths::setRefusesWritesForTesting(
            [&](const QString &candidate) { return exeDirRefusesWrites && candidate == bin; });
        AppPaths::setExecutableDirForTesting(exeDir());
        const QString place = exeDirRefusesWrites ? userDir() : exeDir();

        createMain();
        QVERIFY(boxes.isEmpty());
        QVERIFY(!QFileInfo::exists(userDir())); // starting reads, and makes nothing
        frmMain->controls().cmbPlaylists->addItem(QStringLiteral("https://a.example/list.m3u"));
        frmMain->favouriteStrStream->writeText(QString::fromUtf8(kFavourite));
        closeAndDestroyMain();
        QVERIFY2(boxes.isEmpty(), boxes.isEmpty() ? "" : qPrintable(boxes.first().text));
        QCOMPARE(readAll(place + QStringLiteral("/Playlists.lst")),
                 QByteArray("https://a.example/list.m3u\r\n"));
        QCOMPARE(readAll(place + QStringLiteral("/FavouritesPlaylist.m3u")), kFavourite);
        if (exeDirRefusesWrites)
            QCOMPARE(QDir(exeDir()).entryList(QDir::Files), QStringList());

        // The next start chooses the same place and finds both files there.
        AppPaths::setExecutableDirForTesting(exeDir());
        createMain();
        QCOMPARE(frmMain->controls().cmbPlaylists->count(), 1);
        QCOMPARE(frmMain->controls().cmbPlaylists->itemText(0), QStringLiteral("https://a.example/list.m3u"));
        QCOMPARE(frmMain->favouriteStrStream->bytes(), kFavourite);
        QVERIFY(boxes.isEmpty());
    }
};

QTEST_MAIN(DataDirectoryTest)
#include "DataDirectoryTest.moc"

// The main window closed when its data files cannot be written: the directory became read-only
// or the disk filled up after start. The user is shown one error box per file with the full
// path and the system's reason, both files keep what they held, and closing goes on.

#include "FaultTestUtil.h"
#include "ScopedMount.h"

#include "Busy/TfrmBusy.h"
#include "Main/TfrmMain.h"
#include "common/MessageBoxes.h"
#include "favourites/Utf8StringStream.h"
#include "shell/AppPaths.h"
#include "ui_TfrmMain.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <memory>

namespace {
const QByteArray kPlaylists("https://old.example/list.m3u\r\nfile:///srv/tv/news.m3u\r\n");
const QByteArray kFavourites("#EXTINF:-1,News\r\nrtmp://live/news\r\n\r\n");

// Fills the file system holding `dir` to the last byte.
bool fillUp(const QString &dir)
{
    QFile filler(dir + QStringLiteral("/filler"));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size()) {
    }
    // What is left is smaller than a block.
    while (filler.write("f", 1) == 1) {
    }
    return true;
}
} // namespace

class CloseFaultsTest final : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<QTemporaryDir> config;
    QString exe;
    QList<MessageBoxes::Shown> boxes;

    QString file(const QString &name) const { return exe + u'/' + name; }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        config = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid() && config->isValid());
        exe = dir->filePath(QStringLiteral("exe"));
        QVERIFY(QDir().mkpath(exe));
        AppPaths::setExecutableDirForTesting(exe);
        // The placement goes elsewhere, so that only the data files meet the fault.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config->path());
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
        MessageBoxes::setInterceptorForTesting({});
        AppPaths::setExecutableDirForTesting({});
        dir.reset();
        config.reset();
    }

    void closingReportsEachFileAndKeepsItWhole_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("error");
        QTest::newRow("directory made read-only") << QStringLiteral("read-only") << EROFS;
        QTest::newRow("disk filled up") << QStringLiteral("full") << ENOSPC;
    }
    void closingReportsEachFileAndKeepsItWhole()
    {
        QFETCH(QString, fault);
        QFETCH(int, error);

        std::optional<ScopedMount> mount;
        if (fault == QStringLiteral("full")) {
            mount.emplace(ScopedMount::tmpfs(exe, QStringLiteral("64k")));
            if (!mount->error().isEmpty())
                QSKIP(qPrintable(mount->error()));
        }
        QVERIFY(storeBytes(file(QStringLiteral("Playlists.lst")), kPlaylists));
        QVERIFY(storeBytes(file(QStringLiteral("FavouritesPlaylist.m3u")), kFavourites));

        frmMain = new TfrmMain;
        frmMain->setCommandLine({QStringLiteral("Norvale")});
        frmBusy = new TfrmBusy(frmMain);
        QCOMPARE(boxes.size(), 0);
        QCOMPARE(frmMain->controls().cmbPlaylists->count(), 2);
        QCOMPARE(frmMain->favouriteStrStream->bytes(), kFavourites);

        // Both lists change, so that a file left as it was is the old one, not the new one.
        frmMain->controls().cmbPlaylists->addItem(QStringLiteral("http://new.example/"));
        frmMain->favouriteStrStream->setPosition(frmMain->favouriteStrStream->size());
        frmMain->favouriteStrStream->writeText(u"#EXTINF:-1,Sport\r\nrtmp://live/sport\r\n\r\n");

        if (fault == QStringLiteral("read-only")) {
            mount.emplace(ScopedMount::readOnlyBind(exe));
            if (!mount->error().isEmpty())
                QSKIP(qPrintable(mount->error()));
        } else {
            QVERIFY(fillUp(exe));
        }

        frmMain->close();

        const QString reason = QString::fromLocal8Bit(std::strerror(error));
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[0].caption, QStringLiteral("Error"));
        QCOMPARE(boxes[0].text, cannotCreateMessage(file(QStringLiteral("Playlists.lst")), reason));
        QCOMPARE(boxes[1].caption, QStringLiteral("Error"));
        QCOMPARE(boxes[1].text, cannotCreateMessage(file(QStringLiteral("FavouritesPlaylist.m3u")), reason));
        QCOMPARE(fileBytes(file(QStringLiteral("Playlists.lst"))).value_or("<missing>"), kPlaylists);
        QCOMPARE(fileBytes(file(QStringLiteral("FavouritesPlaylist.m3u"))).value_or("<missing>"),
                 kFavourites);
        // No temporary file is left behind, and the window still closed.
        QStringList left = QDir(exe).entryList(QDir::Files);
        left.removeAll(QStringLiteral("filler"));
        QCOMPARE(left,
                 (QStringList{QStringLiteral("FavouritesPlaylist.m3u"), QStringLiteral("Playlists.lst")}));
        QVERIFY(!frmMain->isVisible());
        QVERIFY(!frmMain->favouriteStrStream);
    }
};

QTEST_MAIN(CloseFaultsTest)
#include "CloseFaultsTest.moc"

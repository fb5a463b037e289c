#include "Busy/TfrmBusy.h"

#include <QFile>
#include <QIcon>
#include <QTimer>
#include <QtTest>

class TfrmBusyTest final : public QObject {
    Q_OBJECT
private:
    QWidget *owner = nullptr;
    TfrmBusy *busy = nullptr;

private slots:
    void init()
    {
        owner = new QWidget;
        owner->setGeometry(100, 100, 1000, 627);
        busy = new TfrmBusy(owner);
    }
    void cleanup() { delete owner; }

    void createdHiddenWithItsFirstTexts()
    {
        QVERIFY(!busy->isShowing());
        QCOMPARE(busy->windowTitle(), QStringLiteral("Connecting to Video..."));
        QCOMPARE(busy->label1Text(), QStringLiteral("Connecting to site..."));
        QCOMPARE(busy->label2Text(), QStringLiteral("Buffering...Buffering...Buffering..."));
        QCOMPARE(busy->size(), QSize(312, 161));
        QVERIFY(busy->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!busy->isAnimating());
    }

    void animationRestartsAtTheFirstFrameOnEveryShow()
    {
        busy->showWithoutBlocking();
        QVERIFY(busy->isAnimating());
        QCOMPARE(busy->logoAnimateCount(), 0);
        QTRY_VERIFY(busy->logoAnimateCount() >= 5);
        busy->closeBusy();
        QVERIFY(!busy->isShowing());
        QVERIFY(!busy->isAnimating());
        busy->showWithoutBlocking();
        QCOMPARE(busy->logoAnimateCount(), 0);
    }

    void frameCountWrapsAfterTheLastFrame()
    {
        busy->showWithoutBlocking();
        int highest = 0;
        bool wrapped = false;
        int previous = 0;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 3000 && !wrapped) {
            QTest::qWait(10);
            const int now = busy->logoAnimateCount();
            QVERIFY(now >= 0 && now <= 39);
            highest = qMax(highest, now);
            wrapped = now < previous;
            previous = now;
        }
        QVERIFY(wrapped);
        QCOMPARE(highest, 39);
    }

    void everyFrameLooksDifferentFromTheOneBefore()
    {
        // A run of equal frames would hold the logo still, as a stalled window does. The frames
        // are drawn as the window draws them, the last one followed by the first.
        QVector<QImage> frames;
        for (int i = 0; i < TfrmBusy::FrameCount; ++i) {
            const QString name = QStringLiteral(":/busy/frame%1.svg").arg(i, 2, 10, QLatin1Char('0'));
            QVERIFY2(QFile::exists(name), qPrintable(name));
            frames.append(QIcon(name).pixmap(48, 48).toImage());
        }
        for (int i = 0; i < frames.size(); ++i) {
            const int next = (i + 1) % frames.size();
            QVERIFY2(frames[i] != frames[next],
                     qPrintable(QStringLiteral("frames %1 and %2").arg(i).arg(next)));
        }
    }

    void comesBackWhereItWasLast()
    {
        busy->showWithoutBlocking();
        const QPoint centred = busy->pos();
        // Centred over the owner the first time (within the rounding of odd sizes and frames).
        QVERIFY(qAbs(busy->geometry().center().x() - owner->geometry().center().x()) <= 3);
        QVERIFY(qAbs(busy->geometry().center().y() - owner->geometry().center().y()) <= 3);
        busy->move(centred + QPoint(37, 21));
        busy->closeBusy();
        busy->showWithoutBlocking();
        QCOMPARE(busy->pos(), centred + QPoint(37, 21));
    }

    void closingAHiddenWindowDoesNothing()
    {
        busy->closeIfShowing();
        busy->closeBusy();
        QVERIFY(!busy->isShowing());
    }

    void modalShowReturnsWhenClosed()
    {
        QTimer::singleShot(100, busy, [this] {
            QVERIFY(busy->isShowing());
            QVERIFY(busy->isModal() || busy->windowModality() != Qt::NonModal);
            busy->closeBusy();
        });
        busy->showModally();
        QVERIFY(!busy->isShowing());
    }

    void modalShowOverAWindowAlreadyUpWaitsOnIt()
    {
        busy->setTexts(QStringLiteral("Adding to Favourites..."), QStringLiteral("Favourite Added!"),
                       QStringLiteral("Done."));
        busy->showWithoutBlocking();
        bool shownDuringWait = false;
        QTimer::singleShot(100, busy, [&] {
            shownDuringWait = busy->isShowing();
            busy->closeBusy();
        });
        busy->showModally();
        QVERIFY(shownDuringWait);
        QVERIFY(!busy->isShowing());
        QCOMPARE(busy->windowModality(), Qt::NonModal);
    }
};

QTEST_MAIN(TfrmBusyTest)
#include "TfrmBusyTest.moc"

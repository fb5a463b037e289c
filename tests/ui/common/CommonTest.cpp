// The program-wide message conventions and the visual style lookup.

#include "common/CarbonStyle.h"
#include "common/MessageBoxes.h"

#include <QApplication>
#include <QtTest>

class CommonTest final : public QObject {
    Q_OBJECT
private slots:
    void applicationTitle_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("title");
        QTest::newRow("windows name") << "Norvale.exe"
                                      << "Norvale";
        QTest::newRow("cut at the first full stop") << "NORVALE.Beta.exe"
                                                    << "Norvale";
        QTest::newRow("no extension") << "nORVALE"
                                      << "norvale";
        QTest::newRow("one letter") << "n.exe"
                                    << "n";
    }
    void applicationTitle()
    {
        QFETCH(QString, file);
        QFETCH(QString, title);
        QCOMPARE(MessageBoxes::applicationTitle(file), title);
    }

    void fullStopRule_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter gets a stop") << "Unable to insert a line"
                                            << "Unable to insert a line.";
        QTest::newRow("stop kept") << "Done."
                                   << "Done.";
        QTest::newRow("closing quote is below the stop") << "Cannot open \"x\""
                                                         << "Cannot open \"x\"";
        QTest::newRow("bang is below the stop") << "Failed!"
                                                << "Failed!";
        QTest::newRow("comma is below the stop") << "a,"
                                                 << "a,";
        QTest::newRow("slash is above the stop") << "a/"
                                                 << "a/.";
        QTest::newRow("empty") << ""
                               << "";
    }
    void fullStopRule()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(MessageBoxes::withFullStop(message), shown);
    }

    void confirmationTextAndAnswer()
    {
        QList<MessageBoxes::Shown> boxes;
        MessageBoxes::setInterceptorForTesting([&](const MessageBoxes::Shown &s) {
            boxes << s;
            return false;
        });
        QVERIFY(!MessageBoxes::Confirm(nullptr, QStringLiteral("Remove selected playlist?"),
                                       QStringLiteral("A")));
        MessageBoxes::setInterceptorForTesting({});
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first().caption, QStringLiteral("Confirm"));
        QCOMPARE(boxes.first().text, QStringLiteral("Remove selected playlist?\r\n\r\nA"));
    }

    void styleIsFoundIgnoringCase()
    {
        auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
        QVERIFY(!VisualStyles::apply(*app, QStringLiteral("Charcoal")));
        QCOMPARE(VisualStyles::notFoundMessage(QStringLiteral("Carbon")),
                 QStringLiteral("Style 'Carbon' not found"));
        QVERIFY(VisualStyles::apply(*app, QStringLiteral("cArBoN")));
        QCOMPARE(QApplication::palette().color(QPalette::Window), QColor(0x33, 0x33, 0x33));
        QCOMPARE(QApplication::palette().color(QPalette::Base), QColor(0x19, 0x19, 0x19));
        QCOMPARE(QApplication::palette().color(QPalette::Highlight), QColor(0x26, 0x5A, 0x72));
    }
};

QTEST_MAIN(CommonTest)
#include "CommonTest.moc"

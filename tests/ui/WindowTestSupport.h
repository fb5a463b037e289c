#pragma once

// What the window tests share: a sandbox for the data files, the settings and the message
// boxes, and small file helpers.

#include "common/MessageBoxes.h"
#include "shell/AppPaths.h"
#include "shell/TickClock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

inline const QString kNoMappingText =
    QStringLiteral("No mapping for the Unicode character exists in the target multi-byte code page");

inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// From now on the program's tick count runs at ten times real time, so its one- and two-second
// waits do not dominate a test.
inline void runWaitsTenTimesFaster()
{
    static QElapsedTimer real;
    real.start();
    TickClock::setSourceForTesting([] { return static_cast<quint32>(real.elapsed() * 10); });
}

// The text of the general stop box among `boxes`, taken out of the list; empty when none was shown.
// Failures end a command at its handler and arrive there, not as exceptions out of a click.
inline QString takeStopBox(QList<MessageBoxes::Shown> &boxes)
{
    for (qsizetype i = 0; i < boxes.size(); ++i) {
        if (boxes[i].kind == MessageBoxes::Kind::Stop)
            return boxes.takeAt(i).text;
    }
    return {};
}

// Runs `fn` as soon as `dialog` is showing, from inside the modal loop that shows it. A dialog
// still hidden after kWhenShownDeadlineMs (or gone) fails the running test, and whatever modal
// window holds the test instead is closed, so the test ends rather than hanging to its time-out.
inline constexpr qint64 kWhenShownDeadlineMs = 30000;
inline void whenShown(QWidget *dialog, std::function<void()> fn)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    QElapsedTimer age;
    age.start();
    QObject::connect(timer, &QTimer::timeout, [timer, watched = QPointer<QWidget>(dialog), fn, age] {
        const bool shown = watched && watched->isVisible();
        if (!shown && watched && !age.hasExpired(kWhenShownDeadlineMs))
            return;
        timer->stop();
        timer->deleteLater();
        if (shown) {
            fn();
            return;
        }
        QTest::qFail("whenShown: the dialog did not show within the deadline", __FILE__, __LINE__);
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    timer->start();
}

// Puts the executable's directory and the settings into `dir` and records every message box
// in `boxes`, answering questions with `*answer`. Undone by leaveWindowSandbox().
inline void enterWindowSandbox(const QTemporaryDir &dir, QList<MessageBoxes::Shown> &boxes,
                               const bool *answer)
{
    AppPaths::setExecutableDirForTesting(dir.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath(QStringLiteral("config")));
    boxes.clear();
    MessageBoxes::setInterceptorForTesting([&boxes, answer](const MessageBoxes::Shown &shown) {
        boxes << shown;
        return *answer;
    });
}

inline void leaveWindowSandbox()
{
    MessageBoxes::setInterceptorForTesting({});
    AppPaths::setExecutableDirForTesting({});
}

#include "Wait.h"

#include "TickClock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

void waitMilliseconds(quint32 delay)
{
    const quint32 start = TickClock::now();
    for (;;) {
        const quint32 elapsed = TickClock::elapsedSince(start, TickClock::now());
        if (elapsed >= delay)
            return;
        // A short timer wakes the blocking wait if no other event arrives; it is capped so a
        // replaced tick source (tests) is still read often enough.
        QTimer wake;
        wake.setSingleShot(true);
        wake.setTimerType(Qt::PreciseTimer);
        wake.start(static_cast<int>(qMin<quint32>(delay - elapsed, 20)));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

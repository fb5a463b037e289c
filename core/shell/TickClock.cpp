#include "TickClock.h"

#include <QElapsedTimer>

namespace {
std::function<quint32()> &source()
{
    static std::function<quint32()> fn;
    return fn;
}

quint32 monotonicTicks()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return static_cast<quint32>(timer.elapsed());
}
} // namespace

quint32 TickClock::now()
{
    return source() ? source()() : monotonicTicks();
}

void TickClock::setSourceForTesting(std::function<quint32()> fn)
{
    source() = std::move(fn);
}

#pragma once

#include <QtGlobal>
#include <functional>

// A millisecond tick count truncated to 32 bits, like the system tick counter it stands in for:
// it wraps after about 49.7 days, so every user computes elapsed time modulo 2^32.
namespace TickClock {
quint32 now();
// Tests replace the source to start near the wrap or to run waits faster; an empty function
// restores the monotonic clock.
void setSourceForTesting(std::function<quint32()> source);
inline quint32 elapsedSince(quint32 start, quint32 nowTicks)
{
    return nowTicks - start; // unsigned arithmetic keeps a wrapped counter correct
}
} // namespace TickClock

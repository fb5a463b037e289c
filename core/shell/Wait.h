#pragma once

#include <QtGlobal>

// Waits `delay` milliseconds while the event loop keeps running, so timers, posted calls and
// input are handled meanwhile. The first check comes before any event is processed (0 returns at
// once). Between checks the thread sleeps in the event loop instead of spinning a core.
void waitMilliseconds(quint32 delay);

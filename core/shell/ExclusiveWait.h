#pragma once

#include <QObject>

#include <atomic>
#include <functional>

class QEvent;

// Runs long work on a worker thread while the GUI thread waits for it without freezing: windows
// keep painting and the objects named by deliveredDuringWaits() (the busy window) keep
// receiving everything, but nothing else that could start a command runs. User input, window
// closes, posted calls (PostedCall.h) and QTimer ticks are held and delivered after the work has
// finished, in the order they arrived, as they would be had the work run on the GUI thread.
//
// A close of any other window during the wait also cancels it, so that a program being closed
// is not kept waiting; the close itself is delivered afterwards.
class ExclusiveWait final {
public:
    using Work = std::function<void(const std::atomic<bool> &cancelled)>;

    // Runs `work` and returns once it has finished. `wakeWorker` is called on the GUI thread when
    // the wait is cancelled, so that work blocked in a system call notices at once. Returns false
    // when the wait was cancelled. Off the GUI thread, or without an application, the work
    // simply runs on the calling thread.
    static bool run(const Work &work, const std::function<void()> &wakeWorker = {});
    // Cancels the running wait, if any. GUI thread only.
    static void cancel();
    static bool isRunning();

    // Objects that still receive every event during a wait. Set once by the windows layer.
    static void setDeliveredDuringWaits(std::function<bool(const QObject *)> predicate);

    // Events of the kinds held back during a wait that come from the user.
    static bool isUserInput(int eventType);
};

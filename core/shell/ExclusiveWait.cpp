#include "ExclusiveWait.h"

#include "PostedCall.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QTimerEvent>

#include <memory>
#include <thread>
#include <vector>

namespace {

std::function<bool(const QObject *)> &deliveredPredicate()
{
    static std::function<bool(const QObject *)> predicate;
    return predicate;
}

bool isTimerObject(const QObject *object)
{
    // QTimer::singleShot with a delay runs through an internal object of this class.
    return qobject_cast<const QTimer *>(object) ||
           qstrcmp(object->metaObject()->className(), "QSingleShotTimer") == 0;
}

// The event filter of one wait: holds what must not run yet and posts it back when destroyed.
class Gate final : public QObject {
public:
    explicit Gate(std::function<void()> onClose) : m_onClose(std::move(onClose))
    {
        QCoreApplication::instance()->installEventFilter(this);
    }

    ~Gate() override
    {
        if (QCoreApplication *app = QCoreApplication::instance())
            app->removeEventFilter(this);
        // Posted, not sent: they arrive once the caller is back in its own event loop.
        for (Held &held : m_held) {
            if (held.receiver)
                QCoreApplication::postEvent(held.receiver, held.event.release());
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const auto &delivered = deliveredPredicate();
        if (delivered && delivered(watched))
            return false;
        const int type = event->type();
        if (ExclusiveWait::isUserInput(type)) {
            hold(watched, event->clone());
            return true;
        }
        if (type == QEvent::Close) {
            hold(watched, event->clone());
            if (m_onClose)
                m_onClose();
            return true;
        }
        if (type == PostedCallEvent::eventType()) {
            hold(watched, new PostedCallEvent(static_cast<PostedCallEvent *>(event)->take()));
            return true;
        }
        if (type == QEvent::Timer && isTimerObject(watched)) {
            // A timer keeps firing while it is held: deliver its first tick later, once.
            const int id = static_cast<QTimerEvent *>(event)->timerId();
            for (const Held &held : m_held) {
                if (held.receiver == watched && held.timerId == id)
                    return true;
            }
            hold(watched, event->clone(), id);
            return true;
        }
        return false;
    }

private:
    struct Held {
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;
        int timerId = 0;
    };

    void hold(QObject *receiver, QEvent *copy, int timerId = 0)
    {
        m_held.push_back(Held{QPointer<QObject>(receiver), std::unique_ptr<QEvent>(copy), timerId});
    }

    std::function<void()> m_onClose;
    std::vector<Held> m_held;
};

// Ends a wait's loop when the worker posts its event here. A plain posted event: the worker hands
// it over and touches nothing afterwards, so nothing it allocated is freed while the loop runs it.
class LoopQuitter final : public QObject {
public:
    explicit LoopQuitter(QEventLoop &loop) : m_loop(loop) {}
    static QEvent::Type eventType()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

protected:
    bool event(QEvent *event) override
    {
        if (event->type() != eventType())
            return QObject::event(event);
        m_loop.quit();
        return true;
    }

private:
    QEventLoop &m_loop;
};

struct RunningWait {
    std::atomic<bool> cancelled{false};
    std::function<void()> wakeWorker;
};

RunningWait *s_running = nullptr;

} // namespace

bool ExclusiveWait::run(const Work &work, const std::function<void()> &wakeWorker)
{
    QCoreApplication *app = QCoreApplication::instance();
    RunningWait state;
    state.wakeWorker = wakeWorker;
    if (!app || QThread::currentThread() != app->thread() || s_running) {
        work(state.cancelled);
        return !state.cancelled;
    }

    s_running = &state;
    {
        Gate gate([] { cancel(); });
        QEventLoop loop;
        LoopQuitter quitter(loop);
        const QEvent::Type done = LoopQuitter::eventType();
        std::atomic<bool> finished{false};
        std::thread worker([&] {
            work(state.cancelled);
            finished = true;
            QCoreApplication::postEvent(&quitter, new QEvent(done));
        });
        if (!finished)
            loop.exec(QEventLoop::AllEvents);
        // The loop only ends early when the application is told to quit: stop the work.
        if (!finished)
            cancel();
        worker.join();
        // The quit request may still be queued for the loop, which is about to go away.
        QCoreApplication::removePostedEvents(&quitter, done);
    }
    s_running = nullptr;
    return !state.cancelled;
}

void ExclusiveWait::cancel()
{
    if (!s_running || s_running->cancelled.exchange(true))
        return;
    if (s_running->wakeWorker)
        s_running->wakeWorker();
}

bool ExclusiveWait::isRunning()
{
    return s_running != nullptr;
}

void ExclusiveWait::setDeliveredDuringWaits(std::function<bool(const QObject *)> predicate)
{
    deliveredPredicate() = std::move(predicate);
}

bool ExclusiveWait::isUserInput(int eventType)
{
    switch (eventType) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::ContextMenu:
    case QEvent::NativeGesture:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::DragLeave:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

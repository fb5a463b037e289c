#pragma once

#include <QEvent>
#include <QObject>

#include <functional>

// A call handed to the GUI thread as an event of its own kind. Unlike a queued invokeMethod, a
// wait that must not start commands can take the call out of the event, hold it and post it
// again afterwards, keeping the order in which such calls arrived.
class PostedCallEvent final : public QEvent {
public:
    explicit PostedCallEvent(std::function<void()> call);
    static QEvent::Type eventType();
    // Moves the call out; the event then does nothing when delivered.
    std::function<void()> take() { return std::move(m_call); }
    void run();

private:
    std::function<void()> m_call;
};

// Receives posted calls on the thread it lives in and runs them there. post() may be called from
// any thread; a call posted to a target that is destroyed before delivery is dropped with it.
class CallTarget final : public QObject {
    Q_OBJECT
public:
    explicit CallTarget(QObject *parent = nullptr);
    void post(std::function<void()> call);

protected:
    bool event(QEvent *event) override;
};

#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

// Holds back every user-input event sent to objects of the application's main thread while it
// lives, and re-posts them, in their original order, when it is destroyed. The nested wait of
// HttpClient uses it so that input that does not come through the window system (posted or sent
// events, which QEventLoop::ExcludeUserInputEvents lets through) cannot start a command either.
// Only effective when created on the main thread; elsewhere it does nothing.
class UserInputGate final : public QObject {
    Q_OBJECT
public:
    UserInputGate();
    ~UserInputGate() override;

    static bool isUserInput(QEvent::Type type);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct HeldEvent {
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;
    };
    std::vector<HeldEvent> m_held;
    bool m_installed = false;
};

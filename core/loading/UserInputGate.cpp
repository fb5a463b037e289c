#include "UserInputGate.h"

#include <QCoreApplication>
#include <QThread>

UserInputGate::UserInputGate()
{
    QCoreApplication *app = QCoreApplication::instance();
    // Application-wide filters only see events for objects of the main thread anyway.
    if (app && QThread::currentThread() == app->thread()) {
        app->installEventFilter(this);
        m_installed = true;
    }
}

UserInputGate::~UserInputGate()
{
    if (m_installed) {
        if (QCoreApplication *app = QCoreApplication::instance())
            app->removeEventFilter(this);
    }
    // Posted, not sent: they arrive once the caller is back in its own event loop.
    for (HeldEvent &held : m_held) {
        if (held.receiver)
            QCoreApplication::postEvent(held.receiver, held.event.release());
    }
}

bool UserInputGate::isUserInput(QEvent::Type type)
{
    switch (type) {
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

bool UserInputGate::eventFilter(QObject *watched, QEvent *event)
{
    if (!isUserInput(event->type()))
        return false;
    // The original belongs to whoever sent or posted it; keep a copy to deliver later.
    m_held.push_back(HeldEvent{QPointer<QObject>(watched), std::unique_ptr<QEvent>(event->clone())});
    return true;
}

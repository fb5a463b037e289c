#include "PostedCall.h"

#include <QCoreApplication>

PostedCallEvent::PostedCallEvent(std::function<void()> call) : QEvent(eventType()), m_call(std::move(call)) {}

QEvent::Type PostedCallEvent::eventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void PostedCallEvent::run()
{
    if (m_call)
        m_call();
}

CallTarget::CallTarget(QObject *parent) : QObject(parent) {}

void CallTarget::post(std::function<void()> call)
{
    QCoreApplication::postEvent(this, new PostedCallEvent(std::move(call)));
}

bool CallTarget::event(QEvent *event)
{
    if (event->type() == PostedCallEvent::eventType()) {
        static_cast<PostedCallEvent *>(event)->run();
        return true;
    }
    return QObject::event(event);
}

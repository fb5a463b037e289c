#include "ButtonedEdit.h"

#include <QAction>
#include <QKeyEvent>

ButtonedEdit::ButtonedEdit(QWidget *parent) : QLineEdit(parent)
{
    m_rightButton = addAction(QIcon(), QLineEdit::TrailingPosition);
    connect(m_rightButton, &QAction::triggered, this, &ButtonedEdit::rightButtonClick);
}

void ButtonedEdit::setRightButtonImage(const QIcon &icon)
{
    m_rightButton->setIcon(icon);
}

void ButtonedEdit::setRightButtonAccessibleName(const QString &name)
{
    // The line edit draws the action as a button of its own; the name goes on that button.
    for (QObject *object : m_rightButton->associatedObjects()) {
        auto *widget = qobject_cast<QWidget *>(object);
        if (widget && widget != this)
            widget->setAccessibleName(name);
    }
}

void ButtonedEdit::keyPressEvent(QKeyEvent *event)
{
    // Only keys that produce a character reach the handler; arrows, Delete and function keys
    // go straight to the box. Enter comes as a carriage return.
    const QString text = event->text();
    if (m_keyPress && !text.isEmpty()) {
        QChar key = text.at(0);
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            key = QChar(13);
        m_keyPress(key);
        if (key.isNull()) {
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

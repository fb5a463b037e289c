#include "ButtonedEdit.h"

#include <QAction>
#include <QFocusEvent>
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

void ButtonedEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    setHintShown(false);
}

void ButtonedEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    setHintShown(true);
}

void ButtonedEdit::setHintShown(bool shown)
{
    // Qt draws the hint under the caret of an empty focused box; here it goes with the focus.
    // Only its colour changes, so the hint text itself stays for whoever reads it.
    if (shown == !m_hintHidden)
        return;
    m_hintHidden = !shown;
    if (!shown) {
        m_hadOwnPalette = testAttribute(Qt::WA_SetPalette);
        m_paletteWithHint = palette();
        QPalette p = palette();
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            p.setColor(group, QPalette::PlaceholderText, Qt::transparent);
        setPalette(p);
    } else {
        // An empty palette inherits again, as the box did before.
        setPalette(m_hadOwnPalette ? m_paletteWithHint : QPalette());
    }
}

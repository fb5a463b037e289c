#include "FixedDialog.h"

#include <QKeyEvent>
#include <QShowEvent>

FixedDialog::FixedDialog(QWidget *owner, QSize clientSize)
    // CustomizeWindowHint makes X11 window managers take the buttons from these hints (the close
    // box only) instead of adding minimise and maximise.
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint)
{
    setFixedSize(clientSize);
}

void FixedDialog::showEvent(QShowEvent *event)
{
    if (!event->spontaneous()) {
        if (!m_placed) {
            m_placed = true;
            if (const QWidget *owner = parentWidget()) {
                QRect r(QPoint(0, 0), size());
                r.moveCenter(owner->geometry().center());
                move(r.topLeft());
            }
        } else {
            move(m_lastPosition);
        }
    }
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void FixedDialog::hideEvent(QHideEvent *event)
{
    m_lastPosition = pos();
    if (!event->spontaneous())
        FormClose();
    QDialog::hideEvent(event);
}

void FixedDialog::keyPressEvent(QKeyEvent *event)
{
    if (m_noDefaultButtons) {
        switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();
            return;
        default:
            break;
        }
    }
    QDialog::keyPressEvent(event);
}

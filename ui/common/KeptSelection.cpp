#include "KeptSelection.h"

#include <QEvent>
#include <QLineEdit>

KeptSelection::KeptSelection(QLineEdit *edit) : QObject(edit), m_edit(edit)
{
    edit->installEventFilter(this);
}

KeptSelection::State KeptSelection::stateOf(const QLineEdit &edit)
{
    return State{edit.text(), edit.selectionStart(), edit.selectionLength(), edit.cursorPosition()};
}

bool KeptSelection::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit && event->type() == QEvent::FocusOut) {
        // The box deselects while it handles the event, so it is handled here, between the two looks.
        m_beforeFocusOut = stateOf(*m_edit);
        static_cast<QObject *>(m_edit)->event(event);
        m_afterFocusOut = stateOf(*m_edit);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void KeptSelection::paste()
{
    QLineEdit &edit = *m_edit;
    // Only what the focus took is given back: a change made since (an earlier paste, a new text
    // from the program) is the box's state now.
    if (!edit.hasFocus() && m_beforeFocusOut && m_afterFocusOut && stateOf(edit) == *m_afterFocusOut) {
        const State &kept = *m_beforeFocusOut;
        if (kept.selectionLength > 0)
            edit.setSelection(kept.selectionStart, kept.selectionLength);
        else
            edit.setCursorPosition(kept.caret);
    }
    edit.paste();
}

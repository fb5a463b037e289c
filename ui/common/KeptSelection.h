#pragma once

#include <QObject>
#include <QString>

#include <optional>

class QLineEdit;

// Keeps an edit box's selection and caret for a Paste button beside it. Clicking the button
// takes the focus from the box, and the box drops its selection as it loses the focus; paste()
// puts the clipboard's text where the selection and caret were, as the box's own paste would.
// Lives as long as the box (it is the box's child).
class KeptSelection final : public QObject {
    Q_OBJECT
public:
    explicit KeptSelection(QLineEdit *edit);

    // Pastes at the caret, replacing the selection, that the box had before it lost the focus,
    // unless the box has been changed since (then at its caret as it is now).
    void paste();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct State {
        QString text;
        int selectionStart = -1;
        int selectionLength = 0;
        int caret = 0;
        bool operator==(const State &) const = default;
    };
    static State stateOf(const QLineEdit &edit);

    QLineEdit *m_edit = nullptr;
    // The box as it was just before it lost the focus, and just after.
    std::optional<State> m_beforeFocusOut;
    std::optional<State> m_afterFocusOut;
};

#pragma once

#include <QDialog>

// A secondary window of fixed size with only the close box. The first time it is shown it is
// centred over its owner; afterwards it comes back where it was last, also where the user moved it.
class FixedDialog : public QDialog {
    Q_OBJECT
public:
    FixedDialog(QWidget *owner, QSize clientSize);

protected:
    // Called when the program shows or hides the window, after it is placed; a window system
    // hiding it along with a minimised owner calls neither. Every way of closing hides it.
    virtual void FormShow() {}
    virtual void FormClose() {}
    // For windows with no default and no cancel button: Enter and Escape close nothing.
    void setNoDefaultButtons() { m_noDefaultButtons = true; }

    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool m_noDefaultButtons = false;
    bool m_placed = false;
    QPoint m_lastPosition;
};

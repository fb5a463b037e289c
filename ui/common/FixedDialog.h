#pragma once

#include <QDialog>

// A secondary window of fixed size with only the close box. The first time it is shown it is
// centred over its owner; afterwards it comes back where it was last, also where the user moved it.
class FixedDialog : public QDialog {
    Q_OBJECT
public:
    FixedDialog(QWidget *owner, QSize clientSize);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    bool m_placed = false;
    QPoint m_lastPosition;
};

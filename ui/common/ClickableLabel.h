#pragma once

#include <QLabel>

// A label (or picture) that reports clicks and the pointer entering and leaving it, for the web
// links of the main and about windows.
class ClickableLabel final : public QLabel {
    Q_OBJECT
public:
    explicit ClickableLabel(QWidget *parent = nullptr);

signals:
    void clicked();
    void mouseEntered();
    void mouseLeft();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
};

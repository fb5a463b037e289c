#pragma once

#include "common/FixedDialog.h"

#include <QPixmap>
#include <QTimer>
#include <QVector>
#include <memory>

namespace Ui {
class TfrmBusy;
}

// The small always-on-top window shown while the user waits, with an animated logo that restarts
// at its first frame every time the window appears.
class TfrmBusy final : public FixedDialog {
    Q_OBJECT
public:
    static constexpr int FrameCount = 40;
    static constexpr int FrameIntervalMs = 50;

    explicit TfrmBusy(QWidget *owner = nullptr);
    ~TfrmBusy() override;

    void setTexts(const QString &caption, const QString &label1, const QString &label2);
    QString label1Text() const;
    QString label2Text() const;

    // Shows the window and returns at once.
    void showWithoutBlocking();
    // Shows the window and returns when it is closed. When it is already up (shown without
    // blocking), the caller waits on the window that is there instead of failing.
    void showModally();
    // Ends the display; closing a hidden window has no effect.
    void closeBusy();
    bool isShowing() const { return isVisible(); }
    void closeIfShowing();

    // This window, its children, its window-system window and its animation timer.
    bool receivesDuringWaits(const QObject *object) const;

    int logoAnimateCount() const { return m_logoAnimateCount; }
    bool isAnimating() const { return tmrLogoAnimate.isActive(); }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void tmrLogoAnimateTimer();

    std::unique_ptr<Ui::TfrmBusy> ui;
    QTimer tmrLogoAnimate;
    QVector<QPixmap> ImageList4;
    int m_logoAnimateCount = 0;
};

extern TfrmBusy *frmBusy;

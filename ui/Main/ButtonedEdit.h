#pragma once

#include <QLineEdit>
#include <QPalette>
#include <functional>

class QAction;

// A single-line edit box with a clickable image at its right end. Every character key is
// offered to a handler before the box takes it; the handler can swallow it by setting it to 0.
// Its text hint shows only while the box is empty and does not have the focus.
class ButtonedEdit final : public QLineEdit {
    Q_OBJECT
public:
    using KeyPressHandler = std::function<void(QChar &Key)>;

    explicit ButtonedEdit(QWidget *parent = nullptr);

    void setKeyPressHandler(KeyPressHandler handler) { m_keyPress = std::move(handler); }
    void setRightButtonImage(const QIcon &icon);
    // The name assistive technology reads for the right-end image; no tooltip comes with it.
    void setRightButtonAccessibleName(const QString &name);
    QAction *rightButton() const { return m_rightButton; }

signals:
    void rightButtonClick();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void setHintShown(bool shown);

    KeyPressHandler m_keyPress;
    QAction *m_rightButton = nullptr;
    bool m_hintHidden = false;
    bool m_hadOwnPalette = false; // whether the palette was set on the box before the hint hid
    QPalette m_paletteWithHint;
};

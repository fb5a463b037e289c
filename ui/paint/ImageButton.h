#pragma once

#include <QPushButton>

// A push button whose image stands `imageMargin` pixels from its left edge, vertically centred,
// with the caption centred in the space right of the image. A negative margin centres an
// image-only button's image.
class ImageButton final : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(int imageMargin READ imageMargin WRITE setImageMargin)
public:
    explicit ImageButton(QWidget *parent = nullptr);

    int imageMargin() const { return m_imageMargin; }
    void setImageMargin(int margin);
    // Sets the image, its size and its margin at once.
    void setImage(const QIcon &icon, int size, int margin);
    // Where the image is drawn, in the button's coordinates.
    QRect imageRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_imageMargin = -1;
};

#include "ImageButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

ImageButton::ImageButton(QWidget *parent) : QPushButton(parent) {}

void ImageButton::setImageMargin(int margin)
{
    m_imageMargin = margin;
    update();
}

void ImageButton::setImage(const QIcon &icon, int size, int margin)
{
    setIcon(icon);
    setIconSize(QSize(size, size));
    setImageMargin(margin);
}

QRect ImageButton::imageRect() const
{
    const QSize size = iconSize();
    const int top = (height() - size.height()) / 2;
    const int left = m_imageMargin >= 0 ? m_imageMargin : (width() - size.width()) / 2;
    return QRect(QPoint(left, top), size);
}

void ImageButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    painter.drawControl(QStyle::CE_PushButtonBevel, option);

    const QRect image = imageRect();
    if (!icon().isNull()) {
        const QIcon::Mode mode = !isEnabled() ? QIcon::Disabled : QIcon::Normal;
        icon().paint(&painter, image, Qt::AlignCenter, mode, isChecked() ? QIcon::On : QIcon::Off);
    }
    if (!text().isEmpty()) {
        // The caption is centred in what the image leaves free, in the style's text colours.
        QStyleOptionButton label = option;
        label.icon = QIcon();
        const int left = icon().isNull() ? 0 : image.right() + 1;
        label.rect = QRect(left, 0, width() - left, height());
        painter.drawControl(QStyle::CE_PushButtonLabel, label);
    }
}

#include "CarbonStyle.h"

#include <QApplication>
#include <QStyleFactory>

CarbonStyle::CarbonStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

QPalette CarbonStyle::carbonPalette()
{
    QPalette p;
    const QColor face(0x33, 0x33, 0x33);
    const QColor window(0x19, 0x19, 0x19);
    const QColor text(0xEA, 0xEA, 0xEA);
    p.setColor(QPalette::Window, face);
    p.setColor(QPalette::Button, QColor(0x3A, 0x3A, 0x3A));
    p.setColor(QPalette::Base, window);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::ButtonText, QColor(0xC0, 0xC0, 0xC0));
    p.setColor(QPalette::Highlight, QColor(0x26, 0x5A, 0x72));
    p.setColor(QPalette::Light, QColor(0x47, 0x47, 0x47));
    p.setColor(QPalette::Midlight, QColor(0x47, 0x47, 0x47));
    p.setColor(QPalette::Mid, QColor(0x2A, 0x2A, 0x2A));
    p.setColor(QPalette::Dark, QColor(0x20, 0x20, 0x20));
    p.setColor(QPalette::Shadow, QColor(0x1A, 0x1A, 0x1A));
    p.setColor(QPalette::ToolTipBase, QColor(0x51, 0x51, 0x51));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(0xC0, 0xC0, 0xC0));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0xC0, 0xC0, 0xC0));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::Button, QColor(0x35, 0x35, 0x35));
    return p;
}

QPalette CarbonStyle::standardPalette() const
{
    return carbonPalette();
}

void CarbonStyle::polish(QPalette &palette)
{
    palette = carbonPalette();
}

int CarbonStyle::styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                           QStyleHintReturn *returnData) const
{
    // A drop-down list opens below its box (above it only where the screen has no room below),
    // showing at most its visible-row count; Fusion would lay it over the box like a menu.
    if (hint == SH_ComboBox_Popup)
        return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

QString CarbonStyle::styleSheet()
{
    return QStringLiteral(
        "QPushButton { background-color: #3A3A3A; color: #C0C0C0; border: 1px solid #474747;"
        "  border-bottom-color: #202020; border-right-color: #202020; border-radius: 2px; }"
        "QPushButton:hover { background-color: #3E3E3E; color: #FFFFFF; }"
        "QPushButton:focus { background-color: #3E3E3E; color: #FFFFFF; }"
        "QPushButton:pressed { background-color: #3D3D3D; color: #FFFFFF; }"
        "QPushButton:disabled { background-color: #353535; color: #808080; }"
        "QToolTip { background-color: #515151; color: #EAEAEA; border: 1px solid #202020; }"
        "QScrollBar { background: #545454; }");
}

QStringList VisualStyles::names()
{
    return {QStringLiteral("Carbon")};
}

bool VisualStyles::apply(QApplication &app, const QString &name)
{
    for (const QString &known : names()) {
        if (known.compare(name, Qt::CaseInsensitive) == 0) {
            QApplication::setStyle(new CarbonStyle);
            QApplication::setPalette(CarbonStyle::carbonPalette());
            app.setStyleSheet(CarbonStyle::styleSheet());
            return true;
        }
    }
    return false;
}

QString VisualStyles::notFoundMessage(const QString &name)
{
    return QStringLiteral("Style '%1' not found").arg(name);
}

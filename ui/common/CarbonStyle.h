#pragma once

#include <QProxyStyle>
#include <QStringList>

class QApplication;

// The program's dark look: Fusion with the Carbon colours, plus a small style sheet for the
// button and list states a palette alone cannot express.
class CarbonStyle final : public QProxyStyle {
    Q_OBJECT
public:
    CarbonStyle();

    QPalette standardPalette() const override;
    void polish(QPalette &palette) override;
    int styleHint(StyleHint hint, const QStyleOption *option = nullptr, const QWidget *widget = nullptr,
                  QStyleHintReturn *returnData = nullptr) const override;

    static QPalette carbonPalette();
    static QString styleSheet();
};

namespace VisualStyles {
// Names of the styles the program carries.
QStringList names();
// Applies the style whose name matches `name` ignoring case. Returns false, changing nothing,
// when the program carries no such style.
bool apply(QApplication &app, const QString &name);
// The message shown when a style is missing.
QString notFoundMessage(const QString &name);
} // namespace VisualStyles

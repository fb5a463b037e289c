#pragma once

#include <QApplication>

// The application object. A failure that no handler caught ends the current command here and
// is shown in the general stop box; the program then goes on.
class NorvaleApplication final : public QApplication {
    Q_OBJECT
public:
    NorvaleApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};

#include "NorvaleApplication.h"

#include "common/MessageBoxes.h"
#include "shell/NorvaleError.h"

#include <exception>

NorvaleApplication::NorvaleApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool NorvaleApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const NorvaleError &error) {
        MessageBoxes::Stop(activeWindow(), error.message());
    } catch (const std::exception &error) {
        MessageBoxes::Stop(activeWindow(), QString::fromLocal8Bit(error.what()));
    }
    return false;
}

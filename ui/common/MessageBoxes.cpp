#include "MessageBoxes.h"

#include "shell/CommandBoundary.h"

#include <QApplication>
#include <QFileInfo>

namespace {
MessageBoxes::Interceptor &interceptor()
{
    static MessageBoxes::Interceptor fn;
    return fn;
}

QMessageBox::StandardButton show(QWidget *parent, MessageBoxes::Kind kind, const QString &caption,
                                 const QString &text)
{
    if (interceptor()) {
        const bool yes = interceptor()(MessageBoxes::Shown{kind, caption, text});
        return yes ? QMessageBox::Yes : QMessageBox::No;
    }
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (kind) {
    case MessageBoxes::Kind::Error:
        box.setIcon(QMessageBox::Critical);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageBoxes::Kind::Stop:
        box.setIcon(QMessageBox::Critical);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageBoxes::Kind::Information:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageBoxes::Kind::Confirm:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

// A command's failure, caught at its handler, goes to the general stop box over the active window.
[[maybe_unused]] const bool reporterSet = [] {
    CommandBoundary::setReporter(
        [](const QString &message) { MessageBoxes::Stop(QApplication::activeWindow(), message); });
    return true;
}();
} // namespace

void MessageBoxes::Error(QWidget *parent, const QString &text)
{
    show(parent, Kind::Error, QStringLiteral("Error"), text);
}

void MessageBoxes::Information(QWidget *parent, const QString &text)
{
    show(parent, Kind::Information, QStringLiteral("Information"), text);
}

bool MessageBoxes::Confirm(QWidget *parent, const QString &question, const QString &item)
{
    return show(parent, Kind::Confirm, QStringLiteral("Confirm"),
                question + QStringLiteral("\r\n\r\n") + item) == QMessageBox::Yes;
}

void MessageBoxes::Stop(QWidget *parent, const QString &message)
{
    show(parent, Kind::Stop, applicationTitle(QFileInfo(QCoreApplication::applicationFilePath()).fileName()),
         withFullStop(message));
}

void MessageBoxes::setInterceptorForTesting(Interceptor fn)
{
    interceptor() = std::move(fn);
}

QString MessageBoxes::applicationTitle(const QString &executableFileName)
{
    QString title = executableFileName.section(QLatin1Char('.'), 0, 0);
    if (title.size() > 1)
        title = title.left(1) + title.mid(1).toLower();
    return title;
}

QString MessageBoxes::withFullStop(const QString &message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + QLatin1Char('.');
    return message;
}

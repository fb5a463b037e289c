#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

// The program's own message boxes. Every box goes through here so that tests can see what would
// have been shown and answer it without a modal loop.
namespace MessageBoxes {
enum class Kind { Error, Information, Confirm, Stop };

struct Shown {
    Kind kind;
    QString caption;
    QString text;
};

// "Error", error icon, OK.
void Error(QWidget *parent, const QString &text);
// "Information", information icon, OK.
void Information(QWidget *parent, const QString &text);
// "Confirm", question icon, Yes (default) and No; the text is the question, two line breaks and
// the item concerned. Returns true for Yes.
bool Confirm(QWidget *parent, const QString &question, const QString &item);
// The general stop box for failures no handler caught: caption is the application title.
void Stop(QWidget *parent, const QString &message);

// Tests install a handler that receives every box instead of the user; its result answers a
// confirmation (true = Yes). An empty function restores real boxes.
using Interceptor = std::function<bool(const Shown &)>;
void setInterceptorForTesting(Interceptor interceptor);

// The application title: the executable's file name cut at its first full stop, every letter
// after the first in lower case.
QString applicationTitle(const QString &executableFileName);
// A full stop is appended when the last character's code is above that of the full stop.
QString withFullStop(const QString &message);
} // namespace MessageBoxes

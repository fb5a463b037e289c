#include "CommandBoundary.h"

#include "NorvaleError.h"

#include <cstdio>
#include <exception>

namespace {
CommandBoundary::Reporter &reporter()
{
    static CommandBoundary::Reporter fn;
    return fn;
}

void report(const QString &message)
{
    if (reporter())
        reporter()(message);
    else // only a program without windows gets here
        std::fputs(qPrintable(message + QLatin1Char('\n')), stderr);
}
} // namespace

void CommandBoundary::setReporter(Reporter fn)
{
    reporter() = std::move(fn);
}

void CommandBoundary::runCommand(const std::function<void()> &command)
{
    try {
        command();
    } catch (const NorvaleError &error) {
        report(error.message());
    } catch (const std::exception &error) {
        report(QString::fromLocal8Bit(error.what()));
    }
}

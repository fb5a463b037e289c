#pragma once

#include <QString>

#include <functional>
#include <type_traits>

// Where a command's failure ends: every connection and event handler that runs a command goes
// through runCommand, so no exception ever crosses Qt's event machinery (Qt is built without
// exception support; a throw out of a slot skips its cleanup). The failure's message goes to the
// reporter, which the windows layer sets to the general stop box.
namespace CommandBoundary {
using Reporter = std::function<void(const QString &message)>;
void setReporter(Reporter reporter);

// Runs `command`; a NorvaleError or other std::exception it throws is reported, not rethrown.
void runCommand(const std::function<void()> &command);

// A slot for connect() that runs `handler` on `object` as a command. The slot takes the
// handler's own parameters, so Qt passes the signal's arguments through.
template <typename Object, typename T, typename... Args>
auto command(Object *object, void (T::*handler)(Args...))
{
    return [object, handler](Args... args) { runCommand([&] { (object->*handler)(args...); }); };
}
// The same for any callable with no parameters.
template <typename F, typename = std::enable_if_t<std::is_invocable_v<F>>> auto command(F f)
{
    return [f = std::move(f)] { runCommand(f); };
}
} // namespace CommandBoundary

#pragma once

#include <functional>

class PlayerControl;
class QWidget;

// Where the main window gets its player control: the libVLC one, or what a test puts in its place.
namespace PlayerFactory {
using Factory = std::function<PlayerControl *(QWidget *parent)>;
PlayerControl *create(QWidget *parent);
// An empty function restores the libVLC control with the program's arguments.
void setFactoryForTesting(Factory factory);
} // namespace PlayerFactory

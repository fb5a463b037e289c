#pragma once

#include <QByteArray>
#include <QProcessEnvironment>

// The video surface is an X11 window, so on a Wayland session the program asks Qt for the xcb
// platform (XWayland), unless the user chose a platform with QT_QPA_PLATFORM.
namespace PlatformChoice {
// The platform to request for this environment, or empty to leave Qt its own choice.
QByteArray platformFor(const QProcessEnvironment &env);

enum class Outcome { Requested, LeftAlone, TooLate };
// Sets QT_QPA_PLATFORM from platformFor(the process environment). Qt reads it once, when the
// application object is made, so this must run before that: afterwards it changes nothing and
// says TooLate.
Outcome applyBeforeApplication();
} // namespace PlatformChoice

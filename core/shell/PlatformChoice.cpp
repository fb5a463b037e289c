#include "PlatformChoice.h"

#include <QCoreApplication>

QByteArray PlatformChoice::platformFor(const QProcessEnvironment &env)
{
    if (!env.value(QStringLiteral("QT_QPA_PLATFORM")).isEmpty())
        return {};
    // Qt itself prefers Wayland when the session type says so, even without WAYLAND_DISPLAY.
    const bool wayland =
        !env.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty() ||
        env.value(QStringLiteral("XDG_SESSION_TYPE")).compare(u"wayland", Qt::CaseInsensitive) == 0;
    return wayland ? QByteArrayLiteral("xcb") : QByteArray();
}

PlatformChoice::Outcome PlatformChoice::applyBeforeApplication()
{
    if (QCoreApplication::instance())
        return Outcome::TooLate;
    const QByteArray platform = platformFor(QProcessEnvironment::systemEnvironment());
    if (platform.isEmpty())
        return Outcome::LeftAlone;
    qputenv("QT_QPA_PLATFORM", platform);
    return Outcome::Requested;
}

#include "ScopedMount.h"

#include <QFile>

#include <sys/mount.h>

#include <cerrno>
#include <cstring>

namespace {

QString reason(const char *what)
{
    return QStringLiteral("%1: %2 (mounting needs root and CAP_SYS_ADMIN)")
        .arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

ScopedMount ScopedMount::tmpfs(const QString &target, const QString &size)
{
    ScopedMount mount;
    const QByteArray path = QFile::encodeName(target);
    const QByteArray options = "size=" + size.toLatin1();
    if (::mount("tmpfs", path.constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) != 0)
        mount.m_error = reason("mount -t tmpfs");
    else
        mount.m_target = target;
    return mount;
}

ScopedMount ScopedMount::readOnlyBind(const QString &directory)
{
    ScopedMount mount;
    const QByteArray path = QFile::encodeName(directory);
    if (::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) != 0) {
        mount.m_error = reason("mount --bind");
        return mount;
    }
    mount.m_target = directory;
    // A bind mount takes the read-only flag only on a remount.
    if (::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
        mount.m_error = reason("mount -o remount,bind,ro");
    return mount;
}

ScopedMount::ScopedMount(ScopedMount &&other) noexcept
    : m_target(std::exchange(other.m_target, QString())), m_error(other.m_error)
{}

ScopedMount::~ScopedMount()
{
    if (!m_target.isEmpty())
        ::umount2(QFile::encodeName(m_target).constData(), MNT_DETACH);
}

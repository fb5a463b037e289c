#pragma once

#include <QString>

// A mount made for one test and undone when it ends: a small tmpfs (a disk that fills up) or a
// read-only bind mount of a directory (a place that refuses writes even to root). Mounting needs
// the right to mount; error() then tells why it was not possible, so the test can be skipped.
class ScopedMount final {
public:
    static ScopedMount tmpfs(const QString &target, const QString &size);
    static ScopedMount readOnlyBind(const QString &directory);

    ScopedMount(ScopedMount &&other) noexcept;
    ScopedMount(const ScopedMount &) = delete;
    ScopedMount &operator=(const ScopedMount &) = delete;
    ScopedMount &operator=(ScopedMount &&) = delete;
    ~ScopedMount();

    const QString &error() const { return m_error; }

private:
    ScopedMount() = default;

    QString m_target; // empty when nothing is mounted
    QString m_error;
};

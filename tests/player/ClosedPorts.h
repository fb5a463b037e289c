#pragma once

#include <QString>

// Local addresses for the failure paths of playback: a port nobody listens on, and a port that
// accepts connections (the kernel completes them) but never answers a byte.
class ClosedPorts final {
public:
    ClosedPorts();
    ~ClosedPorts();
    ClosedPorts(const ClosedPorts &) = delete;
    ClosedPorts &operator=(const ClosedPorts &) = delete;

    // An address whose connection is refused.
    static QString refusedUrl();
    // An address on the silent listener held by this object.
    QString silentUrl() const;

private:
    int m_silentSocket = -1;
    int m_silentPort = 0;
};

#include "ClosedPorts.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// Binds a socket to a free port on 127.0.0.1 and returns it with the port.
int bindLoopback(int *port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        qFatal("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
        qFatal("bind failed");
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
    *port = ntohs(address.sin_port);
    return fd;
}
} // namespace

ClosedPorts::ClosedPorts()
{
    m_silentSocket = bindLoopback(&m_silentPort);
    // Listening without ever accepting: connects succeed, no byte ever comes back.
    if (listen(m_silentSocket, 16) != 0)
        qFatal("listen failed");
}

ClosedPorts::~ClosedPorts()
{
    if (m_silentSocket >= 0)
        close(m_silentSocket);
}

QString ClosedPorts::refusedUrl()
{
    int port = 0;
    close(bindLoopback(&port)); // bound and released: nothing listens there now
    return QStringLiteral("http://127.0.0.1:%1/stream.ts").arg(port);
}

QString ClosedPorts::silentUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/stream.ts").arg(m_silentPort);
}

#include "TestServer.h"

#include <QDir>
#include <QStandardPaths>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

TestServer::TestServer() = default;

TestServer::~TestServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}

QString TestServer::makeCertificate()
{
    const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    if (openssl.isEmpty())
        return QStringLiteral("the openssl command is missing (Debian package: openssl)");
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(openssl,
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                   "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                   "-keyout", m_dir.filePath("key.pem"), "-out", m_dir.filePath("cert.pem")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QStringLiteral("openssl could not make a certificate: ") +
               QString::fromLocal8Bit(process.readAll());
    return {};
}

QString TestServer::start(bool withHttps)
{
    if (!m_dir.isValid())
        return QStringLiteral("no temporary directory");
    QStringList arguments{QStringLiteral(NORVALE_TEST_DATA "/net/test_server.py")};
    if (withHttps) {
        if (QString error = makeCertificate(); !error.isEmpty())
            return error;
        arguments << m_dir.filePath("cert.pem") << m_dir.filePath("key.pem");
    }
    m_process.start(QStringLiteral(NORVALE_PYTHON3), arguments);
    if (!m_process.waitForStarted(10000))
        return QStringLiteral("python3 did not start: ") + m_process.errorString();

    QByteArray output;
    while (!output.contains("READY\n")) {
        if (!m_process.waitForReadyRead(10000))
            return QStringLiteral("the test server did not come up: ") +
                   QString::fromLocal8Bit(output + m_process.readAllStandardError());
        output += m_process.readAllStandardOutput();
    }
    for (const QByteArray &line : output.split('\n')) {
        if (line.startsWith("HTTP "))
            m_httpPort = line.mid(5).toInt();
        else if (line.startsWith("HTTPS "))
            m_httpsPort = line.mid(6).toInt();
    }
    return m_httpPort > 0 ? QString() : QStringLiteral("the test server gave no port");
}

QString TestServer::httpUrl(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_httpPort).arg(path);
}

QString TestServer::httpsUrl(const QString &path) const
{
    return QStringLiteral("https://127.0.0.1:%1%2").arg(m_httpsPort).arg(path);
}

QString TestServer::certificateFile() const
{
    return m_dir.filePath("cert.pem");
}

int TestServer::closedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd); // never listened on, and closed: a connection is refused
    return port;
}

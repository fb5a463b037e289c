#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// The local HTTP/HTTPS server of tests/data/net/test_server.py, on 127.0.0.1 and free ports.
// The HTTPS side uses a self-signed certificate made with the openssl command for this run.
class TestServer final {
public:
    TestServer();
    ~TestServer();

    // Empty when the server runs; otherwise what went wrong (missing python3/openssl, ...).
    QString start(bool withHttps);

    QString httpUrl(const QString &path) const;
    QString httpsUrl(const QString &path) const;
    QString certificateFile() const;

    // A port on 127.0.0.1 on which nothing listens (taken from the system, then closed again).
    static int closedPort();

private:
    QString makeCertificate();

    QProcess m_process;
    QTemporaryDir m_dir;
    int m_httpPort = 0;
    int m_httpsPort = 0;
};

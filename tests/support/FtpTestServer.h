#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace qvic::test {

// A stand-in player on loopback for tests and benchmarks: tests/support/ftp_server.py
// (pyftpdlib) with the player account qv7player / tk2harbor, serving a fresh folder
// that holds media/ and settings/. Stopped when it goes out of scope.
//
//     FtpTestServer server(FtpTestServer::Mode::Normal);
//     QVERIFY(server.start());
//     state.strRemoteHost = server.host();   // "127.0.0.1:<port>"
//     readAll(server.root() + "/media/crawl.rtf");
class FtpTestServer
{
public:
    enum class Mode {
        Normal,
        RefuseLogon,    // every logon is answered 530
        NeverGreets,    // accepts connections and stays silent
        DropUpload,     // hangs up the connection after dropAfter bytes of an upload
        StorageFull,    // answers STOR with 552
        Throttled,      // receives uploads at rate bytes a second
    };

    explicit FtpTestServer(Mode mode = Mode::Normal);
    ~FtpTestServer();
    FtpTestServer(const FtpTestServer &) = delete;
    FtpTestServer &operator=(const FtpTestServer &) = delete;

    // Bytes a second for Throttled (a rate of 1 stalls an upload); set before start().
    void setRate(int bytesPerSecond) { m_rate = bytesPerSecond; }
    // Bytes of an upload DropUpload receives before it hangs up; set before start().
    void setDropAfter(int bytes) { m_dropAfter = bytes; }
    // "127.0.0.1" by default; "::1" listens on the IPv6 loopback.
    void setAddress(const QString &address) { m_address = address; }

    // Starts the server and waits until it listens; false (with the reason in
    // errorString()) when it could not start.
    bool start();
    void stop();

    int port() const { return m_port; }
    // The address box text for this server: "127.0.0.1:port" or "[::1]:port".
    QString host() const;
    // The folder the player account logs on to.
    QString root() const { return m_root.path(); }
    // One line per server event, oldest first: "connect", "login qv7player",
    // "received /media/x.rtf", "incomplete /media/x.rtf", "disconnect".
    QStringList events() const;
    int count(const QString &eventPrefix) const;
    QString errorString() const { return m_error; }

private:
    Mode m_mode;
    int m_rate = 100000;
    int m_dropAfter = 65536;
    QString m_address = QStringLiteral("127.0.0.1");
    QTemporaryDir m_root;
    QTemporaryDir m_work;
    QProcess m_process;
    int m_port = 0;
    QString m_error;
};

} // namespace qvic::test

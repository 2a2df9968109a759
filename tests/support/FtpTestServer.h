#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace qvic::test {

// A stand-in player on loopback: tests/support/ftp_server.py (pyftpdlib) with the player
// account qv7player / tk2harbor, serving a fresh folder that holds media/ and settings/.
// Stopped when it goes out of scope.
class FtpTestServer
{
public:
    enum class Mode {
        Normal,
        NeverGreets, // accepts connections and stays silent
        DropUpload,  // hangs up the connection after 64 KiB of an upload
        StorageFull, // answers STOR with 552
        Throttled,   // receives uploads steadily at rate bytes a second
        Stall,       // takes 64 KiB of an upload, then nothing until the client hangs up the
                     // control connection; then reads the data connection to its end
    };

    explicit FtpTestServer(Mode mode = Mode::Normal) : m_mode(mode) {}
    ~FtpTestServer() { stop(); }

    // Set before start(). An address of "::1" listens on the IPv6 loopback.
    void setRate(int bytesPerSecond) { m_rate = bytesPerSecond; }
    void setAddress(const QString &address) { m_address = address; }

    // Starts the server and waits until it listens; false, with errorString(), when not.
    bool start();
    void stop();

    int port() const { return m_port; }
    QString host() const; // the address box text: "127.0.0.1:port" or "[::1]:port"
    QString root() const { return m_root.path(); }
    // One line per event, oldest first: "connect", "login qv7player",
    // "received /media/x.rtf", "incomplete /media/x.rtf", "disconnect".
    QStringList events() const;
    int count(const QString &eventPrefix) const;
    QString errorString() const { return m_error; }

private:
    Mode m_mode;
    int m_rate = 100000;
    QString m_address = QStringLiteral("127.0.0.1");
    QTemporaryDir m_root, m_work;
    QProcess m_process;
    int m_port = 0;
    QString m_error;
};

} // namespace qvic::test

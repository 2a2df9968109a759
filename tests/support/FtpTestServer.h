#pragma once

#include "TestSupport.h"

#include <QProcess>

#include <curl/curl.h>

namespace qvic::test {

// The players are reached through libcurl, readied once for the whole test as the program's main does.
inline const bool curlReady = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;

// A stand-in player on loopback: tests/support/ftp_server.py (pyftpdlib) with the player account qv7player / tk2harbor,
// serving a fresh folder that holds media/ and settings/. Stopped when it goes out of scope.
class FtpTestServer
{
public:
    // NeverGreets stays silent; DropUpload hangs up after 64 KiB of an upload; StorageFull answers STOR with 552; Stall takes
    // 64 KiB, then waits for the client to hang up and reads on, as a player whose data connection lives on its own does.
    enum class Mode { Normal, NeverGreets, DropUpload, StorageFull, Throttled, Stall };

    explicit FtpTestServer(Mode mode = Mode::Normal) : m_mode(mode) {}
    ~FtpTestServer() { stop(); }

    // Set before start(). An address of "::1" listens on the IPv6 loopback.
    void setRate(int bytesPerSecond) { m_rate = bytesPerSecond; }
    void setAddress(const QString &address) { m_address = address; }

    // Starts the server and waits until it listens; false, with errorString(), when not.
    bool start()
    {
        const char *const modes[] = {"normal", "silent", "drop", "full", "throttled", "stall"};
        // The Debian interpreter: a python3 earlier on PATH may lack pyftpdlib.
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start("/usr/bin/python3", {QVIC_TEST_SUPPORT_DIR "/ftp_server.py", "--root", m_root.path(), "--mode",
                                             modes[int(m_mode)], "--address", m_address, "--rate", QString::number(m_rate),
                                             "--events", m_work.filePath("events.log")});
        QByteArray line; // the port, once the server listens
        for (QDeadlineTimer deadline(10000); !line.contains('\n') && m_process.waitForReadyRead(deadline.remainingTime());)
            line += m_process.readAllStandardOutput();
        m_port = line.trimmed().toInt();
        m_error = "the FTP server did not start: " + m_process.errorString() + ' ' + line;
        if (m_port <= 0)
            stop();
        return m_port > 0 && curlReady;
    }
    void stop()
    {
        m_port = 0;
        m_process.terminate(); // SIGTERM ends pyftpdlib at once, and the silent mode too
        if (!m_process.waitForFinished(5000))
            m_process.kill(), m_process.waitForFinished(5000);
    }

    int port() const { return m_port; }
    QString host() const { return (m_address.contains(':') ? '[' + m_address + ']' : m_address) + ':' + QString::number(m_port); }
    QString root() const { return m_root.path(); }
    // One per event, oldest first: "connect", "login qv7player", "received /media/x.rtf.part",
    // "renamed /media/x.rtf.part /media/x.rtf", "incomplete /media/x.rtf.part", "disconnect".
    QStringList events() const { return QString::fromUtf8(readAll(m_work.filePath("events.log"))).split('\n', Qt::SkipEmptyParts); }
    int count(const QString &eventPrefix) const { return int(events().filter(QRegularExpression('^' + QRegularExpression::escape(eventPrefix))).size()); }
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

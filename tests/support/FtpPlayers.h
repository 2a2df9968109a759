#pragma once

#include "FtpTestServer.h"

#include <array>

namespace qvic::test {

// Several stand-in players on loopback, one port and one root each, all served by one process
// (tests/support/ftp_players.py, pyftpdlib) with the player account. Stopped when it goes out of scope.
class FtpPlayers
{
public:
    // Refused: refuses every logon; Silent: never greets; Closed: a port nobody listens on; NoSize: answers SIZE
    // with 502; NoRename: refuses RNTO onto an existing file; ShortSize: reports a byte less; Throttled: rate bytes/s.
    enum class Mode { Normal, Refused, Silent, Closed, NoSize, NoRename, ShortSize, Throttled };

    explicit FtpPlayers(QList<Mode> modes) : m_modes(std::move(modes)) {}
    ~FtpPlayers() { stop(); }
    void stop() { m_process.terminate(), m_process.waitForFinished(5000); } // SIGTERM ends the loop and silent players

    void setRate(int bytesPerSecond) { m_rate = bytesPerSecond; } // before start()
    // Starts them and waits until all listen; false, with errorString(), when not.
    bool start()
    {
        QStringList arguments{QVIC_TEST_SUPPORT_DIR "/ftp_players.py", "--root", m_root.path(), "--events", m_work.path(),
                              "--rate", QString::number(m_rate)};
        for (const Mode mode : std::as_const(m_modes))
            arguments << name(mode);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start("/usr/bin/python3", arguments); // Debian's: a python3 earlier on PATH may lack pyftpdlib
        const QByteArray line = readLine(30000);
        for (const QByteArray &port : line.simplified().split(' '))
            if (port.toInt() > 0)
                m_ports.append(port.toInt());
        m_error = "the FTP players did not start: " + m_process.errorString() + ' ' + line;
        return m_ports.size() == m_modes.size() && curlReady;
    }
    // Switches a running player to another mode (not to or from Silent or Closed).
    bool setMode(int player, Mode mode)
    {
        m_process.write("mode " + QByteArray::number(player) + ' ' + name(mode) + '\n');
        return readLine(5000).trimmed() == "ok " + QByteArray::number(player);
    }

    int size() const { return int(m_modes.size()); }
    QString host(int player) const { return QStringLiteral("127.0.0.1:%1").arg(m_ports.value(player)); }
    QStringList hosts() const
    {
        QStringList all;
        for (int i = 0; i < m_ports.size(); ++i)
            all << host(i);
        return all;
    }
    QString root(int player) const { return m_root.filePath(QString::number(player)); } // holds media/ and settings/
    // Oldest first: "connect", "login qv7player", "received /media/x.rtf.part",
    // "renamed /media/x.rtf.part /media/x.rtf", "deleted /media/x.rtf", "incomplete ...".
    QStringList events(int player) const
    {
        return QString::fromUtf8(readAll(m_work.filePath(QStringLiteral("%1.log").arg(player)))).split('\n', Qt::SkipEmptyParts);
    }
    QString errorString() const { return m_error; }

private:
    static const char *name(Mode mode)
    {
        return std::array{"normal", "refused", "silent", "closed", "nosize", "norename", "shortsize", "throttled"}[int(mode)];
    }
    QByteArray readLine(int timeoutMs)
    {
        for (QDeadlineTimer deadline(timeoutMs); !m_process.canReadLine() && m_process.waitForReadyRead(deadline.remainingTime());)
            ;
        return m_process.readLine();
    }

    QList<Mode> m_modes;
    int m_rate = 100000;
    QTemporaryDir m_root, m_work;
    QProcess m_process;
    QList<int> m_ports;
    QString m_error;
};

} // namespace qvic::test

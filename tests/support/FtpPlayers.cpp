#include "FtpPlayers.h"
#include "TestSupport.h"

#include <QDeadlineTimer>

#include <signal.h>

namespace qvic::test {
namespace {

const char *modeName(FtpPlayers::Mode mode)
{
    static const char *const names[] = {"normal",  "refused", "silent",    "closed",
                                        "nosize",  "norename", "shortsize", "throttled"};
    return names[int(mode)];
}

} // namespace

bool FtpPlayers::start()
{
    stop();
    QStringList arguments{QVIC_TEST_SUPPORT_DIR "/ftp_players.py", "--root", m_root.path(),
                          "--events", m_work.path(), "--rate", QString::number(m_rate)};
    for (const Mode mode : std::as_const(m_modes))
        arguments << modeName(mode);
    // The Debian interpreter: a python3 earlier on PATH may lack pyftpdlib.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start("/usr/bin/python3", arguments);
    m_process.waitForStarted(10000);
    const QByteArray line = readLine(30000);
    for (const QByteArray &port : line.simplified().split(' '))
        if (port.toInt() > 0)
            m_ports.append(port.toInt());
    m_error = QStringLiteral("the FTP players did not start: ") + m_process.errorString() + ' ' + line;
    if (m_ports.size() != m_modes.size())
        stop();
    return !m_ports.isEmpty();
}

QByteArray FtpPlayers::readLine(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!m_process.canReadLine() && !deadline.hasExpired() && m_process.state() == QProcess::Running)
        m_process.waitForReadyRead(100);
    return m_process.readLine();
}

void FtpPlayers::stop()
{
    m_ports.clear();
    if (m_process.state() == QProcess::NotRunning)
        return;
    // By its pid: SIGTERM ends the event loop and the silent players' threads at once.
    if (m_process.processId() > 0)
        ::kill(pid_t(m_process.processId()), SIGTERM);
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool FtpPlayers::setMode(int player, Mode mode)
{
    m_process.write(QByteArray("mode ") + QByteArray::number(player) + ' ' + modeName(mode) + '\n');
    return readLine(5000).trimmed() == "ok " + QByteArray::number(player);
}

QString FtpPlayers::host(int player) const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_ports.value(player));
}

QStringList FtpPlayers::hosts() const
{
    QStringList all;
    for (int i = 0; i < m_ports.size(); ++i)
        all << host(i);
    return all;
}

QString FtpPlayers::root(int player) const
{
    return m_root.filePath(QString::number(player));
}

QStringList FtpPlayers::events(int player) const
{
    return QString::fromUtf8(readAll(m_work.filePath(QStringLiteral("%1.log").arg(player))))
        .split('\n', Qt::SkipEmptyParts);
}

} // namespace qvic::test

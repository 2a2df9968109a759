#include "FtpTestServer.h"
#include "TestSupport.h"

#include <QDeadlineTimer>
#include <QFile>

#include <signal.h>

namespace qvic::test {

bool FtpTestServer::start()
{
    stop();
    const char *const modes[] = {"normal", "silent", "drop", "full", "throttled", "stall"};
    // The Debian interpreter: a python3 earlier on PATH may lack pyftpdlib.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start("/usr/bin/python3", {QVIC_TEST_SUPPORT_DIR "/ftp_server.py", "--root", m_root.path(),
                                         "--mode", modes[int(m_mode)], "--address", m_address,
                                         "--rate", QString::number(m_rate),
                                         "--events", m_work.filePath("events.log")});
    // The first line of output is the port, once the server listens.
    QByteArray line;
    const QDeadlineTimer deadline(10000);
    m_process.waitForStarted(10000);
    while (!line.contains('\n') && !deadline.hasExpired() && m_process.state() == QProcess::Running) {
        m_process.waitForReadyRead(100);
        line += m_process.readAllStandardOutput();
    }
    m_port = line.trimmed().toInt();
    m_error = QStringLiteral("the FTP server did not start: ") + m_process.errorString() + ' ' + line;
    if (m_port <= 0)
        stop();
    return m_port > 0;
}

void FtpTestServer::stop()
{
    m_port = 0;
    if (m_process.state() == QProcess::NotRunning)
        return;
    // By its pid: SIGTERM ends pyftpdlib at once, and the silent mode too.
    if (m_process.processId() > 0)
        ::kill(pid_t(m_process.processId()), SIGTERM);
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString FtpTestServer::host() const
{
    const bool six = m_address.contains(':');
    return (six ? '[' + m_address + ']' : m_address) + ':' + QString::number(m_port);
}

QStringList FtpTestServer::events() const
{
    return QString::fromUtf8(readAll(m_work.filePath("events.log"))).split('\n', Qt::SkipEmptyParts);
}

int FtpTestServer::count(const QString &eventPrefix) const
{
    const QStringList all = events();
    return int(std::count_if(all.cbegin(), all.cend(), [&](const QString &e) { return e.startsWith(eventPrefix); }));
}

} // namespace qvic::test

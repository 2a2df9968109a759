#include "FtpTestServer.h"

#include <QDeadlineTimer>
#include <QFile>

#include <signal.h>

namespace qvic::test {
namespace {

QString modeName(FtpTestServer::Mode mode)
{
    switch (mode) {
    case FtpTestServer::Mode::Normal: return QStringLiteral("normal");
    case FtpTestServer::Mode::RefuseLogon: return QStringLiteral("refuse");
    case FtpTestServer::Mode::NeverGreets: return QStringLiteral("silent");
    case FtpTestServer::Mode::DropUpload: return QStringLiteral("drop");
    case FtpTestServer::Mode::StorageFull: return QStringLiteral("full");
    case FtpTestServer::Mode::Throttled: return QStringLiteral("throttled");
    }
    return QStringLiteral("normal");
}

} // namespace

FtpTestServer::FtpTestServer(Mode mode) : m_mode(mode)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

FtpTestServer::~FtpTestServer()
{
    stop();
}

bool FtpTestServer::start()
{
    stop();
    if (!m_root.isValid() || !m_work.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    const QStringList arguments = {
        QStringLiteral(QVIC_TEST_SUPPORT_DIR "/ftp_server.py"),
        QStringLiteral("--root"), m_root.path(),
        QStringLiteral("--mode"), modeName(m_mode),
        QStringLiteral("--address"), m_address,
        QStringLiteral("--rate"), QString::number(m_rate),
        QStringLiteral("--drop-after"), QString::number(m_dropAfter),
        QStringLiteral("--events"), m_work.filePath(QStringLiteral("events.log")),
    };
    // The Debian interpreter: a python3 earlier on PATH may lack pyftpdlib.
    m_process.start(QStringLiteral("/usr/bin/python3"), arguments);
    if (!m_process.waitForStarted(10000)) {
        m_error = m_process.errorString();
        return false;
    }
    // The first line of output is the port, once the server listens.
    QByteArray line;
    const QDeadlineTimer deadline(10000);
    while (!line.contains('\n') && !deadline.hasExpired()
           && m_process.state() == QProcess::Running) {
        m_process.waitForReadyRead(100);
        line += m_process.readAllStandardOutput();
    }
    bool ok = false;
    m_port = line.trimmed().toInt(&ok);
    if (!ok || m_port <= 0) {
        m_error = QStringLiteral("the FTP server did not start: ") + QString::fromUtf8(line);
        stop();
        return false;
    }
    return true;
}

void FtpTestServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    // By its pid: SIGTERM ends pyftpdlib at once, and the silent mode too.
    const qint64 pid = m_process.processId();
    if (pid > 0)
        ::kill(static_cast<pid_t>(pid), SIGTERM);
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    m_port = 0;
}

QString FtpTestServer::host() const
{
    const QString address = m_address.contains(QLatin1Char(':'))
                                ? QLatin1Char('[') + m_address + QLatin1Char(']')
                                : m_address;
    return address + QLatin1Char(':') + QString::number(m_port);
}

QStringList FtpTestServer::events() const
{
    QFile file(m_work.filePath(QStringLiteral("events.log")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

int FtpTestServer::count(const QString &eventPrefix) const
{
    int n = 0;
    for (const QString &event : events())
        n += event.startsWith(eventPrefix) ? 1 : 0;
    return n;
}

} // namespace qvic::test

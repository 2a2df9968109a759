#pragma once

#include "TestSupport.h"

#include <QProcess>

namespace qvic::test {

// A stand-in alert feed on loopback (tests/support/alert_feed_server.py, Python's standard
// library): it serves the files of root() as they are at each request, with ETag and
// Last-Modified, 304 to a conditional request for an unchanged file, and the fault modes
// below. Stopped when it goes out of scope.
class AlertFeedServer
{
public:
    enum class Mode {
        Normal,
        Huge,         // 200 and 100 MB
        Error,        // 500
        RedirectLoop, // 302 to itself, for ever
    };

    AlertFeedServer() = default;
    ~AlertFeedServer() { stop(); }
    AlertFeedServer(const AlertFeedServer &) = delete;
    AlertFeedServer &operator=(const AlertFeedServer &) = delete;

    // False, with errorString(), when it did not come to listen.
    bool start()
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("/usr/bin/python3"),
                        {QStringLiteral(QVIC_TEST_SUPPORT_DIR "/alert_feed_server.py"), QStringLiteral("--root"),
                         m_root.path(), QStringLiteral("--events"), m_work.filePath(QStringLiteral("events.log"))});
        m_port = readLineWithin(m_process, 30000).trimmed().toInt();
        if (m_port <= 0) {
            m_error = QStringLiteral("the alert feed server did not start: %1").arg(m_process.errorString());
            stop();
            return false;
        }
        return true;
    }
    QString errorString() const { return m_error; }

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // Switches the mode for the requests that follow.
    bool setMode(Mode mode)
    {
        const QByteArray name = modeName(mode);
        m_process.write("mode " + name + '\n');
        return readLineWithin(m_process, 5000).trimmed() == "ok " + name;
    }

    // The folder served; a file written there is served from the next request on.
    QString root() const { return m_root.path(); }
    QString url(const QString &file) const
    {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(m_port).arg(file);
    }
    // One line per request, oldest first: "GET /feed.xml 200", "GET /feed.xml 304 conditional".
    QStringList events() const
    {
        return QString::fromUtf8(readAll(m_work.filePath(QStringLiteral("events.log")))).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    static QByteArray modeName(Mode mode)
    {
        switch (mode) {
        case Mode::Normal: return "normal";
        case Mode::Huge: return "huge";
        case Mode::Error: return "error";
        case Mode::RedirectLoop: return "redirect-loop";
        }
        return "normal";
    }

    QTemporaryDir m_root;
    QTemporaryDir m_work;
    QProcess m_process;
    int m_port = 0;
    QString m_error;
};

} // namespace qvic::test

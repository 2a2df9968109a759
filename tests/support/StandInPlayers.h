#pragma once

#include "TestSupport.h"

#include <QProcess>

#include <algorithm>

#include <curl/curl.h>

namespace qvic::test {

// The players are reached through libcurl, readied once for the whole test as the program's main does.
inline const bool curlReady = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;

// Stand-in players on loopback, one port, root and fault each, all served by one process
// (tests/support/stand_in_player.py, pyftpdlib) with the player account qv7player / tk2harbor.
// Stopped when it goes out of scope.
class StandInPlayers
{
public:
    // What a player does wrong; the script's help tells each exactly. The cutting faults (Drop,
    // Reset, Stall) act once an upload goes past 64 KiB; Throttle reads at rate bytes a second.
    enum class Fault {
        None,             // a player as it should be
        Refused,          // 530 to every logon
        NeverGreets,      // accepts the connection, says nothing, ever
        Closed,           // nobody listens on the port
        Drop,             // closes the data and control connections (FIN) at 64 KiB
        Reset,            // resets both (RST) at 64 KiB
        Stall,            // stops reading at 64 KiB, both kept open; reads on once the client hangs up
        NoReplyAfterData, // takes an upload whole but never answers its end (226), nor anything after
        SilentAtQuit,     // answers everything but QUIT and keeps the connection
        NoSize,           // 502 to SIZE
        WrongSize,        // SIZE tells a byte less than the file holds
        NoRenameOver,     // 550 to RNTO onto an existing file
        NoRename,         // 553 to every RNTO
        NoRenamePart,     // 553 to RNTO of a file whose name ends in .part; other renames work
        Full,             // 552 to STOR
        Throttle,         // reads uploads at rate bytes a second
    };

    explicit StandInPlayers(QList<Fault> faults = {Fault::None}) : m_faults(std::move(faults)) {}
    ~StandInPlayers() { stop(); }
    StandInPlayers(const StandInPlayers &) = delete;
    StandInPlayers &operator=(const StandInPlayers &) = delete;

    // Set before start().
    void setRate(int bytesPerSecond) { m_rate = bytesPerSecond; }
    void setReplyDelayMs(int milliseconds) { m_replyDelayMs = milliseconds; }

    // Starts the players and waits until all listen; false, with errorString(), when not.
    bool start()
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Debian's python3: one earlier on PATH may lack pyftpdlib.
        m_process.start(QStringLiteral("/usr/bin/python3"), arguments());
        const QByteArray line = readLineWithin(m_process, 30000);
        for (const QByteArray &port : line.simplified().split(' '))
            if (port.toInt() > 0)
                m_ports.append(port.toInt());
        if (m_ports.size() != m_faults.size()) {
            m_error = QStringLiteral("the stand-in players did not start: ") + whyNotStarted(line);
            stop();
            return false;
        }
        if (!curlReady) {
            m_error = QStringLiteral("libcurl could not be initialised");
            return false;
        }
        return true;
    }
    QString errorString() const { return m_error; }

    void stop()
    {
        m_ports.clear();
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate(); // SIGTERM ends the script at once, whatever its players are doing
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // Switches a running player to another fault, from its next connection or command on.
    bool setFault(int player, Fault fault)
    {
        if (player < 0 || player >= size())
            return false;
        const QByteArray number = QByteArray::number(player);
        m_process.write("mode " + number + ' ' + name(fault) + '\n');
        if (readLineWithin(m_process, 5000).trimmed() != "ok " + number)
            return false;
        m_faults[player] = fault;
        return true;
    }

    int size() const { return int(m_faults.size()); }
    int port(int player = 0) const { return m_ports.value(player); }
    // As the program takes an address: "127.0.0.1:PORT".
    QString host(int player = 0) const { return QStringLiteral("127.0.0.1:") + QString::number(port(player)); }
    QStringList hosts() const
    {
        QStringList all;
        for (int player = 0; player < size(); ++player)
            all << host(player);
        return all;
    }
    // Holds the player's media/ and settings/.
    QString root(int player = 0) const { return m_root.filePath(QString::number(player)); }

    // One per event, oldest first: "connect", "command USER qv7player", "login qv7player",
    // "received /media/x.rtf.part", "incomplete /media/x.rtf.part",
    // "renamed /media/x.rtf.part /media/x.rtf", "deleted /media/x.rtf", "disconnect".
    QStringList events(int player = 0) const
    {
        const QByteArray log = readAll(m_work.filePath(QStringLiteral("%1.log").arg(player)));
        return QString::fromUtf8(log).split(u'\n', Qt::SkipEmptyParts);
    }
    int count(const QString &eventPrefix, int player = 0) const
    {
        const QStringList all = events(player);
        const auto matches = [&](const QString &event) { return event.startsWith(eventPrefix); };
        return int(std::count_if(all.cbegin(), all.cend(), matches));
    }
    // The command lines the player received, oldest first, as "STOR media/x.rtf.part" (PASS's
    // argument as "****").
    QStringList commands(int player = 0) const
    {
        static const QString prefix = QStringLiteral("command ");
        QStringList lines;
        for (const QString &event : events(player))
            if (event.startsWith(prefix))
                lines << event.mid(prefix.size());
        return lines;
    }

private:
    static const char *name(Fault fault)
    {
        switch (fault) {
        case Fault::None: return "normal";
        case Fault::Refused: return "refused";
        case Fault::NeverGreets: return "never-greets";
        case Fault::Closed: return "closed";
        case Fault::Drop: return "drop";
        case Fault::Reset: return "reset";
        case Fault::Stall: return "stall";
        case Fault::NoReplyAfterData: return "no-reply-after-data";
        case Fault::SilentAtQuit: return "silent-at-quit";
        case Fault::NoSize: return "no-size";
        case Fault::WrongSize: return "wrong-size";
        case Fault::NoRenameOver: return "no-rename-over";
        case Fault::NoRename: return "no-rename";
        case Fault::NoRenamePart: return "no-rename-part";
        case Fault::Full: return "full";
        case Fault::Throttle: return "throttle";
        }
        return "normal";
    }

    QStringList arguments() const
    {
        QStringList list{QStringLiteral(QVIC_TEST_SUPPORT_DIR "/stand_in_player.py"),
                         QStringLiteral("--root"), m_root.path(),
                         QStringLiteral("--events"), m_work.path(),
                         QStringLiteral("--rate"), QString::number(m_rate),
                         QStringLiteral("--reply-delay-ms"), QString::number(m_replyDelayMs)};
        for (const Fault fault : m_faults)
            list << QString::fromLatin1(name(fault));
        return list;
    }

    // The script tells its own reasons on the standard error, which the test's output shows.
    QString whyNotStarted(const QByteArray &line) const
    {
        if (m_process.state() == QProcess::NotRunning && m_process.error() != QProcess::FailedToStart)
            return QStringLiteral("the script ended with status %1").arg(m_process.exitCode());
        if (!line.isEmpty())
            return QStringLiteral("it printed \"%1\"").arg(QString::fromUtf8(line.trimmed()));
        return m_process.errorString();
    }

    QList<Fault> m_faults;
    int m_rate = 100000;
    int m_replyDelayMs = 0;
    QTemporaryDir m_root;
    QTemporaryDir m_work;
    QProcess m_process;
    QList<int> m_ports;
    QString m_error;
};

} // namespace qvic::test

#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace qvic::test {

// Several stand-in players on loopback, one port and one root each, all served by one
// process (tests/support/ftp_players.py, pyftpdlib) with the player account
// qv7player / tk2harbor. Stopped when it goes out of scope.
class FtpPlayers
{
public:
    enum class Mode {
        Normal,
        Refused,   // refuses every logon
        Silent,    // accepts connections and never greets
        Closed,    // a port nobody listens on
        NoSize,    // answers SIZE with 502
        NoRename,  // refuses RNTO onto an existing file
        ShortSize, // reports one byte less than it holds
        Throttled, // receives at rate bytes a second
    };

    explicit FtpPlayers(QList<Mode> modes) : m_modes(std::move(modes)) {}
    ~FtpPlayers() { stop(); }

    void setRate(int bytesPerSecond) { m_rate = bytesPerSecond; } // before start()
    // Starts them and waits until all listen; false, with errorString(), when not.
    bool start();
    void stop();
    // Switches a running player to another mode (not to or from Silent or Closed).
    bool setMode(int player, Mode mode);

    int size() const { return int(m_modes.size()); }
    QString host(int player) const; // "127.0.0.1:port"
    QStringList hosts() const;
    QString root(int player) const; // holds media/ and settings/
    // Oldest first: "connect", "login qv7player", "received /media/x.rtf.part",
    // "renamed /media/x.rtf.part /media/x.rtf", "deleted /media/x.rtf", "incomplete ...".
    QStringList events(int player) const;
    QString errorString() const { return m_error; }

private:
    QByteArray readLine(int timeoutMs);

    QList<Mode> m_modes;
    int m_rate = 100000;
    QTemporaryDir m_root, m_work;
    QProcess m_process;
    QList<int> m_ports;
    QString m_error;
};

} // namespace qvic::test

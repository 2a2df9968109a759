#pragma once

#include "StandInPlayers.h"
#include "TestSupport.h"

#include "commands/InstantFile.h"

namespace qvic::test {

inline const QString kShowingLobby = QStringLiteral("@START_INSTANT_CRAWL,Lobby.rtf,3600,none,0.25,3,0.5000,000000");

// A command file as the program writes it.
inline QByteArray commandFile(const QDateTime &when, const QString &message)
{
    return (timeStampLine(when) + QStringLiteral("\r\nMessage=") + message + QStringLiteral("\r\n")).toLatin1();
}

// Player 0 shows Lobby.rtf and player 1 was stopped, both since a minute ago, which is returned
// in whole seconds: the command file's time stamp holds no more.
inline QDateTime showOnFirstStopSecond(const StandInPlayers &players)
{
    QDateTime since = QDateTime::currentDateTime().addSecs(-60);
    since.setTime(QTime(since.time().hour(), since.time().minute(), since.time().second()));
    writeAll(players.root(0) + "/settings/Instant.txt", commandFile(since, kShowingLobby));
    writeAll(players.root(0) + "/media/Lobby.rtf", "{\\rtf1 Doors open\\par}");
    writeAll(players.root(1) + "/settings/Instant.txt", commandFile(since, "@STOP_INSTANT_CRAWL"));
    return since;
}

} // namespace qvic::test

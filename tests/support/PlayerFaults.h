#pragma once

#include "StandInPlayers.h"

#include "dispatch/SendRequest.h"

#include <QtTest>

namespace qvic::test {

// The one table of what a player can do wrong and how a start to it ends, run against the
// send engine; the windows' tests use its time limits and names. Faults other tests show are
// not repeated here: nobody listening (the command line's status test), a refused logon (the
// groups window), no greeting (the watch), a drop or reset (the send engine's cut
// connection), silence after the upload or at QUIT (its stuck players), a wrong SIZE and a
// slow player (the transfer window).
namespace faults {

using Fault = StandInPlayers::Fault;
using State = PlayerResult::State;

// Short limits, so that a silent player fails in a second and a stalled one in two.
inline const SendTimeLimits kLimits{std::chrono::milliseconds(1000), std::chrono::seconds(1),
                                    std::chrono::seconds(2)};
inline const QByteArray kOlder = "{\\rtf1 Yesterday's crawl\\par}";
inline const QString kPart = QStringLiteral("received /media/Lobby.rtf.part");
inline const QString kRenamed = QStringLiteral("renamed /media/Lobby.rtf.part /media/Lobby.rtf");
inline const QString kAside = QStringLiteral("renamed /media/Lobby.rtf /media/Lobby.rtf.old");
inline const QString kIncomplete = QStringLiteral("incomplete /media/Lobby.rtf.part");
inline const QString kCommand = QStringLiteral("received /settings/Instant.txt");
inline const QString kNotConnected = QStringLiteral("The IP Address is not connected.");

// Bytes that differ from place to place, so a shifted or cut copy never compares equal.
inline QByteArray crawl(int size)
{
    QByteArray bytes = "{\\rtf1\\ansi ";
    for (int i = 0; bytes.size() < size - 1; ++i)
        bytes += "Doors open at " + QByteArray::number(i * 7919 % 100003) + "\\par ";
    bytes.truncate(size - 1);
    return bytes + '}';
}

// The files the player took, renamed or deleted, in order.
inline QStringList transfers(const QStringList &events)
{
    return events.filter(QRegularExpression(QStringLiteral("^(received|incomplete|renamed|deleted) ")));
}

// fault: the player's; size: the crawl document's; state: how the player ends; words: the
// failure as the operator reads it (or its beginning, up to the player's own words); note: how
// the document got there; transfers: what the player logged.
inline void addRows()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("size");
    QTest::addColumn<State>("state");
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("note");
    QTest::addColumn<QStringList>("transfers");

    const int small = 20000;
    const int large = 1 << 20;
    const QString renameRefused
        = QStringLiteral("Error transferring file.\r\nFTP Error: 21\r\nErr Desp: "
                         "media\\Lobby.rtf could not be renamed (the player answered \"553 ");
    QTest::newRow("stalls mid-document")
        << Fault::Stall << large << State::Failed << kNotConnected << "" << QStringList{kIncomplete};
    QTest::newRow("no SIZE")
        << Fault::NoSize << small << State::DeliveredNotVerified << "" << ""
        << QStringList{kPart, kRenamed, kCommand};
    QTest::newRow("no rename over a file")
        << Fault::NoRenameOver << small << State::Delivered << "" << "replaced by delete and rename"
        << QStringList{kPart, kAside, kRenamed, "deleted /media/Lobby.rtf.old", kCommand};
    // The player is never left without the document it shows.
    QTest::newRow("refuses every rename")
        << Fault::NoRename << small << State::Failed << renameRefused << "" << QStringList{kPart};
    QTest::newRow("refuses to rename the new document")
        << Fault::NoRenamePart << small << State::Failed << renameRefused << ""
        << QStringList{kPart, kAside, "renamed /media/Lobby.rtf.old /media/Lobby.rtf"};
    QTest::newRow("disk full")
        << Fault::Full << small << State::Failed
        << "Error transferring file.\r\nFTP Error: 25\r\nErr Desp: " << "" << QStringList{};
}

// Whether the words the operator read are those of the row: all of them, or their
// beginning where the row ends before the player's own words (": " or a quote).
inline bool wordsMatch(const QString &words, const QString &expected)
{
    const bool beginning = expected.endsWith(QStringLiteral(": "))
                           || expected.endsWith(QStringLiteral("\"553 "));
    if (beginning)
        return words.startsWith(expected);
    return words == expected;
}

} // namespace faults
} // namespace qvic::test

Q_DECLARE_METATYPE(qvic::test::StandInPlayers::Fault)
Q_DECLARE_METATYPE(qvic::PlayerResult::State)

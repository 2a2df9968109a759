#include "TestSupport.h"

#include "dispatch/PlayerStatus.h"

#include <QtTest>

using namespace qvic;

namespace {

using State = PlayerStatus::State;

const QByteArray kStart = "Time=12/07/2026 09:00:00 AM\r\n"
                          "Message=@START_INSTANT_CRAWL,Lobby.rtf,3600,none,0.25,3,0.5000,000000\r\n";
const QByteArray kStop = "Time=12/07/2026 09:30:00 AM\r\nMessage=@STOP_INSTANT_CRAWL\r\n";

QDateTime at(int hour, int minute)
{
    return QDateTime(QDate(2026, 12, 7), QTime(hour, minute), Qt::LocalTime);
}

// A read that found bytes, and the document's size (-1: the player does not tell).
PlayerResult readFinding(const QByteArray &bytes, qint64 documentSize = 20000)
{
    PlayerResult read;
    read.player = QStringLiteral("10.0.0.5");
    read.state = PlayerResult::State::Delivered;
    PlayerReading reading;
    reading.bytes = bytes;
    if (documentSize >= 0)
        reading.measuredSize = documentSize;
    read.reading = reading;
    return read;
}

} // namespace

Q_DECLARE_METATYPE(PlayerStatus::State)

// What a player's command file says it shows: the states and their words, and command files
// that come from elsewhere, read as the untrusted input they are. A missing document, a file
// too large and a player that holds something else than was last sent are the command line's
// status test, against stand-in players.
class tst_PlayerStatus : public QObject
{
    Q_OBJECT

private slots:
    void commandFileFromPlayer_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("why"); // empty: a command file of the program's

        QTest::newRow("lines ending in CR alone")
            << QByteArray("Time=12/07/2026 09:30:00 AM\rMessage=@STOP_INSTANT_CRAWL\r")
            << "the command file's lines end in CR alone, which the program never writes";
        QTest::newRow("UTF-16") << QByteArray("\xFF\xFET\0i\0m\0e\0", 10)
                                << "the command file is UTF-16 text, not the Windows-1252 the program writes";
        QTest::newRow("binary") << QByteArray("Time=\x01\x02\x03\r\n", 10) << "the command file holds binary bytes";
        QTest::newRow("no time stamp") << QByteArray("Time=yesterday\r\nMessage=@STOP_INSTANT_CRAWL\r\n")
                                       << "its first line \"Time=yesterday\" is no time stamp of the program";
        QTest::newRow("another program's command")
            << QByteArray("Time=12/07/2026 09:30:00 AM\r\nMessage=@PLAY_VIDEO,intro.mp4\r\n")
            << "it holds a command the program does not write: \"@PLAY_VIDEO,intro.mp4\"";
        QTest::newRow("document with a path")
            << QByteArray("Time=12/07/2026 09:30:00 AM\r\nMessage=@START_INSTANT_CRAWL,..\\settings\\Instant.txt,1,a,b,c,d,e\r\n")
            << "its start names the document \"..\\settings\\Instant.txt\", with a path or characters no file name holds";
    }

    // Only what the program writes is read as a command; anything else is told in words.
    void commandFileFromPlayer()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, why);
        QString found;
        const std::optional<CommandFile> file = readCommandFile(bytes, &found);
        QCOMPARE(file.has_value(), why.isEmpty());
        QCOMPARE(found, why);
    }

    void stateOfPlayer_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qlonglong>("documentSize"); // -1: the player does not tell
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<State>("state");
        QTest::addColumn<QString>("document");
        QTest::addColumn<QDateTime>("since");
        QTest::addColumn<QDateTime>("until");
        QTest::addColumn<QString>("details");

        QTest::newRow("no SIZE") << kStart << -1LL << at(9, 30) << State::Showing << "Lobby.rtf" << at(9, 0) << at(10, 0)
                                 << "the player does not tell whether the document is there";
        QTest::newRow("stamp in the future") << kStop << -1LL << at(9, 0) << State::Stopped << "" << at(9, 30) << QDateTime()
                                             << "its time stamp " + at(9, 30).toString(Qt::ISODate) + " lies in the future";
        QTest::newRow("Kite-7 device command")
            << QByteArray("Time=12/07/2026 09:30:01 AM\r\nMessage=@INSTANT_EVENT_COMMAND,$Event,1\r\n") << -1LL << at(10, 0)
            << State::Unknown << "" << QDateTime(QDate(2026, 12, 7), QTime(9, 30, 1)) << QDateTime()
            << "a Kite-7 device command: \"@INSTANT_EVENT_COMMAND,$Event,1\"";
        QTest::newRow("dwell of 1E+80 seconds")
            << QByteArray("Time=12/07/2026 09:00:00 AM\r\nMessage=@START_INSTANT_CRAWL,Lobby.rtf,1E+80,none,0,3,0,0\r\n")
            << 20000LL << at(9, 30) << State::Showing << "Lobby.rtf" << at(9, 0)
            << at(9, 0).addSecs(300LL * 365 * 24 * 3600) << "";
    }

    // The state, document, times and words of a player from what its read found.
    void stateOfPlayer()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qlonglong, documentSize);
        QFETCH(QDateTime, now);
        const PlayerStatus status = statusOf(readFinding(bytes, documentSize), now, {});
        QTEST(status.state, "state");
        QTEST(status.document, "document");
        QTEST(status.since.value_or(QDateTime()), "since");
        QTEST(status.until.value_or(QDateTime()), "until");
        QTEST(status.details, "details");
    }
};

QTEST_GUILESS_MAIN(tst_PlayerStatus)
#include "tst_playerstatus.moc"

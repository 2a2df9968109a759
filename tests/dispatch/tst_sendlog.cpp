#include "TestSupport.h"

#include "dispatch/SendLog.h"

#include <QtTest>

#include <latch>
#include <thread>
#include <vector>

using namespace qvic;
using namespace qvic::test;
using State = PlayerResult::State;

namespace {

const QString kSettings = "Message=@START_INSTANT_CRAWL,Lobby.rtf,3600,none,0.00,3,0.0000,000000";

PlayerResult player(const QString &address, State state, qint64 verified = 0, const QString &words = {})
{
    PlayerResult result;
    result.player = address;
    result.state = state;
    result.bytesVerified = verified;
    result.words = words;
    return result;
}

const QByteArray kHeader = "time,action,document,settings,player,outcome,bytes verified,alert\r\n";

// Two sends: a start to three players, then a Kite-7 stop whose document and player would
// run as formulas in a spreadsheet.
void appendTwoSends(const QString &path)
{
    QDateTime when(QDate(2026, 12, 6), QTime(22, 15, 3), Qt::OffsetFromUTC, 3600);
    SendLog log(path, [&when] { return when; });
    const QString twoLines = "Can't logon to this IP Address\nsecond line";
    const QList<PlayerResult> three{player("10.0.0.5", State::Delivered, 4096),
                                    player("[::1]:2100", State::DeliveredNotVerified, 0),
                                    player("10.0.0.7", State::Failed, 0, twoLines)};
    QVERIFY(log.append(DeliveryAction::Start, "Lobby, \"new\".rtf", kSettings, three));
    when = QDateTime(QDate(2026, 12, 7), QTime(1, 2, 3), Qt::OffsetFromUTC, -(3 * 3600 + 1800));
    const QList<PlayerResult> two{player("ünï.local", State::Delivered, 120),
                                  player("'-1", State::Delivered, 5)};
    QVERIFY(log.append(DeliveryAction::Kite7Stop, "=HYPERLINK(1).rtf", {}, two));
}

} // namespace

class tst_SendLog : public QObject
{
    Q_OBJECT

private slots:
    void appendWritesCsvWithOffsets();
    void readSkipsOnlyBrokenLines();
    void appendCutShortLeavesTheLogAsItWas();
    void appendsAtOnceToANewLogWriteOneHeader();

private:
    TempDirs m_dirs;
};

// A field a spreadsheet would run as a formula is written as text, behind an apostrophe.
void tst_SendLog::appendWritesCsvWithOffsets()
{
    const QString path = m_dirs.appDir() + "/written/sendlog.csv";
    appendTwoSends(path);
    const QByteArray start
        = "2026-12-06T22:15:03+01:00,start,\"Lobby, \"\"new\"\".rtf\",\"" + kSettings.toUtf8() + "\",";
    const QByteArray stop = "2026-12-07T01:02:03-03:30,kite7 stop,'=HYPERLINK(1).rtf,,";
    QCOMPARE(readAll(path),
             kHeader
                 + start + "10.0.0.5,delivered,4096,\r\n"
                 + start + "[::1]:2100,\"delivered, not verified\",0,\r\n"
                 + start + "10.0.0.7,\"failed: Can't logon to this IP Address\nsecond line\",0,\r\n"
                 + stop + "\xc3\xbcn\xc3\xaf.local,delivered,120,\r\n"
                 + stop + "''-1,delivered,5,\r\n");
}

// A line cut short by hand, a stray quote and a missing column cost only themselves.
void tst_SendLog::readSkipsOnlyBrokenLines()
{
    const QString path = m_dirs.appDir() + "/read/sendlog.csv";
    appendTwoSends(path);
    writeAll(path, readAll(path)
                       + "2026-12-08T00:00:00+00:00,stop,\"Cut.rtf\r\n"
                         "x,y\"z,1\r\n"
                         "only,six,fields,a,b,c\r\n"
                         "2026-12-08T00:00:01+00:00,stop,Ok.rtf,,10.0.0.9,delivered,7\r\n");

    const SendLog::Contents contents = SendLog::read(path);

    QCOMPARE(contents.error, QString());
    QCOMPARE(contents.skipped, 3);
    QCOMPARE(contents.rows.size(), 6);
    const SendLogRow &failed = contents.rows[2];
    QCOMPARE(failed.document, "Lobby, \"new\".rtf");
    QCOMPARE(failed.settings, kSettings);
    QCOMPARE(failed.player, "10.0.0.7");
    QCOMPARE(failed.outcome, "failed: Can't logon to this IP Address\nsecond line");
    QCOMPARE(contents.rows[3].player, "ünï.local");
    QCOMPARE(contents.rows[3].bytesVerified, qint64(120));
    QCOMPARE(contents.rows[3].document, "=HYPERLINK(1).rtf");
    QCOMPARE(contents.rows[4].player, "'-1");
    QCOMPARE(contents.rows[5].document, "Ok.rtf");
}

// The lines go in whole or not at all: a write the file size limit cuts short is taken out again.
void tst_SendLog::appendCutShortLeavesTheLogAsItWas()
{
    const QString path = m_dirs.appDir() + "/cut/sendlog.csv";
    SendLog log(path);
    const QList<PlayerResult> one{player("10.0.0.5", State::Delivered, 4096)};
    QVERIFY(log.append(DeliveryAction::Start, "Lobby.rtf", kSettings, one));
    const QByteArray before = readAll(path);
    const QList<PlayerResult> two{player("10.0.0.5", State::Delivered, 48),
                                  player("10.0.0.6", State::Delivered, 48)};
    QString error;
    bool appended = true;
    {
        // Room for part of the first new line only.
        const FileSizeLimit limit(before.size() + 40);
        QVERIFY(limit.isSet());
        appended = log.append(DeliveryAction::Stop, "Lobby.rtf", {}, two, &error);
    }

    QVERIFY(!appended);
    QCOMPARE(error, "Cannot add to " + path + ": File too large");
    QCOMPARE(readAll(path), before);
}

// Sends that end at once each append to the log through a file opened for them alone, as
// separate processes do; on a new log only the first writes the header, and every line is whole.
void tst_SendLog::appendsAtOnceToANewLogWriteOneHeader()
{
    constexpr int appenders = 8;
    // The appenders race for the header only while the log is new: many new logs give the race
    // many chances.
    for (int round = 0; round < 500; ++round) {
        const QString path = m_dirs.appDir() + QStringLiteral("/race/sendlog-%1.csv").arg(round);
        std::latch ready(appenders);
        std::vector<std::thread> threads;
        for (int i = 0; i < appenders; ++i) {
            threads.emplace_back([&, i] {
                // A log object and an open file of its own, as another process has.
                SendLog log(path);
                const QString address = QStringLiteral("10.0.0.%1").arg(i);
                ready.arrive_and_wait();
                log.append(DeliveryAction::Stop, {}, {}, {player(address, State::Delivered, 48)});
            });
        }
        for (std::thread &thread : threads)
            thread.join();

        const QByteArray bytes = readAll(path);
        const QString written = QStringLiteral("round %1 wrote:\n").arg(round) + QString::fromUtf8(bytes);
        QVERIFY2(bytes.startsWith(kHeader), qPrintable(written));
        QVERIFY2(bytes.count(kHeader) == 1, qPrintable(written));
        const SendLog::Contents contents = SendLog::read(path);
        QCOMPARE(contents.skipped, 0);
        QCOMPARE(contents.rows.size(), appenders);
    }
}

QTEST_GUILESS_MAIN(tst_SendLog)
#include "tst_sendlog.moc"

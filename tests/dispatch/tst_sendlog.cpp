#include "TestSupport.h"

#include "dispatch/SendLog.h"

#include <QtTest>

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
    void appendCutShortLeavesTheLogAsItWas();

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

QTEST_GUILESS_MAIN(tst_SendLog)
#include "tst_sendlog.moc"

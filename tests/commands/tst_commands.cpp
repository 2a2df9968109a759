#include "state/SharedState.h"
#include "commands/InstantFile.h"
#include "commands/Kite7Script.h"
#include "TestSupport.h"

using namespace qvic;

static const QByteArray kHead = "Time=12/04/2026 05:11:09 PM\r\nMessage=@INSTANT_EVENT_COMMAND,$Event,1,N,9600,N,8,1,\"";

class tst_Commands : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    SharedState m_state;
    static Clock clock() { return [] { return QDateTime(QDate(2026, 12, 4), QTime(17, 11, 9)); }; }
    QByteArray instant() const { return test::readAll(m_state.instantFile); }

private slots:
    void init()
    {
        m_state = SharedState();
        setKite7Defaults(m_state);
        m_state.instantFile = m_dir.filePath("Settings/Instant.txt");
        m_state.currentFilePath = m_dir.filePath("RTF/QVInstantCrawl.rtf"), m_state.currentFileName = QStringLiteral("QVInstantCrawl.rtf");
    }

    void startAndStop_data()
    {
        // settings: "-" for no settings file; line2: empty when the builder must fail
        test::columns<QString, QByteArray, QByteArray>("message", "settings", "line2");
        const QString start = kStartInstantCrawl;
        const QByteArray with = "Message=@START_INSTANT_CRAWL,QVInstantCrawl.rtf,";
        QTest::newRow("worked 2") << start << QByteArray("3600,0x000000,0.25,3,0.2000,0\r\n") << with + "3600,0x000000,0.25,3,0.2000,000000";
        QTest::newRow("white") << start << QByteArray("90,none,0.0,-2,1.0,16777215\r\n") << with + "90,none,0.0,-2,1.0,FFFFFF";
        QTest::newRow("red, quoted, two lines") << start << QByteArray("\"90\", none ,0.0\n-2,1.0,\"255\"") << with + "90,none,0.0,-2,1.0,0000FF";
        QTest::newRow("top") << start << QByteArray("1,a,b,c,d,2147483647") << with + "1,a,b,c,d,7FFFFFFF";
        QTest::newRow("negative") << start << QByteArray("1,a,b,c,d,-1") << with + "1,a,b,c,d,FFFFFFFF";
        QTest::newRow("above range") << start << QByteArray("1,a,b,c,d,2147483648") << QByteArray();
        QTest::newRow("five fields") << start << QByteArray("1,a,b,c,d\r\n") << QByteArray();
        QTest::newRow("line break in quotes") << start << QByteArray("\"3600\r\nMessage=@STOP_INSTANT_CRAWL\",none,0.0,3,0.0,0") << QByteArray();
        QTest::newRow("line break in the message") << "@STOP_INSTANT_CRAWL\r\nMessage=@START_INSTANT_CRAWL" << QByteArray("-") << QByteArray();
        QTest::newRow("no settings, as for Untitled") << start << QByteArray("-") << QByteArray();
        QTest::newRow("stop, 58 bytes") << kStopInstantCrawl << QByteArray("-") << QByteArray("Message=@STOP_INSTANT_CRAWL");
        QTest::newRow("trailing blank") << "@START_INSTANT_CRAWL " << QByteArray("1,a,b,c,d,0") << QByteArray("Message=@START_INSTANT_CRAWL ");
    }

    void startAndStop()
    {
        auto [message, settings, line2] = test::fetch<QString, QByteArray, QByteArray>("message", "settings", "line2");
        const QString settingsPath = m_dir.filePath("RTF/QVInstantCrawl.inst");
        QFile::remove(settingsPath);
        if (settings != "-")
            test::writeAll(settingsPath, settings);
        test::writeAll(m_state.instantFile, "former\r\n"); // never appended to, kept on failure
        QString error;
        QCOMPARE(createInstantFile(message, m_state, clock(), &error), !line2.isEmpty());
        QCOMPARE(error.isEmpty(), !line2.isEmpty());
        QCOMPARE(instant(), line2.isEmpty() ? QByteArray("former\r\n") : "Time=12/04/2026 05:11:09 PM\r\n" + line2 + "\r\n");
    }

    // Local time on a 12-hour clock.
    void timeStamp()
    {
        const QDate day(2026, 1, 9);
        QCOMPARE(timeStampLine(QDateTime(day, QTime(0, 0)).toUTC()), "Time=01/09/2026 12:00:00 AM");
        QCOMPARE(timeStampLine(QDateTime(day, QTime(12, 0))), "Time=01/09/2026 12:00:00 PM");
    }

    // Eight blocks of groups joined by the five-byte spacer, in one event command.
    void kite7_data()
    {
        // message: null: the stop; text: as the script carries it; size: of the worked examples
        test::columns<QString, QByteArray, int>("message", "text", "size");
        QTest::newRow("start, worked example") << "WELCOME" << QByteArray("WELCOME") << 1105;
        QTest::newRow("stop, worked example") << QString() << QByteArray() << 305;
        QTest::newRow("two lines") << "FIRST\r\nSECOND" << QByteArray("FIRST\x14\nSECOND") << 0;
        QTest::newRow("shaping characters dropped") << QString::fromLatin1("a<b>c`d@e;f,g\"h \xe9\x01") << QByteArray("abcdefgh \xe9\x01") << 0;
    }

    void kite7()
    {
        auto [message, text, size] = test::fetch<QString, QByteArray, int>("message", "text", "size");
        m_state.kite7Message = message;
        QVERIFY(message.isNull() ? createKite7StopCrawlMsg(m_state, clock()) : createKite7Msg(m_state, clock()));
        QByteArrayList groups;
        for (char block = '0'; block <= '7'; ++block) {
            const QByteArray mark = QByteArray("\x01") + block;
            if (message.isNull())
                groups << mark << "@stop crawl;";
            else
                groups << mark + "@stop crawl;" << mark << "@crawl position,200;" << "@Slow;" << "@begin,250;" << text + "@end;" << "@show,250,128;";
        }
        QCOMPARE(instant(), kHead + "<" + groups.join(">`0.1`<") + ">\"\r\n");
        QVERIFY(size == 0 || instant().size() == size);
    }

    // The Kite-7 builders' failures are the Kite-7 tests' messages.
    void unwritable()
    {
        QFile::remove(m_state.instantFile);
        QVERIFY(QDir().mkpath(m_state.instantFile));
        QString error;
        QVERIFY(!createInstantFile(kStopInstantCrawl, m_state, clock(), &error));
        QVERIFY(error.contains(m_state.instantFile));
    }

    // Which document names the start command can carry to the player.
    void documentNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("fits");
        QTest::newRow("comma") << "East, West.rtf" << false;
        QTest::newRow("outside Windows-1252") << QString::fromUtf8("Ωmega.rtf") << false;
        QTest::newRow("Windows-1252 letters") << QString::fromUtf8("Café € lobby.rtf") << true;
    }

    void documentNames() { QFETCH(QString, name); QTEST(documentNameFitsCommand(name), "fits"); }
};

QTEST_GUILESS_MAIN(tst_Commands)
#include "tst_commands.moc"

#include "state/SharedState.h"
#include "commands/InstantFile.h"
#include "commands/Kite7Script.h"
#include "TestSupport.h"

using namespace qvic;

namespace {

QDateTime fixedTime()
{
    return QDateTime(QDate(2026, 12, 4), QTime(17, 11, 9));
}

// The start of "WELCOME" with the Kite-7 dialog's defaults (COM 1, position 200, Slow,
// repeated 128 times): eight blocks, each stopped, then given its crawl.
const QByteArray kKite7StartWelcome
    = "Time=12/04/2026 05:11:09 PM\r\n"
      "Message=@INSTANT_EVENT_COMMAND,$Event,1,N,9600,N,8,1,\""
      "<\x01" "0@stop crawl;>`0.1`<\x01" "0>`0.1`<@crawl position,200;>`0.1`<@Slow;>`0.1`"
      "<@begin,250;>`0.1`<WELCOME@end;>`0.1`<@show,250,128;>`0.1`"
      "<\x01" "1@stop crawl;>`0.1`<\x01" "1>`0.1`<@crawl position,200;>`0.1`<@Slow;>`0.1`"
      "<@begin,250;>`0.1`<WELCOME@end;>`0.1`<@show,250,128;>`0.1`"
      "<\x01" "2@stop crawl;>`0.1`<\x01" "2>`0.1`<@crawl position,200;>`0.1`<@Slow;>`0.1`"
      "<@begin,250;>`0.1`<WELCOME@end;>`0.1`<@show,250,128;>`0.1`"
      "<\x01" "3@stop crawl;>`0.1`<\x01" "3>`0.1`<@crawl position,200;>`0.1`<@Slow;>`0.1`"
      "<@begin,250;>`0.1`<WELCOME@end;>`0.1`<@show,250,128;>`0.1`"
      "<\x01" "4@stop crawl;>`0.1`<\x01" "4>`0.1`<@crawl position,200;>`0.1`<@Slow;>`0.1`"
      "<@begin,250;>`0.1`<WELCOME@end;>`0.1`<@show,250,128;>`0.1`"
      "<\x01" "5@stop crawl;>`0.1`<\x01" "5>`0.1`<@crawl position,200;>`0.1`<@Slow;>`0.1`"
      "<@begin,250;>`0.1`<WELCOME@end;>`0.1`<@show,250,128;>`0.1`"
      "<\x01" "6@stop crawl;>`0.1`<\x01" "6>`0.1`<@crawl position,200;>`0.1`<@Slow;>`0.1`"
      "<@begin,250;>`0.1`<WELCOME@end;>`0.1`<@show,250,128;>`0.1`"
      "<\x01" "7@stop crawl;>`0.1`<\x01" "7>`0.1`<@crawl position,200;>`0.1`<@Slow;>`0.1`"
      "<@begin,250;>`0.1`<WELCOME@end;>`0.1`<@show,250,128;>"
      "\"\r\n";

} // namespace

class tst_Commands : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_state = SharedState();
        setKite7Defaults(m_state);
        m_state.instantFile = m_dir.filePath("Settings/Instant.txt");
        m_state.currentFilePath = m_dir.filePath("RTF/QVInstantCrawl.rtf");
        m_state.currentFileName = QStringLiteral("QVInstantCrawl.rtf");
    }

    void commandLineFromSettingsFile_data()
    {
        QTest::addColumn<QByteArray>("settings");    // "-": no settings file
        QTest::addColumn<QByteArray>("commandLine"); // empty: the builder refuses

        const QByteArray with = "Message=@START_INSTANT_CRAWL,QVInstantCrawl.rtf,";
        QTest::newRow("colour number above the range")
            << QByteArray("1,a,b,c,d,2147483648") << QByteArray();
        QTest::newRow("five fields")
            << QByteArray("1,a,b,c,d\r\n") << QByteArray();
        // A line break would put a command line of its own into Instant.txt.
        QTest::newRow("line break in quotes")
            << QByteArray("\"3600\r\nMessage=@STOP_INSTANT_CRAWL\",none,0.0,3,0.0,0")
            << QByteArray();
        QTest::newRow("no settings file, as for an untitled crawl")
            << QByteArray("-") << QByteArray();
    }

    // The command file is the time stamp and the command line; a refused one leaves the former
    // file as it was, never appended to.
    void commandLineFromSettingsFile()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QByteArray, commandLine);
        const QString settingsPath = m_dir.filePath("RTF/QVInstantCrawl.inst");
        QFile::remove(settingsPath);
        if (settings != "-")
            test::writeAll(settingsPath, settings);
        test::writeAll(m_state.instantFile, "former\r\n");
        const bool built = !commandLine.isEmpty();
        QString error;

        QCOMPARE(createInstantFile(kStartInstantCrawl, m_state, fixedTime, &error), built);

        QCOMPARE(error.isEmpty(), built);
        if (built)
            QCOMPARE(instant(), "Time=12/04/2026 05:11:09 PM\r\n" + commandLine + "\r\n");
        else
            QCOMPARE(instant(), QByteArray("former\r\n"));
    }

    // 1105 bytes in all.
    void kite7StartFile()
    {
        m_state.kite7Message = QStringLiteral("WELCOME");
        QVERIFY(createKite7Msg(m_state, fixedTime));
        QCOMPARE(instant(), kKite7StartWelcome);
        QCOMPARE(instant().size(), 1105);
    }

    void kite7CarriesTextAsTheDeviceReadsIt_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("carried"); // in Windows-1252
        QTest::newRow("characters that shape the script dropped")
            << QString::fromLatin1("a<b>c`d@e;f,g\"h \xe9\x01") << QByteArray("abcdefgh \xe9\x01");
    }

    // Every one of the eight blocks crawls the text.
    void kite7CarriesTextAsTheDeviceReadsIt()
    {
        QFETCH(QString, message);
        QFETCH(QByteArray, carried);
        m_state.kite7Message = message;
        QVERIFY(createKite7Msg(m_state, fixedTime));
        QCOMPARE(instant().count("`0.1`<" + carried + "@end;>`0.1`"), 8);
    }

private:
    QByteArray instant() const { return test::readAll(m_state.instantFile); }

    QTemporaryDir m_dir;
    SharedState m_state;
};

QTEST_GUILESS_MAIN(tst_Commands)
#include "tst_commands.moc"

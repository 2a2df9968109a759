#include "alerts/AlertCrawl.h"
#include "alerts/AlertLooks.h"
#include "compose/CrawlSettings.h"
#include "TestSupport.h"

using namespace qvic;
using namespace qvic::test;

namespace {

// What a look is, in one line: the settings line it writes (screen height 600), then the text's font.
QString described(const AlertLook &look)
{
    return settingsFields(look.settings, 600).line()
           + QStringLiteral(" key=%1 %2 %3pt %4 %5")
                 .arg(look.settings.colorKey, look.fontFamily)
                 .arg(look.pointSize)
                 .arg(look.textColor, 6, 16, QLatin1Char('0'))
                 .arg(look.bold ? "bold" : "regular");
}

CapInfo severeInfo()
{
    CapInfo info;
    info.event = "Tornado Warning";
    info.severity = CapSeverity::Severe;
    info.headline = "Tornado Warning for Green County";
    info.description = "A tornado was sighted near Elm Creek.";
    info.instruction = "Take shelter now.";
    return info;
}

// Why the looks were refused; empty when they were read.
QString refusalOf(const std::variant<AlertLooks, QString> &read)
{
    const auto *refusal = std::get_if<QString>(&read);
    return refusal ? *refusal : QString();
}

const QDateTime kNow(QDate(2026, 12, 7), QTime(9, 0, 0), Qt::OffsetFromUTC, -6 * 3600);

} // namespace

class tst_AlertLooks : public QObject
{
    Q_OBJECT

private slots:
    void builtInLooks_data();
    void builtInLooks();
    void fileChangesLooks_data();
    void fileChangesLooks();
    void badFileRefusedWithLineAndKey_data();
    void badFileRefusedWithLineAndKey();
    void installedExampleReads();
    void severeCrawlIsWhiteBoldOnRed();
    void moderateCrawlIsBlackBoldOnAmber();
    void dwellRunsUntilExpiry_data();
    void dwellRunsUntilExpiry();
    void textPlayersCannotShowIsRefused();

private:
    TempDirs m_dirs;
};

void tst_AlertLooks::builtInLooks_data()
{
    QTest::addColumn<CapSeverity>("severity");
    QTest::addColumn<QString>("look");
    // Dwell 60 minutes, no colour key, speed 3, at the top; the background as a colour value.
    QTest::newRow("Extreme") << CapSeverity::Extreme
                             << "3600,none,0.00,3,0.0000,255 key= Times New Roman 30pt ffffff bold";
    QTest::newRow("Severe") << CapSeverity::Severe
                            << "3600,none,0.00,3,0.0000,255 key= Times New Roman 30pt ffffff bold";
    QTest::newRow("Moderate") << CapSeverity::Moderate
                              << "3600,none,0.00,3,0.0000,49151 key= Times New Roman 30pt 000000 bold";
    QTest::newRow("Minor") << CapSeverity::Minor
                           << "3600,none,0.00,3,0.0000,0 key= Times New Roman 30pt ffffff bold";
    QTest::newRow("Unknown") << CapSeverity::Unknown
                             << "3600,none,0.00,3,0.0000,0 key= Times New Roman 30pt ffffff bold";
}

void tst_AlertLooks::builtInLooks()
{
    QFETCH(CapSeverity, severity);
    QFETCH(QString, look);
    QCOMPARE(described(AlertLooks().lookFor(severity)), look);
}

void tst_AlertLooks::fileChangesLooks_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<CapSeverity>("severity");
    QTest::addColumn<QString>("look");
    QTest::newRow("own section, colours as RRGGBB")
        << QByteArray("[Severe]\nBackground = 800000\nTextColor=#FFFF00\nBold = no\n") << CapSeverity::Severe
        << "3600,none,0.00,3,0.0000,128 key= Times New Roman 30pt 00ffff regular";
    QTest::newRow("default stands for every severity")
        << QByteArray("; site look\r\n[Default]\r\nFont = Liberation Sans\r\nSize = 40\r\nSpeed=-2\r\n")
        << CapSeverity::Extreme << "3600,none,0.00,-2,0.0000,255 key= Liberation Sans 40pt ffffff bold";
    QTest::newRow("own section beats default")
        << QByteArray("[Minor]\nDwell = 5\n[default]\nDwell = 20\nLocation = 300\n") << CapSeverity::Minor
        << "300,none,0.00,3,0.5000,0 key= Times New Roman 30pt ffffff bold";
    QTest::newRow("transparent keys the background")
        << QByteArray("[moderate]\ntransparent = yes\ntransparency = 25\n") << CapSeverity::Moderate
        << "3600,0x00BFFF,0.25,3,0.0000,49151 key=00BFFF Times New Roman 30pt 000000 bold";
    QTest::newRow("other sections leave it")
        << QByteArray("\xef\xbb\xbf[Extreme]\nBackground = 00FF00\n") << CapSeverity::Severe
        << "3600,none,0.00,3,0.0000,255 key= Times New Roman 30pt ffffff bold";
}

void tst_AlertLooks::fileChangesLooks()
{
    QFETCH(QByteArray, file);
    QFETCH(CapSeverity, severity);
    QFETCH(QString, look);
    const QString path = m_dirs.root.filePath("looks.ini");
    writeAll(path, file);
    const auto read = AlertLooks::read(path);
    QCOMPARE(refusalOf(read), QString());
    QCOMPARE(described(std::get<AlertLooks>(read).lookFor(severity)), look);
}

void tst_AlertLooks::badFileRefusedWithLineAndKey_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("refusal"); // after the file's path
    QTest::newRow("unknown section")
        << QByteArray("[Severe]\n[Severest]\n") << ", line 2: [Severest] is no section of a looks file "
                                                   "(Extreme, Severe, Moderate, Minor, Unknown, Default)";
    QTest::newRow("unknown key")
        << QByteArray("[Severe]\nColour = FF0000\n")
        << ", line 2: Colour is no key of a look (Dwell, Background, Transparent, Transparency, Speed, "
           "Location, TextColor, Bold, Font, Size)";
    QTest::newRow("colour as a name")
        << QByteArray("[Minor]\n\nBackground = red\n")
        << ", line 3: Background = red is not six hexadecimal digits RRGGBB, like FFBF00";
    QTest::newRow("speed out of range")
        << QByteArray("[Default]\nSpeed = 9\n") << ", line 2: Speed = 9 is not a whole number from -8 to 8";
    QTest::newRow("dwell zero") << QByteArray("[Extreme]\nDwell = 0\n")
                                << ", line 2: Dwell = 0 is not whole minutes from 1 to 1440";
    QTest::newRow("bold maybe") << QByteArray("[Extreme]\nBold = maybe\n") << ", line 2: Bold = maybe is not yes or no";
    QTest::newRow("key before a section")
        << QByteArray("Dwell = 5\n") << ", line 1: Dwell stands before any [section]";
    QTest::newRow("no equals sign")
        << QByteArray("[Severe]\nDwell 5\n") << ", line 2: \"Dwell 5\" is neither a [section] nor KEY = VALUE";
}

void tst_AlertLooks::badFileRefusedWithLineAndKey()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, refusal);
    const QString path = m_dirs.root.filePath("bad-looks.ini");
    writeAll(path, file);
    const auto read = AlertLooks::read(path);
    QCOMPARE(refusalOf(read), path + refusal);
}

// The commented example the package installs is a looks file the program takes.
void tst_AlertLooks::installedExampleReads()
{
    const auto read = AlertLooks::read(QVIC_TEST_SUPPORT_DIR "/../../packaging/examples/alert-looks.ini");
    QCOMPARE(refusalOf(read), QString());
    QCOMPARE(described(std::get<AlertLooks>(read).lookFor(CapSeverity::Minor)),
             "3600,none,0.00,3,0.0000,6697728 key= Liberation Sans 36pt ffffff regular");
}

// What players receive as the crawl document and what its settings file holds, for the
// window's screen height of 600.
void tst_AlertLooks::severeCrawlIsWhiteBoldOnRed()
{
    CapInfo info = severeInfo();
    info.expires = kNow.addSecs(45 * 60);
    const auto crawl = alertCrawl(info, AlertLooks().lookFor(CapSeverity::Severe), kNow);
    QVERIFY(std::holds_alternative<AlertCrawl>(crawl));
    const AlertCrawl &made = std::get<AlertCrawl>(crawl);
    QCOMPARE(made.document, QByteArray("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n"
                                       "{\\fonttbl{\\f0\\fnil\\fcharset0 Times New Roman;}}\n"
                                       "{\\colortbl;\\red255\\green255\\blue255;}\n"
                                       "\\pard\\f0\\fs60\\cf1\\b Tornado Warning for Green County: A tornado "
                                       "was sighted near Elm Creek. Take shelter now.\\par\n"
                                       "}\n"));
    QCOMPARE(settingsFields(made.settings, 600).line(), "2700,none,0.00,3,0.0000,255");
}

void tst_AlertLooks::moderateCrawlIsBlackBoldOnAmber()
{
    CapInfo info;
    info.event = "Frost Advisory";
    info.severity = CapSeverity::Moderate;
    info.description = "Frost on paths until 10 a.m.";
    const auto crawl = alertCrawl(info, AlertLooks().lookFor(CapSeverity::Moderate), kNow);
    QVERIFY(std::holds_alternative<AlertCrawl>(crawl));
    const AlertCrawl &made = std::get<AlertCrawl>(crawl);
    QCOMPARE(made.document, QByteArray("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n"
                                       "{\\fonttbl{\\f0\\fnil\\fcharset0 Times New Roman;}}\n"
                                       "{\\colortbl;\\red0\\green0\\blue0;}\n"
                                       "\\pard\\f0\\fs60\\cf1\\b Frost Advisory: Frost on paths until 10 a.m.\\par\n"
                                       "}\n"));
    // No expiry: the look's dwell, an hour.
    QCOMPARE(settingsFields(made.settings, 600).line(), "3600,none,0.00,3,0.0000,49151");
}

void tst_AlertLooks::dwellRunsUntilExpiry_data()
{
    QTest::addColumn<qint64>("secondsLeft");
    QTest::addColumn<QString>("dwell"); // minutes
    QTest::newRow("whole minutes") << qint64(30 * 60) << "30";
    QTest::newRow("a second past rounds up") << qint64(30 * 60 + 1) << "31";
    QTest::newRow("under a minute is one") << qint64(10) << "1";
    QTest::newRow("already over is one") << qint64(-120) << "1";
}

void tst_AlertLooks::dwellRunsUntilExpiry()
{
    QFETCH(qint64, secondsLeft);
    QFETCH(QString, dwell);
    CapInfo info = severeInfo();
    info.expires = kNow.addSecs(secondsLeft);
    const auto crawl = alertCrawl(info, AlertLooks().lookFor(CapSeverity::Severe), kNow);
    QVERIFY(std::holds_alternative<AlertCrawl>(crawl));
    QCOMPARE(std::get<AlertCrawl>(crawl).settings.dwell, dwell);
}

void tst_AlertLooks::textPlayersCannotShowIsRefused()
{
    CapInfo info = severeInfo();
    info.headline = QString::fromUtf8("Tornado \xe2\x98\x85 warning"); // a star has no Windows-1252 form
    const auto crawl = alertCrawl(info, AlertLooks().lookFor(CapSeverity::Severe), kNow);
    QVERIFY(std::holds_alternative<CapRefusal>(crawl));
    QVERIFY2(std::get<CapRefusal>(crawl).words.contains("headline"), qPrintable(std::get<CapRefusal>(crawl).words));
}

QTEST_GUILESS_MAIN(tst_AlertLooks)
#include "tst_alertlooks.moc"

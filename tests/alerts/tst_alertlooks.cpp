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

// Why the looks were refused; empty when they were read.
QString refusalOf(const std::variant<AlertLooks, QString> &read)
{
    const auto *refusal = std::get_if<QString>(&read);
    return refusal ? *refusal : QString();
}

} // namespace

class tst_AlertLooks : public QObject
{
    Q_OBJECT

private slots:
    void fileChangesLooks_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<CapSeverity>("severity");
        QTest::addColumn<QString>("look");
        QTest::newRow("default stands for every severity")
            << QByteArray("; site look\r\n[Default]\r\nFont = Liberation Sans\r\nSize = 40\r\nSpeed=-2\r\n")
            << CapSeverity::Extreme << "3600,none,0.00,-2,0.0000,255 key= Liberation Sans 40pt ffffff bold";
        QTest::newRow("transparent keys the background")
            << QByteArray("[moderate]\ntransparent = yes\ntransparency = 25\n") << CapSeverity::Moderate
            << "3600,0x00BFFF,0.25,3,0.0000,49151 key=00BFFF Times New Roman 30pt 000000 bold";
    }

    void fileChangesLooks()
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

    void badFileRefusedWithLineAndKey_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("refusal"); // after the file's path
        QTest::newRow("unknown key")
            << QByteArray("[Severe]\nColour = FF0000\n")
            << ", line 2: Colour is no key of a look (Dwell, Background, Transparent, Transparency, Speed, "
               "Location, TextColor, Bold, Font, Size)";
        QTest::newRow("colour as a name")
            << QByteArray("[Minor]\n\nBackground = red\n")
            << ", line 3: Background = red is not six hexadecimal digits RRGGBB, like FFBF00";
        QTest::newRow("no equals sign")
            << QByteArray("[Severe]\nDwell 5\n") << ", line 2: \"Dwell 5\" is neither a [section] nor KEY = VALUE";
    }

    void badFileRefusedWithLineAndKey()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, refusal);
        const QString path = m_dirs.root.filePath("bad-looks.ini");
        writeAll(path, file);
        const auto read = AlertLooks::read(path);
        QCOMPARE(refusalOf(read), path + refusal);
    }

private:
    TempDirs m_dirs;
};

QTEST_GUILESS_MAIN(tst_AlertLooks)
#include "tst_alertlooks.moc"

#include "app/SharedState.h"
#include "compose/ColorValue.h"
#include "compose/CrawlSettings.h"

#include "TestSupport.h"

#include <QDir>
#include <QtTest>

using namespace qvic;

Q_DECLARE_METATYPE(qvic::CrawlSettings)

class tst_CrawlSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString doc(const QString &name = QStringLiteral("Lobby.rtf")) const
    {
        return m_dir.path() + u'/' + name;
    }

private slots:
    void save_data();
    void save();
    void workedExampleBytes();
    void load_data();
    void load();
    void roundTrip_data();
    void roundTrip();
    void paths();
    void unwritableFile();
};

static CrawlSettings settings(const char *dwell, bool ticked, const char *key, const char *percent,
                              const char *speed, const char *location, quint32 back)
{
    return {QString::fromLatin1(dwell), ticked, QString::fromLatin1(key),
            QString::fromLatin1(percent), QString::fromLatin1(speed),
            QString::fromLatin1(location), back};
}

void tst_CrawlSettings::save_data()
{
    QTest::addColumn<CrawlSettings>("in");
    QTest::addColumn<double>("height");
    QTest::addColumn<QString>("line");
    QTest::newRow("worked 1") << settings("60", true, "000000", "25", "3", "120", 0) << 600.0
                              << "3600,0x000000,0.25,3,0.2000,0";
    QTest::newRow("worked 2") << settings("1.5", false, "FFFFFF", "150", "-2", "700", 16777215)
                              << 600.0 << "90,none,0.0,-2,1.0,16777215";
    QTest::newRow("bounds in") << settings("0.01", false, "", "100", "8", "600", 255) << 600.0
                               << "0.6,none,1.00,8,1.0000,255";
    QTest::newRow("zero") << settings("letters", true, "FF0000", "0", "0", "1", 16711680) << 600.0
                          << "0,0xFF0000,0.00,0,0.0017,16711680";
    QTest::newRow("above") << settings(" 12 min", false, "", "101", "word", "-1", 65280) << 600.0
                           << "720,none,0.0,word,1.0,65280";
    QTest::newRow("below") << settings("", false, "", "-1", "", "601", 0) << 600.0
                           << "0,none,0.0,,1.0,0";
    QTest::newRow("halves away") << settings("2", false, "", "12.5", "1", "0.3", 0) << 6000.0
                                 << "120,none,0.13,1,0.0001,0";
    QTest::newRow("no height") << settings("60", false, "", "1.5", "3", "0", 0) << 0.0
                               << "3600,none,0.02,3,,0";
}

void tst_CrawlSettings::save()
{
    QFETCH(CrawlSettings, in);
    QFETCH(double, height);
    QFETCH(QString, line);
    SharedState state;
    QVERIFY(saveInstFile(doc(), in, height, state));
    QCOMPARE(test::readAll(doc(QStringLiteral("Lobby.inst"))), line.toLatin1() + "\r\n");
    QCOMPARE(state.strInstLine, line);
    QCOMPARE(QStringList({state.strInstDwell, state.strInstColorKey, state.strInstTransparency,
                          state.strInstSpeed, state.strInstLocation, state.strInstBackColor})
                 .join(u','),
             line);
}

void tst_CrawlSettings::workedExampleBytes()
{
    SharedState state;
    QVERIFY(saveInstFile(doc(), settings("60", true, "000000", "25", "3", "120", 0), 600, state));
    const QByteArray bytes = test::readAll(doc(QStringLiteral("Lobby.inst")));
    QCOMPARE(bytes.size(), 31);
    QCOMPARE(bytes, QByteArray::fromHex("33 36 30 30 2C 30 78 30 30 30 30 30 30 2C 30 2E 32 35 "
                                        "2C 33 2C 30 2E 32 30 30 30 2C 30 0D 0A"));
}

void tst_CrawlSettings::load_data()
{
    QTest::addColumn<QByteArray>("file"); // "-" for no file
    QTest::addColumn<CrawlSettings>("before");
    QTest::addColumn<CrawlSettings>("after");
    const CrawlSettings start = settings("60", false, "None", "0", "3", "0", 0);
    QTest::newRow("worked 1") << QByteArray("3600,0x000000,0.25,3,0.2000,0\r\n") << start
                              << settings("60", true, "000000", "25", "3", "120", 0);
    QTest::newRow("worked 2") << QByteArray("90,none,0.0,-2,1.0,16777215\r\n") << start
                              << settings("1.5", false, "none", "0", "-2", "600", 16777215);
    QTest::newRow("no file") << QByteArray("-") << settings("5", false, "x", "9", "1", "7", 255)
                             << settings("5", true, "000000", "", "", "0", 0);
    QTest::newRow("no file, ticked")
        << QByteArray("-") << settings("5", true, "", "9", "1", "7", 255)
        << settings("5", true, "000000", "", "", "0", 0);
    QTest::newRow("short line") << QByteArray("120,NONE,abc\r\n4,5,6\r\n")
                                << settings("5", true, "FF0000", "9", "1", "7", 255)
                                << settings("2", false, "", "abc", "", "0", 0);
    QTest::newRow("quoted, blanks")
        << QByteArray("  \"3600\", \"0x00FF00\" ,\" 0.5\",\"a,b\",0.0025,\"65280\"")
        << settings("5", true, "FF0000", "9", "1", "7", 255)
        << settings("60", true, "00FF00", "50", "a,b", "2", 65280);
    QTest::newRow("None, bad colour")
        << QByteArray("x,None,1.00,fast,0.0017,16777216\r\n")
        << settings("5", true, "FF0000", "9", "1", "7", 255)
        << settings("5", false, "", "100", "fast", "1", 255);
}

void tst_CrawlSettings::load()
{
    QFETCH(QByteArray, file);
    QFETCH(CrawlSettings, before);
    QFETCH(CrawlSettings, after);
    const QString path = doc(QStringLiteral("Load.rtf"));
    QFile::remove(instFilePath(path));
    if (file != "-")
        test::writeAll(instFilePath(path), file);
    const CrawlSettings got = loadInstFile(path, 600).appliedTo(before);
    QCOMPARE(QStringList({got.dwell, got.colorKey, got.transparency, got.speed, got.location,
                          color::hex6(got.backColor)}),
             QStringList({after.dwell, after.colorKey, after.transparency, after.speed,
                          after.location, color::hex6(after.backColor)}));
    QCOMPARE(got.transparent, after.transparent);
}

void tst_CrawlSettings::roundTrip_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("worked 1") << QByteArray("3600,0x000000,0.25,3,0.2000,0")
                              << QByteArray("3600,0x000000,0.25,3,0.2000,0");
    // The out-of-range markers come back as the range's ends.
    QTest::newRow("worked 2") << QByteArray("90,none,0.0,-2,1.0,16777215")
                              << QByteArray("90,none,0.00,-2,1.0000,16777215");
    QTest::newRow("key kept") << QByteArray("0.6,0x00FF00,0.29,word,0.0017,65280")
                              << QByteArray("0.6,0x00FF00,0.29,word,0.0017,65280");
}

// Loading, changing nothing and saving again rewrites the same file.
void tst_CrawlSettings::roundTrip()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, saved);
    const QString path = doc(QStringLiteral("Round.rtf"));
    test::writeAll(instFilePath(path), line + "\r\n");
    const CrawlSettings loaded =
        loadInstFile(path, 600).appliedTo(settings("60", true, "", "0", "3", "0", 0));
    SharedState state;
    QVERIFY(saveInstFile(path, loaded, 600, state));
    QCOMPARE(test::readAll(instFilePath(path)), saved + "\r\n");
}

void tst_CrawlSettings::paths()
{
    QCOMPARE(instFilePath(QStringLiteral("/srv/RTF/Lobby.rtf")), QStringLiteral("/srv/RTF/Lobby.inst"));
    QCOMPARE(instFilePath(QStringLiteral("/srv/RTF/Notice")), QStringLiteral("/srv/RTF/Notinst"));
    QCOMPARE(fixDecimalPoint(QStringLiteral("0,25")), QStringLiteral("0.25"));
    QCOMPARE(fixDecimalPoint(QStringLiteral("0.25")), QStringLiteral("0.25"));
}

void tst_CrawlSettings::unwritableFile()
{
    const QString path = doc(QStringLiteral("Blocked.rtf"));
    QVERIFY(QDir().mkpath(instFilePath(path)));
    SharedState state;
    QVERIFY(!saveInstFile(path, settings("60", false, "", "0", "3", "0", 0), 600, state));
    QCOMPARE(state.strInstLine, QStringLiteral("3600,none,0.00,3,0.0000,0"));
}

QTEST_GUILESS_MAIN(tst_CrawlSettings)
#include "tst_crawlsettings.moc"

#include "state/SharedState.h"
#include "compose/ColorValue.h"
#include "compose/CrawlSettings.h"
#include "TestSupport.h"

#include <optional>

using namespace qvic;
Q_DECLARE_METATYPE(qvic::CrawlSettings)

// In the order of its members: dwell, transparent, colour key, transparency, speed, location,
// background.
using S = CrawlSettings;

class tst_CrawlSettings : public QObject
{
    Q_OBJECT

private slots:
    // Each file is loaded over the controls `before`; a refused one leaves them as they were.
    void load_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<CrawlSettings>("before");
        QTest::addColumn<CrawlSettings>("after");
        QTest::addColumn<QString>("refusal"); // how the message ends when the file is refused

        const CrawlSettings clear = S{"5", false, "None", "9", "1", "7", 255};
        const CrawlSettings ticked = S{"5", true, "FF0000", "9", "1", "7", 255};
        // A line break in a quoted field would be a command line of its own in Instant.txt.
        QTest::newRow("line break in quotes")
            << QByteArray("\"3600\r\nMessage=@STOP_INSTANT_CRAWL\",none,0.0,3,0.0,0\r\n") << clear
            << clear << "holds a control character.";
        QTest::newRow("640 K digits")
            << QByteArray(640000, '9') + "x,none,0.0,3,0.0,0" << ticked
            << ticked << "is longer than 255 characters.";
    }

    void load()
    {
        QFETCH(QByteArray, file);
        QFETCH(CrawlSettings, before);
        QFETCH(CrawlSettings, after);
        QFETCH(QString, refusal);
        test::writeAll(doc("Load.inst"), file);

        const LoadedCrawlSettings loaded = loadInstFile(doc("Load.rtf"), 600);

        const CrawlSettings shown = loaded.appliedTo(before);
        QCOMPARE(shown.dwell, after.dwell);
        QCOMPARE(shown.transparent, after.transparent);
        QCOMPARE(shown.colorKey, after.colorKey);
        QCOMPARE(shown.transparency, after.transparency);
        QCOMPARE(shown.speed, after.speed);
        QCOMPARE(shown.location, after.location);
        QCOMPARE(color::hex6(shown.backColor), color::hex6(after.backColor));
        if (refusal.isEmpty())
            QVERIFY2(!loaded.refusal, qPrintable(loaded.refusal.value_or("")));
        else
            QCOMPARE(loaded.refusal.value_or(""),
                     "Cannot use " + doc("Load.inst") + ": a crawl setting in it " + refusal);
    }

    void saveCrawlBothOrNeither_data()
    {
        QTest::addColumn<QString>("failure"); // what stands in the way of the save
        QTest::addColumn<QString>("error");   // %1: the crawl's folder
        QTest::newRow("nothing: both saved")
            << "" << "";
        QTest::newRow("a folder where the settings file goes")
            << "settings folder" << "Cannot write %1/Pair.inst: a folder has that name.";
        QTest::newRow("a document past the file size limit")
            << "size limit" << "Cannot write %1/Pair.rtf: File too large";
    }

    // A save that cannot write one of the crawl's two files leaves the other as it was too.
    void saveCrawlBothOrNeither()
    {
        QFETCH(QString, failure);
        QFETCH(QString, error);
        const QTemporaryDir folder;
        const QString document = folder.filePath("Pair.rtf");
        const QString settingsFile = folder.filePath("Pair.inst");
        const QByteArray oldDocument = "{\\rtf1 Doors open}";
        const QByteArray oldSettings = "3600,none,0.0,3,1.0,0\r\n";
        test::writeAll(document, oldDocument);
        test::writeAll(settingsFile, failure == "settings folder" ? "folder" : oldSettings);
        const QByteArray newDocument = "{\\rtf1 " + QByteArray(4000, 'x') + "}";
        const CrawlSettings settings = S{"1", false, "", "0", "3", "0", 0};
        SharedState state;
        QString reason;

        std::optional<test::FileSizeLimit> limit;
        if (failure == "size limit") {
            limit.emplace(1000); // room for the settings file, not for the document
            QVERIFY(limit->isSet());
        }
        const bool saved = saveCrawl(document, newDocument, settings, 600, state, &reason);
        limit.reset();

        QCOMPARE(saved, error.isEmpty());
        QCOMPARE(reason, error.replace("%1", folder.path()));
        QCOMPARE(test::readAll(document), saved ? newDocument : oldDocument);
        if (failure != "settings folder")
            QCOMPARE(test::readAll(settingsFile), saved ? "60,none,0.00,3,0.0000,0\r\n" : oldSettings);
        // Nothing of the save is left beside them.
        const QStringList left = QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QCOMPARE(left, QStringList({"Pair.inst", "Pair.rtf"}));
    }

private:
    QString doc(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(tst_CrawlSettings)
#include "tst_crawlsettings.moc"

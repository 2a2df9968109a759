#include "TestSupport.h"

#include "platform/ProfileString.h"
#include "platform/TextFile.h"

using namespace qvic;

class TestPlatform : public QObject
{
    Q_OBJECT

private slots:
    // Each stored-file reader refuses at once what it cannot take whole, saying why;
    // the writers touch regular files only.
    void refusesWhatIsNoStoredFile_data()
    {
        QTest::addColumn<QByteArray>("what");
        QTest::addColumn<QString>("why");
        QTest::newRow("FIFO without a writer") << QByteArray("fifo") << "it is not a regular file.";
        QTest::newRow("folder") << QByteArray("folder") << "it is a folder.";
        QTest::newRow("2 MB INI file") << QByteArray("2 MB") << "it is larger than 1 MB.";
    }

    void refusesWhatIsNoStoredFile()
    {
        QFETCH(QByteArray, what);
        QFETCH(QString, why);
        const bool writable = what == "2 MB";
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("IC.ini"));
        test::writeAll(path, what);
        const QString reason = QStringLiteral("Cannot read %1: %2").arg(path, why);
        QString error;
        QVERIFY(!textfile::readFile(path, &error, textfile::kSmallFileLimit));
        QCOMPARE(error, reason);
        QCOMPARE(textfile::refusedKind(path, textfile::kSmallFileLimit), reason);
        // As on Windows, what cannot be read reads as the default; a write leaves it alone.
        QCOMPARE(profile::getString(path, "RESOLUTION", "width", 10, "800"), "800");
        QVERIFY(!profile::writeString(path, "RESOLUTION", "width", "1", &error));
        QVERIFY2(error.startsWith(QStringLiteral("Cannot read %1: it is").arg(path)), qPrintable(error));
        error.clear();
        QCOMPARE(textfile::appendToFile(path, "x", &error), writable);
        QCOMPARE(textfile::replaceFile(path, "x", &error), writable);
        if (writable)
            return;
        QVERIFY2(error.contains(path), qPrintable(error));
        QVERIFY(!QFileInfo(path).isFile()); // still the FIFO, the link or the folder
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"

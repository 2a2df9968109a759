#include "TestSupport.h"

#include "platform/ProfileString.h"
#include "platform/QuotedFields.h"
#include "platform/TextFile.h"

using namespace qvic;
using quotedfields::Blanks;
using quotedfields::Lines;
Q_DECLARE_METATYPE(Blanks)
Q_DECLARE_METATYPE(Lines)

class TestPlatform : public QObject
{
    Q_OBJECT

private slots:
    void writesOneKeyKeepingTheRest_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("key replaced in place, case kept elsewhere")
            << QByteArray("; note\n[password]\nPASS=old\nremember=1\n[X]\npass=other\n")
            << QByteArray("; note\r\n[password]\r\npass=s3cret\r\nremember=1\r\n[X]\r\npass=other\r\n");
        QTest::newRow("key added after the section's last line")
            << QByteArray("[PASSWORD]\r\nremember=0\r\n\r\n[Next]\r\na=1\r\n")
            << QByteArray("[PASSWORD]\r\nremember=0\r\npass=s3cret\r\n\r\n[Next]\r\na=1\r\n");
    }

    void writesOneKeyKeepingTheRest()
    {
        QFETCH(QByteArray, before);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("icpass.ini"));
        test::writeAll(path, before);
        QVERIFY(profile::writeString(path, "PASSWORD", "pass", "s3cret"));
        QTEST(test::readAll(path), "after");
        QCOMPARE(profile::getString(path, "Password", "Pass", 80), "s3cret");
    }

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

    // What the address list (LeadingSpaces, Given lines) and the settings files (AroundField, First
    // or All) read differently; what they read alike their own tests show.
    void quotedFields_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Blanks>("blanks");
        QTest::addColumn<Lines>("lines");
        QTest::addColumn<QStringList>("fields"); // at most six are read
        const QString blanks = " \tab ,\"x\" y, c ";
        QTest::newRow("spaces skipped before")
            << blanks << Blanks::LeadingSpaces << Lines::Given << QStringList{"\tab ", "x", "c "};
        QTest::newRow("spaces and tabs around")
            << blanks << Blanks::AroundField << Lines::All << QStringList{"ab", "x", "c"};
        QTest::newRow("comma ends a given line")
            << "a," << Blanks::LeadingSpaces << Lines::Given << QStringList{"a", ""};
        QTest::newRow("comma ends the text")
            << "a," << Blanks::AroundField << Lines::All << QStringList{"a"};
        QTest::newRow("CR in a given line")
            << "a\rb" << Blanks::LeadingSpaces << Lines::Given << QStringList{"a\rb"};
        QTest::newRow("CR, LF, CR LF, seven")
            << "a\rb\nc\r\n\r\nd,e,f" << Blanks::AroundField << Lines::All
            << QStringList{"a", "b", "c", "", "d", "e"};
        QTest::newRow("quote past the first line")
            << "\"a\r\nb\",c\r\nd" << Blanks::AroundField << Lines::First << QStringList{"a\r\nb", "c"};
    }

    void quotedFields()
    {
        QFETCH(QString, text);
        QFETCH(Blanks, blanks);
        QFETCH(Lines, lines);
        QTEST(quotedfields::read(text, blanks, lines, 6), "fields");
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"

#include "MainWindowFixture.h"

#include <QDirIterator>

using namespace qvic;
using Fixture = test::MainWindowFixture;

// Every path under a folder with its size and modification time.
static QStringList snapshot(const QString &root)
{
    QStringList entries;
    for (QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
        entries << it.next() + u' ' + QString::number(it.fileInfo().size()) + u' ' + QString::number(it.fileInfo().lastModified().toMSecsSinceEpoch());
    entries.sort();
    return entries;
}

class TestStartUp : public QObject
{
    Q_OBJECT

private slots:
    void firstStartCreatesFoldersAndDefaults()
    {
        Fixture f;
        QVERIFY(!f.error);
        const QString app = f.dirs->appDir();
        QCOMPARE(QDir(app + "/Application").entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"RTF", "Settings"}));
        // Nothing else: the password folder is made only when a password is stored.
        QCOMPARE(QDir(app).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"Application"});
        QVERIFY(!QFileInfo::exists(f.dirs->winDir()));

        QCOMPARE(f.window->windowTitle(), QStringLiteral("QV Instant Crawl - UNTITLED"));
        QCOMPARE(f.texts({"dwellBox", "transparencyBox", "locationBox", "speedList", "locationExample", "fontColorList", "backgroundList", "fontSizeList",
                          "fontNameList", "addressBox"}), QStringLiteral("60 0 0 3 (0 - 600) White Black 30 Times New Roman "));
        QCOMPARE(f.listEntries("fontSizeList").size(), 33);
        QCOMPARE(f.listEntries("speedList").first() + f.listEntries("speedList").last(), QStringLiteral("-88"));
        QVERIFY(f.dialogs.said.isEmpty());
        QCOMPARE(f.state.currentFileName + f.state.currentFilePath, QStringLiteral("UntitledUntitled"));
        QCOMPARE(f.state.instantFile, app + "/Application/Settings/Instant.txt");
    }

    void secondStartChangesNothing()
    {
        test::TempDirs dirs;
        for (const char *name : {"/IPList.txt", "/preIP.txt"})
            test::writeAll(dirs.appDir() + name, "10.0.0.5\r\n");
        { Fixture first(dirs.appDir(), dirs.winDir()); }
        const QStringList before = snapshot(dirs.root.path());
        Fixture second(dirs.appDir(), dirs.winDir());
        QVERIFY(!second.error);
        QCOMPARE(snapshot(dirs.root.path()), before);
    }

    void screenWidthFromIniFile_data()
    {
        test::columns<QByteArray, double, QString>("ini", "height", "label");
        QTest::newRow("absent") << QByteArray("-") << 600.0 << "(0 - 600)";
        QTest::newRow("1024") << QByteArray("[RESOLUTION]\r\nwidth=1024\r\n") << 768.0 << "(0 - 768)";
        QTest::newRow("1366, any case") << QByteArray("[resolution]\r\nWIDTH=1366\r\n") << 1024.5 << "(0 - 1024.5)";
        QTest::newRow("a word") << QByteArray("[RESOLUTION]\r\nwidth=wide\r\n") << 0.0 << "(0 - 0)";
        QTest::newRow("ten characters cut to nine") << QByteArray("[RESOLUTION]\r\nwidth=1024000009\r\n") << 76800000.0 << "(0 - 76800000)";
    }

    void screenWidthFromIniFile()
    {
        QFETCH(QByteArray, ini);
        QFETCH(double, height);
        Fixture f({{"IC.ini", ini}});
        QCOMPARE(f.window->screenWidth(), ini == "-" ? 800.0 : height * 4 / 3);
        QCOMPARE(f.window->screenHeight(), height);
        QTEST(f.text("locationExample"), "label");
    }

    void unusableFolderOrStoredFileStopsStartUp_data()
    {
        // blocker: under the test's root: app/ is AppDir, win/ WinDir; what: what lies there (test::writeAll)
        test::columns<QString, QByteArray, QString>("blocker", "what", "why");
        QTest::newRow("file where Application/RTF belongs") << "app/Application/RTF" << QByteArray("in the way") << "a file has that name.";
        QTest::newRow("IPList.txt is a FIFO") << "app/IPList.txt" << QByteArray("fifo") << "it is not a regular file.";
        QTest::newRow("preIP.txt links to /dev/zero") << "app/preIP.txt" << QByteArray("device") << "it is not a regular file.";
        QTest::newRow("icpass.ini of 2 MB") << "win/icpass.ini" << QByteArray("2 MB") << "it is larger than 1 MB.";
    }

    void unusableFolderOrStoredFileStopsStartUp()
    {
        auto [blocker, what, why] = test::fetch<QString, QByteArray, QString>("blocker", "what", "why");
        test::TempDirs dirs;
        const QString path = dirs.root.filePath(blocker);
        test::writeAll(path, what);
        Fixture f(dirs.appDir(), dirs.winDir());
        QVERIFY(f.error);
        QVERIFY2(f.error->contains(path + ": " + why), qPrintable(*f.error));
    }

    void readsAddressFiles_data()
    {
        test::columns<QByteArray, QByteArray, QStringList, QString>("ipList", "preIp", "entries", "current");
        QTest::newRow("preIP without IPList") << QByteArray("-") << QByteArray("10.0.0.5\r\n") << QStringList() << "10.0.0.5";
        QTest::newRow("commas, quotes, leading blanks") << QByteArray("10.0.0.5\r\n 10.0.0.5\r\n10.0.0.6,10.0.0.7\r\n\"a, b\" ,c\r\n")
            << QByteArray("  \"10.0.0.9\",10.0.0.1\r\n") << QStringList{"10.0.0.5", "10.0.0.5", "10.0.0.6", "10.0.0.7", "a, b", "c"} << "10.0.0.9";
        QTest::newRow("blank lines, LF and no last line end") << QByteArray("one\n\ntwo") << QByteArray("three") << QStringList{"one", "", "two"} << "three";
        QTest::newRow("preIP with no field, Windows-1252") << QByteArray("caf\xE9\r\n") << QByteArray("") << QStringList{"café"} << "";
    }

    void readsAddressFiles()
    {
        QFETCH(QByteArray, ipList);
        QFETCH(QByteArray, preIp);
        Fixture f({{"IPList.txt", ipList}, {"preIP.txt", preIp}});
        QVERIFY(!f.error);
        QTEST(f.listEntries("addressBox"), "entries");
        QTEST(f.text("addressBox"), "current");
    }

    void addAddress_data()
    {
        test::columns<QByteArray, QString, QString, QByteArray>("ipList", "typed", "message", "fileAfter");
        QTest::newRow("first add creates the file") << QByteArray("-") << "10.0.0.5" << "" << QByteArray("10.0.0.5\r\n");
        QTest::newRow("empty text") << QByteArray("-") << "" << "Please enter an IP before adding to list." << QByteArray("-");
        QTest::newRow("duplicate") << QByteArray("10.0.0.5\r\n") << "10.0.0.5" << "The IP address is already in the list." << QByteArray("10.0.0.5\r\n");
        QTest::newRow("blanks and case count") << QByteArray("10.0.0.5\r\n") << " 10.0.0.5, B" << "" << QByteArray("10.0.0.5\r\n 10.0.0.5, B\r\n");
        QTest::newRow("last line without its line end") << QByteArray("10.0.0.2") << "10.9.9.9" << "" << QByteArray("10.0.0.2\r\n10.9.9.9\r\n");
    }

    void addAddress()
    {
        auto [ipList, typed, message] = test::fetch<QByteArray, QString, QString>("ipList", "typed", "message");
        Fixture f({{"IPList.txt", ipList}});
        const QStringList before = f.listEntries("addressBox");
        QTest::keyClicks(f.find<QComboBox>("addressBox")->lineEdit(), typed);
        f.click("addToListButton");

        QCOMPARE(f.dialogs.said, message.isEmpty() ? QStringList() : QStringList{"i " + message});
        const QString path = f.dirs->appDir() + "/IPList.txt";
        QTEST(QFileInfo::exists(path) ? test::readAll(path) : QByteArray("-"), "fileAfter");
        QCOMPARE(f.listEntries("addressBox"), message.isEmpty() ? before + QStringList{typed} : before);
    }

    // An empty box, or Exit from the menu, leaves the remembered address alone; that a close
    // writes the typed address is the send tests' matter.
    void closeKeepsTheAddress()
    {
        for (const bool viaExitMenu : {false, true}) {
            Fixture f({{"preIP.txt", QByteArray("10.0.0.1\r\n")}});
            f.setText("addressBox", viaExitMenu ? "10.0.0.7" : "");
            if (viaExitMenu)
                f.window->findChild<QAction *>(QStringLiteral("exitAction"))->trigger();
            f.window->show();
            f.window->close();
            QCOMPARE(test::readAll(f.dirs->appDir() + "/preIP.txt"), "10.0.0.1\r\n");
        }
    }
};

QTEST_MAIN(TestStartUp)
#include "tst_startup.moc"

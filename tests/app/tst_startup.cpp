#include "MainWindowFixture.h"

#include <QDirIterator>

using namespace qvic;
using Fixture = test::MainWindowFixture;

namespace {

// Every path under a folder with its size and modification time.
QStringList snapshot(const QString &root)
{
    QStringList entries;
    const auto filter = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden;
    for (QDirIterator it(root, filter, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        const qint64 modified = info.lastModified().toMSecsSinceEpoch();
        entries << QStringLiteral("%1 %2 %3").arg(path).arg(info.size()).arg(modified);
    }
    entries.sort();
    return entries;
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
}

} // namespace

class TestStartUp : public QObject
{
    Q_OBJECT

private slots:
    // The password folder is made only when a password is stored.
    void firstStartCreatesOnlyTheApplicationFolders()
    {
        Fixture f;
        QVERIFY(!f.error);
        const QString app = f.dirs->appDir();
        QCOMPARE(entriesOf(app), QStringList{"Application"});
        QCOMPARE(entriesOf(app + "/Application"), QStringList({"RTF", "Settings"}));
        QVERIFY(!QFileInfo::exists(f.dirs->winDir()));
        QCOMPARE(f.dialogs.said, QStringList());
    }

    void secondStartChangesNothing()
    {
        test::TempDirs dirs;
        test::writeAll(dirs.appDir() + "/IPList.txt", "10.0.0.5\r\n");
        test::writeAll(dirs.appDir() + "/preIP.txt", "10.0.0.5\r\n");
        {
            Fixture first(dirs.appDir(), dirs.winDir());
        }
        const QStringList before = snapshot(dirs.root.path());
        Fixture second(dirs.appDir(), dirs.winDir());
        QVERIFY(!second.error);
        QCOMPARE(snapshot(dirs.root.path()), before);
    }

    // The screen's height is three quarters of the width IC.ini gives (800 when absent). What the
    // other controls show at first is saved by an untouched window (the crawl document's test).
    void screenWidthFromIniFile_data()
    {
        QTest::addColumn<QByteArray>("ini"); // "-": no IC.ini
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<QString>("label");
        QTest::newRow("absent")
            << QByteArray("-") << 800.0 << 600.0 << "(0 - 600)";
        QTest::newRow("1366, names in another case")
            << QByteArray("[resolution]\r\nWIDTH=1366\r\n") << 1366.0 << 1024.5 << "(0 - 1024.5)";
        QTest::newRow("a word")
            << QByteArray("[RESOLUTION]\r\nwidth=wide\r\n") << 0.0 << 0.0 << "(0 - 0)";
        QTest::newRow("ten characters cut to nine")
            << QByteArray("[RESOLUTION]\r\nwidth=1024000009\r\n") << 102400000.0 << 76800000.0
            << "(0 - 76800000)";
    }

    void screenWidthFromIniFile()
    {
        QFETCH(QByteArray, ini);
        Fixture f({{"IC.ini", ini}});
        QTEST(f.window->screenWidth(), "width");
        QTEST(f.window->screenHeight(), "height");
        QTEST(f.text("locationExample"), "label");
    }

    // What each stored file's reader refuses is the platform's matter; one of each kind here.
    void unusableFolderOrStoredFileStopsStartUp_data()
    {
        QTest::addColumn<QString>("blocker"); // under the test's root: app/ is AppDir, win/ WinDir
        QTest::addColumn<QByteArray>("what"); // what lies there (test::writeAll)
        QTest::addColumn<QString>("why");
        QTest::newRow("file where Application/RTF belongs")
            << "app/Application/RTF" << QByteArray("in the way") << "a file has that name.";
        QTest::newRow("IPList.txt is a FIFO")
            << "app/IPList.txt" << QByteArray("fifo") << "it is not a regular file.";
        QTest::newRow("icpass.ini of 2 MB")
            << "win/icpass.ini" << QByteArray("2 MB") << "it is larger than 1 MB.";
    }

    void unusableFolderOrStoredFileStopsStartUp()
    {
        QFETCH(QString, blocker);
        QFETCH(QByteArray, what);
        QFETCH(QString, why);
        test::TempDirs dirs;
        const QString path = dirs.root.filePath(blocker);
        test::writeAll(path, what);
        Fixture f(dirs.appDir(), dirs.winDir());
        QVERIFY(f.error);
        QVERIFY2(f.error->contains(path + ": " + why), qPrintable(*f.error));
    }

    void readsAddressFiles_data()
    {
        QTest::addColumn<QByteArray>("ipList"); // "-": no IPList.txt
        QTest::addColumn<QByteArray>("preIp");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("current");
        QTest::newRow("preIP without IPList")
            << QByteArray("-") << QByteArray("10.0.0.5\r\n") << QStringList() << "10.0.0.5";
        QTest::newRow("commas, quotes, leading blanks")
            << QByteArray("10.0.0.5\r\n 10.0.0.5\r\n10.0.0.6,10.0.0.7\r\n\"a, b\" ,c\r\n")
            << QByteArray("  \"10.0.0.9\",10.0.0.1\r\n")
            << QStringList{"10.0.0.5", "10.0.0.5", "10.0.0.6", "10.0.0.7", "a, b", "c"} << "10.0.0.9";
        QTest::newRow("blank lines kept, LF and no last line end")
            << QByteArray("one\n\ntwo") << QByteArray("three") << QStringList{"one", "", "two"} << "three";
        QTest::newRow("preIP with no field, Windows-1252")
            << QByteArray("caf\xE9\r\n") << QByteArray("") << QStringList{"café"} << "";
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
        QTest::addColumn<QByteArray>("ipList"); // "-": no IPList.txt, before or after
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message"); // empty: added without a word
        QTest::addColumn<QByteArray>("fileAfter");
        QTest::newRow("first add creates the file")
            << QByteArray("-") << "10.0.0.5" << "" << QByteArray("10.0.0.5\r\n");
        QTest::newRow("empty text")
            << QByteArray("-") << "" << "Please enter an IP before adding to list." << QByteArray("-");
        QTest::newRow("duplicate")
            << QByteArray("10.0.0.5\r\n") << "10.0.0.5" << "The IP address is already in the list."
            << QByteArray("10.0.0.5\r\n");
        QTest::newRow("blanks and case count")
            << QByteArray("10.0.0.5\r\n") << " 10.0.0.5, B" << "" << QByteArray("10.0.0.5\r\n 10.0.0.5, B\r\n");
        QTest::newRow("last line without its line end")
            << QByteArray("10.0.0.2") << "10.9.9.9" << "" << QByteArray("10.0.0.2\r\n10.9.9.9\r\n");
    }

    void addAddress()
    {
        QFETCH(QByteArray, ipList);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        Fixture f({{"IPList.txt", ipList}});
        const QStringList before = f.listEntries("addressBox");
        QTest::keyClicks(f.find<QComboBox>("addressBox")->lineEdit(), typed);

        f.click("addToListButton");

        const QString path = f.dirs->appDir() + "/IPList.txt";
        QTEST(QFileInfo::exists(path) ? test::readAll(path) : QByteArray("-"), "fileAfter");
        if (message.isEmpty()) {
            QCOMPARE(f.dialogs.said, QStringList());
            QCOMPARE(f.listEntries("addressBox"), before + QStringList{typed});
        } else {
            QCOMPARE(f.dialogs.said, QStringList{"i " + message});
            QCOMPARE(f.listEntries("addressBox"), before);
        }
    }

    // That a close writes the typed address is the send tests' matter.
    void closeWithEmptyAddressKeepsTheRememberedOne()
    {
        Fixture f({{"preIP.txt", QByteArray("10.0.0.1\r\n")}});
        f.setText("addressBox", "");
        f.window->show();
        f.window->close();
        QCOMPARE(test::readAll(f.dirs->appDir() + "/preIP.txt"), "10.0.0.1\r\n");
    }

    void exitFromTheMenuKeepsTheRememberedAddress()
    {
        Fixture f({{"preIP.txt", QByteArray("10.0.0.1\r\n")}});
        f.setText("addressBox", "10.0.0.7");
        f.window->show();
        f.window->findChild<QAction *>(QStringLiteral("exitAction"))->trigger();
        f.window->close();
        QCOMPARE(test::readAll(f.dirs->appDir() + "/preIP.txt"), "10.0.0.1\r\n");
    }
};

QTEST_MAIN(TestStartUp)
#include "tst_startup.moc"

#include "MainWindowFixture.h"

using namespace qvic;
using Fixture = test::MainWindowFixture;

namespace {

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

    // The screen's height is three quarters of the width IC.ini gives (800 when absent); how
    // IC.ini is read is the platform's matter.
    void screenWidthFromIniFile_data()
    {
        QTest::addColumn<QByteArray>("ini"); // "-": no IC.ini
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<QString>("label");
        QTest::newRow("absent")
            << QByteArray("-") << 800.0 << 600.0 << "(0 - 600)";
        QTest::newRow("1366")
            << QByteArray("[RESOLUTION]\r\nWidth=1366\r\n") << 1366.0 << 1024.5 << "(0 - 1024.5)";
    }

    void screenWidthFromIniFile()
    {
        QFETCH(QByteArray, ini);
        Fixture f({{"IC.ini", ini}});
        QTEST(f.window->screenWidth(), "width");
        QTEST(f.window->screenHeight(), "height");
        QTEST(f.text("locationExample"), "label");
    }

    // What each stored file's reader refuses is the platform's matter; here, that start-up stops.
    void unusableFolderOrStoredFileStopsStartUp_data()
    {
        QTest::addColumn<QString>("blocker"); // under the test's root: app/ is AppDir, win/ WinDir
        QTest::addColumn<QByteArray>("what"); // what lies there (test::writeAll)
        QTest::addColumn<QString>("why");
        QTest::newRow("file where Application/RTF belongs")
            << "app/Application/RTF" << QByteArray("in the way") << "a file has that name.";
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

    // How quoted fields are read is the platform's table; here, which file fills what.
    void readsAddressFiles_data()
    {
        QTest::addColumn<QByteArray>("ipList"); // "-": no IPList.txt
        QTest::addColumn<QByteArray>("preIp");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("current");
        QTest::newRow("every field of IPList, the first of preIP")
            << QByteArray("10.0.0.5\r\n10.0.0.6,10.0.0.7\r\n") << QByteArray("10.0.0.9,10.0.0.1\r\n")
            << QStringList{"10.0.0.5", "10.0.0.6", "10.0.0.7"} << "10.0.0.9";
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
        QTest::newRow("duplicate")
            << QByteArray("10.0.0.5\r\n") << "10.0.0.5" << "The IP address is already in the list."
            << QByteArray("10.0.0.5\r\n");
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
};

QTEST_MAIN(TestStartUp)
#include "tst_startup.moc"

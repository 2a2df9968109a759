#include "MainWindowFixture.h"

using namespace qvic;
using Fixture = test::MainWindowFixture;

class TestStartUp : public QObject
{
    Q_OBJECT

private slots:
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

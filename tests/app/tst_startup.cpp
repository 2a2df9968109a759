#include "TestSupport.h"

#include "app/SharedState.h"
#include "app/frmQV7IC.h"
#include "platform/RecordingDialogs.h"

#include <QComboBox>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

using namespace qvic;

namespace {

// One program start on the given folders, as main() does it.
struct Start
{
    explicit Start(const test::TempDirs &dirs)
        : window(std::make_unique<frmQV7IC>(state, dialogs))
    {
        error = window->load(dirs.appDir(), dirs.winDir());
    }
    template <typename T> T *find(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    QString text(const char *name) const
    {
        if (auto *box = find<QLineEdit>(name))
            return box->text();
        if (auto *list = find<QComboBox>(name))
            return list->currentText();
        return find<QLabel>(name)->text();
    }
    QStringList addressEntries() const
    {
        QStringList entries;
        auto *list = find<QComboBox>("cboIPAddress");
        for (int i = 0; i < list->count(); ++i)
            entries << list->itemText(i);
        return entries;
    }

    SharedState state;
    RecordingDialogs dialogs;
    std::unique_ptr<frmQV7IC> window;
    std::optional<QString> error;
};

// Every path under a folder with its size and modification time.
QStringList snapshot(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        entries << QStringLiteral("%1 %2 %3").arg(info.filePath()).arg(info.size())
                       .arg(info.lastModified().toMSecsSinceEpoch());
    }
    entries.sort();
    return entries;
}

} // namespace

class TestStartUp : public QObject
{
    Q_OBJECT

private slots:
    void firstStartCreatesFoldersAndDefaults();
    void secondStartChangesNothing();
    void screenWidthFromIniFile_data();
    void screenWidthFromIniFile();
    void unusableFolderOrAddressFileStopsStartUp_data();
    void unusableFolderOrAddressFileStopsStartUp();
    void readsAddressFiles_data();
    void readsAddressFiles();
    void addAddress_data();
    void addAddress();
    void closeRemembersTheAddress_data();
    void closeRemembersTheAddress();
};

void TestStartUp::firstStartCreatesFoldersAndDefaults()
{
    test::TempDirs dirs;
    Start start(dirs);
    QVERIFY(!start.error);
    for (const char *folder : {"/Application", "/Application/Settings", "/Application/RTF"})
        QVERIFY(QFileInfo(dirs.appDir() + QLatin1String(folder)).isDir());
    QCOMPARE(start.window->windowTitle(), QStringLiteral("QV Instant Crawl - UNTITLED"));
    QCOMPARE(start.text("txtDwell"), QStringLiteral("60"));
    QCOMPARE(start.text("txtTransparency"), QStringLiteral("0"));
    QCOMPARE(start.text("txtLocation"), QStringLiteral("0"));
    QCOMPARE(start.text("cboSpeed"), QStringLiteral("3"));
    QCOMPARE(start.text("lblLocEx"), QStringLiteral("(0 - 600)"));
    QCOMPARE(start.text("cmbFontColor"), QStringLiteral("White"));
    QCOMPARE(start.text("cmbBgColor"), QStringLiteral("Black"));
    QCOMPARE(start.text("cmbFontName"), QStringLiteral("Times New Roman"));
    QCOMPARE(start.text("cmbFontSize"), QStringLiteral("30"));
    QCOMPARE(start.find<QComboBox>("cmbFontSize")->count(), 33);
    QCOMPARE(start.find<QComboBox>("cboSpeed")->count(), 17);
    QCOMPARE(start.text("cboIPAddress"), QString());
    QVERIFY(start.dialogs.messages.isEmpty());

    const SharedState &s = start.state;
    QCOMPARE(s.strCurFileName, QStringLiteral("Untitled"));
    QCOMPARE(s.strCurFilePath, QStringLiteral("Untitled"));
    QCOMPARE(s.strInstantFile, dirs.appDir() + "/Application/Settings/Instant.txt");
    QCOMPARE(s.strPassFile, dirs.winDir() + "/icpass.ini");
    QCOMPARE(s.strFtpUser + '/' + s.strFtpPassword, QStringLiteral("qv7player/tk2harbor"));
    QCOMPARE((QStringList{s.strKite7ComPort, s.strKite7Speed, s.strKite7Position, s.strKite7Repeat,
                          s.strKite7BackColor, s.strKite7Font, s.strKite7FontColor,
                          s.strKite7Message}),
             (QStringList{"1", "Slow", "200", "128", "9", "1", "16", ""}));
    // Nothing but the three folders: the password folder is made only when a password is stored.
    QVERIFY(!QFileInfo::exists(dirs.winDir()));
    QCOMPARE(QDir(dirs.appDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"Application"});
}

void TestStartUp::secondStartChangesNothing()
{
    test::TempDirs dirs;
    test::writeAll(dirs.appDir() + "/IPList.txt", "10.0.0.5\r\n");
    test::writeAll(dirs.appDir() + "/preIP.txt", "10.0.0.5\r\n");
    { Start first(dirs); }
    const QStringList before = snapshot(dirs.root.path());
    Start second(dirs);
    QVERIFY(!second.error);
    QCOMPARE(snapshot(dirs.root.path()), before);
}

void TestStartUp::screenWidthFromIniFile_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::addColumn<QString>("label");

    QTest::newRow("absent") << QByteArray() << 800.0 << 600.0 << "(0 - 600)";
    QTest::newRow("empty file") << QByteArray("\r\n") << 800.0 << 600.0 << "(0 - 600)";
    QTest::newRow("empty key") << QByteArray("[RESOLUTION]\r\nwidth=\r\n") << 800.0 << 600.0
                               << "(0 - 600)";
    QTest::newRow("1024") << QByteArray("[RESOLUTION]\r\nwidth=1024\r\n") << 1024.0 << 768.0
                          << "(0 - 768)";
    QTest::newRow("1366") << QByteArray("[resolution]\r\nWIDTH=1366\r\n") << 1366.0 << 1024.5
                          << "(0 - 1024.5)";
    QTest::newRow("a word") << QByteArray("[RESOLUTION]\r\nwidth=wide\r\n") << 0.0 << 0.0
                            << "(0 - 0)";
    QTest::newRow("ten characters cut to nine")
        << QByteArray("[RESOLUTION]\r\nwidth=1024000009\r\n") << 102400000.0 << 76800000.0
        << "(0 - 76800000)";
}

void TestStartUp::screenWidthFromIniFile()
{
    QFETCH(QByteArray, ini);
    QFETCH(double, width);
    QFETCH(double, height);
    QFETCH(QString, label);
    test::TempDirs dirs;
    if (!ini.isEmpty())
        test::writeAll(dirs.appDir() + "/IC.ini", ini);
    Start start(dirs);
    QCOMPARE(start.window->dblScreenWidth(), width);
    QCOMPARE(start.window->dblScreenHeight(), height);
    QCOMPARE(start.text("lblLocEx"), label);
}

void TestStartUp::unusableFolderOrAddressFileStopsStartUp_data()
{
    QTest::addColumn<QString>("blocker"); // a file, or a folder where a file belongs
    QTest::addColumn<bool>("asFolder");
    QTest::addColumn<QString>("named");

    QTest::newRow("file where Application/RTF belongs") << "Application/RTF" << false
                                                        << "Application/RTF";
    QTest::newRow("Application is a file") << "Application" << false << "Application";
    QTest::newRow("IPList.txt is a folder") << "IPList.txt" << true << "IPList.txt";
    QTest::newRow("preIP.txt is a folder") << "preIP.txt" << true << "preIP.txt";
}

void TestStartUp::unusableFolderOrAddressFileStopsStartUp()
{
    QFETCH(QString, blocker);
    QFETCH(bool, asFolder);
    QFETCH(QString, named);
    test::TempDirs dirs;
    const QString path = dirs.appDir() + '/' + blocker;
    if (asFolder)
        QDir().mkpath(path);
    else
        test::writeAll(path, "in the way");
    Start start(dirs);
    QVERIFY(start.error);
    QVERIFY2(start.error->contains(dirs.appDir() + '/' + named), qPrintable(*start.error));
}

void TestStartUp::readsAddressFiles_data()
{
    QTest::addColumn<QByteArray>("ipList"); // "-" for no file
    QTest::addColumn<QByteArray>("preIp");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("current");

    QTest::newRow("no files") << QByteArray("-") << QByteArray("-") << QStringList() << "";
    QTest::newRow("preIP without IPList")
        << QByteArray("-") << QByteArray("10.0.0.5\r\n") << QStringList() << "10.0.0.5";
    QTest::newRow("commas, quotes, leading blanks")
        << QByteArray("10.0.0.5\r\n 10.0.0.5\r\n10.0.0.6,10.0.0.7\r\n\"a, b\" ,c\r\n")
        << QByteArray("  \"10.0.0.9\",10.0.0.1\r\n")
        << QStringList{"10.0.0.5", "10.0.0.5", "10.0.0.6", "10.0.0.7", "a, b", "c"} << "10.0.0.9";
    QTest::newRow("blank lines, LF and no last line end")
        << QByteArray("one\n\ntwo") << QByteArray("three") << QStringList{"one", "", "two"}
        << "three";
    QTest::newRow("preIP with no field") << QByteArray("a\r\n") << QByteArray("") << QStringList{"a"}
                                         << "";
    QTest::newRow("Windows-1252 bytes") << QByteArray("caf\xE9\r\n") << QByteArray("-")
                                        << QStringList{"café"} << "";
}

void TestStartUp::readsAddressFiles()
{
    QFETCH(QByteArray, ipList);
    QFETCH(QByteArray, preIp);
    QFETCH(QStringList, entries);
    QFETCH(QString, current);
    test::TempDirs dirs;
    QDir().mkpath(dirs.appDir());
    if (ipList != "-")
        test::writeAll(dirs.appDir() + "/IPList.txt", ipList);
    if (preIp != "-")
        test::writeAll(dirs.appDir() + "/preIP.txt", preIp);
    Start start(dirs);
    QVERIFY(!start.error);
    QCOMPARE(start.addressEntries(), entries);
    QCOMPARE(start.text("cboIPAddress"), current);
}

void TestStartUp::addAddress_data()
{
    QTest::addColumn<QByteArray>("ipList");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("fileAfter");

    QTest::newRow("first add creates the file") << QByteArray("-") << "10.0.0.5" << ""
                                                << QByteArray("10.0.0.5\r\n");
    QTest::newRow("empty text") << QByteArray("-") << "" << "Please enter an IP before adding to list."
                                << QByteArray("-");
    QTest::newRow("duplicate") << QByteArray("10.0.0.5\r\n") << "10.0.0.5"
                               << "The IP address is already in the list."
                               << QByteArray("10.0.0.5\r\n");
    QTest::newRow("leading blank is another entry")
        << QByteArray("10.0.0.5\r\n") << " 10.0.0.5" << "" << QByteArray("10.0.0.5\r\n 10.0.0.5\r\n");
    QTest::newRow("case matters, blanks count")
        << QByteArray("player\r\n") << "Player one, two" << ""
        << QByteArray("player\r\nPlayer one, two\r\n");
}

void TestStartUp::addAddress()
{
    QFETCH(QByteArray, ipList);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QByteArray, fileAfter);
    test::TempDirs dirs;
    if (ipList != "-")
        test::writeAll(dirs.appDir() + "/IPList.txt", ipList);
    Start start(dirs);
    const QStringList entriesBefore = start.addressEntries();
    auto *box = start.find<QComboBox>("cboIPAddress");
    box->lineEdit()->clear();
    QTest::keyClicks(box->lineEdit(), typed);
    QTest::mouseClick(start.find<QPushButton>("btnAddIPList"), Qt::LeftButton);

    QCOMPARE(start.dialogs.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    const QString path = dirs.appDir() + "/IPList.txt";
    QCOMPARE(QFileInfo::exists(path), fileAfter != "-");
    if (fileAfter != "-")
        QCOMPARE(test::readAll(path), fileAfter);
    QCOMPARE(start.addressEntries(),
             message.isEmpty() ? entriesBefore + QStringList{typed} : entriesBefore);
    QCOMPARE(box->currentText(), typed);
}

void TestStartUp::closeRemembersTheAddress_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("viaExitMenu");
    QTest::addColumn<QByteArray>("preIpAfter");

    QTest::newRow("close writes the address") << " 10.0.0.7" << false << QByteArray(" 10.0.0.7\r\n");
    QTest::newRow("empty box leaves the file") << "" << false << QByteArray("10.0.0.1\r\n");
    QTest::newRow("Exit leaves the file") << "10.0.0.7" << true << QByteArray("10.0.0.1\r\n");
}

void TestStartUp::closeRemembersTheAddress()
{
    QFETCH(QString, typed);
    QFETCH(bool, viaExitMenu);
    QFETCH(QByteArray, preIpAfter);
    test::TempDirs dirs;
    test::writeAll(dirs.appDir() + "/preIP.txt", "10.0.0.1\r\n");
    Start start(dirs);
    start.find<QComboBox>("cboIPAddress")->setCurrentText(typed);
    if (viaExitMenu)
        start.window->findChild<QAction *>(QStringLiteral("mnuExit"))->trigger();
    start.window->show();
    start.window->close();
    QCOMPARE(test::readAll(dirs.appDir() + "/preIP.txt"), preIpAfter);

    if (!viaExitMenu && !typed.isEmpty()) {
        Start next(dirs);
        QCOMPARE(next.text("cboIPAddress"), QStringLiteral("10.0.0.7")); // leading blanks skipped
    }
}

QTEST_MAIN(TestStartUp)
#include "tst_startup.moc"

#include "TestSupport.h"

#include "dispatch/PlayerGroups.h"

#include <QDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace qvic;
using namespace qvic::test;

namespace {

// Each group as "Lobby=10.0.0.5,10.0.0.6", in order.
QStringList shown(const PlayerGroups &groups)
{
    QStringList all;
    for (const QString &name : groups.groups())
        all << name + u'=' + groups.addresses(name).join(u',');
    return all;
}

} // namespace

class tst_PlayerGroups : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip();
    void load_data();
    void load();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();

private:
    TempDirs m_dirs;
    QString path() const { return m_dirs.appDir() + QStringLiteral("/groups.ini"); }
};

void tst_PlayerGroups::roundTrip()
{
    PlayerGroups groups;
    QVERIFY(groups.addGroup("Lobby screens"));
    QVERIFY(groups.addGroup("Bar"));
    QVERIFY(!groups.addGroup("lobby SCREENS"));
    QVERIFY(!groups.addGroup("::1")); // would read back as an address
    const QStringList typed{" 10.0.0.6:2100", "10.0.0.5", "", "10.0.0.6:2100", "[fe80::1]"};
    QVERIFY(groups.setAddresses("lobby screens", typed)); // the blank and the repeat dropped
    QVERIFY(groups.setAddresses("Bar", {"10.0.0.9\t"})); // blanks around are trimmed, not refused
    QVERIFY(!groups.setAddresses("Bar", {"10.0.0.8\x01"}));
    QVERIFY(groups.rename("Bar", "Bar and café"));
    QVERIFY(groups.addGroup("Gone"));
    QVERIFY(groups.removeGroup("gone"));
    QVERIFY(!groups.removeGroup("gone"));

    QString error;
    QVERIFY2(groups.save(path(), &error), qPrintable(error));
    QCOMPARE(readAll(path()),
             "[Lobby screens]\n10.0.0.6:2100\n10.0.0.5\n[fe80::1]\n"
             "\n"
             "[Bar and caf\xc3\xa9]\n10.0.0.9\n");
    PlayerGroups again;
    QCOMPARE(again.load(path()), QStringList());
    QCOMPARE(shown(again), shown(groups));
    QCOMPARE(shown(again), QStringList({"Lobby screens=10.0.0.6:2100,10.0.0.5,[fe80::1]",
                                        "Bar and café=10.0.0.9"}));
}

void tst_PlayerGroups::load_data()
{
    QTest::addColumn<QByteArray>("content"); // null: no file
    QTest::addColumn<QStringList>("skipped"); // %1: the file
    QTest::addColumn<QStringList>("groups");
    QTest::newRow("missing")
        << QByteArray() << QStringList() << QStringList();
    QTest::newRow("hand-edited: BOM, CR LF, comments, blanks")
        << QByteArray("\xef\xbb\xbf; mine\r\n[ Lobby ]\r\n  10.0.0.5  \r\n# off\r\n\r\n10.0.0.5\r\n[Bar]")
        << QStringList() << QStringList({"Lobby=10.0.0.5", "Bar="});
    QTest::newRow("outside any group")
        << QByteArray("\n10.0.0.1\n[A]\n10.0.0.2\n")
        << QStringList{"line 2: an address outside any group was skipped"} << QStringList{"A=10.0.0.2"};
    QTest::newRow("second group of a name")
        << QByteArray("[A]\n1.1.1.1\n[a]\n2.2.2.2\n[B]\n3.3.3.3")
        << QStringList{"line 3: a second group named \"a\", with its addresses, was skipped"}
        << QStringList({"A=1.1.1.1", "B=3.3.3.3"});
    QTest::newRow("no name")
        << QByteArray("[ ]\n1.1.1.1\n")
        << QStringList{"line 1: a group without a name, with its addresses, was skipped"} << QStringList();
    QTest::newRow("control characters")
        << QByteArray("[A]\n1.1.1.1\x1b[2J\n[B\x07]\n2.2.2.2\n[C]\n3.3.3.3\xff\n")
        << QStringList{"line 2: an address with a control character or a byte that is not UTF-8 was skipped",
                       "line 3: a group name with a control character, with its addresses, was skipped",
                       "line 6: an address with a control character or a byte that is not UTF-8 was skipped"}
        << QStringList({"A=", "C="});
    // What else a stored file's reader refuses is the platform's matter.
    QTest::newRow("folder")
        << QByteArray("folder") << QStringList{"Cannot read %1: it is a folder."} << QStringList();
}

// The groups read replace those held before; what the next save drops (comments, skipped
// lines) is kept beside the file, once.
void tst_PlayerGroups::load()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, skipped);
    const QString tag = QString::fromLatin1(QTest::currentDataTag());
    const QString file = m_dirs.root.filePath(tag.simplified().replace(u' ', u'_').remove(u':'));
    if (!content.isNull())
        writeAll(file, content);
    PlayerGroups groups;
    QVERIFY(groups.addGroup("Before"));

    QCOMPARE(groups.load(file), skipped.replaceInStrings("%1", file));

    QTEST(shown(groups), "groups");
    if (!QFileInfo(file).isFile())
        return;
    QVERIFY(groups.save(file));
    QVERIFY(groups.save(file));
    const bool dropped = content.contains('#') || !skipped.isEmpty();
    QCOMPARE(QFile::exists(file + ".bak"), dropped);
    if (dropped)
        QCOMPARE(readAll(file + ".bak"), content);
}

void tst_PlayerGroups::failedSaveKeepsOldFile_data()
{
    // Limits that hold for the superuser too: no descriptor left for the new file, or a disk
    // full mid-write.
    QTest::addColumn<int>("resource");
    QTest::addColumn<rlim_t>("limit");
    QTest::addColumn<QString>("reason");
    QTest::newRow("no file descriptor left") << int(RLIMIT_NOFILE) << rlim_t(3) << "Too many open files";
    QTest::newRow("disk full mid-write") << int(RLIMIT_FSIZE) << rlim_t(20) << "File too large";
}

void tst_PlayerGroups::failedSaveKeepsOldFile()
{
    QFETCH(int, resource);
    QFETCH(rlim_t, limit);
    QFETCH(QString, reason);
    writeAll(path(), "[Old]\n10.0.0.1\n");
    PlayerGroups groups;
    QVERIFY(groups.addGroup("New"));
    QVERIFY(groups.setAddresses("New", {"10.0.0.2", "10.0.0.3"})); // 24 bytes
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(resource, &old);
    rlimit small = old;
    small.rlim_cur = limit;
    ::setrlimit(resource, &small);
    QString error;
    const bool saved = groups.save(path(), &error);
    ::setrlimit(resource, &old);
    QVERIFY(!saved);
    QVERIFY2(error.startsWith("Cannot write " + path() + ": ") && error.contains(reason), qPrintable(error));
    QCOMPARE(readAll(path()), "[Old]\n10.0.0.1\n");
    QCOMPARE(QDir(m_dirs.appDir()).entryList(QDir::Files), QStringList{"groups.ini"});
}

QTEST_GUILESS_MAIN(tst_PlayerGroups)
#include "tst_playergroups.moc"

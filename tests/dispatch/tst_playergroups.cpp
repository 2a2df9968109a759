#include "TestSupport.h"

#include "dispatch/PlayerGroups.h"

#include <QDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace qvic;
using namespace qvic::test;

namespace {

// The groups as one line: "Lobby=10.0.0.5,10.0.0.6; Bar=".
QString shown(const PlayerGroups &groups)
{
    QStringList parts;
    for (const QString &name : groups.groups())
        parts << name + u'=' + groups.addresses(name).join(u',');
    return parts.join(QStringLiteral("; "));
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
    QVERIFY(groups.setAddresses("lobby screens", {" 10.0.0.6:2100", "10.0.0.5", "", "10.0.0.6:2100", "[fe80::1]"}));
    QVERIFY(groups.setAddresses("Bar", {"10.0.0.9\t"})); // blanks around are trimmed, not refused
    QVERIFY(!groups.setAddresses("Bar", {"10.0.0.8\x01"}));
    QVERIFY(groups.rename("Bar", "Bar and café"));
    QVERIFY(groups.addGroup("Gone") && groups.removeGroup("gone") && !groups.removeGroup("gone"));

    QString error;
    QVERIFY2(groups.save(path(), &error), qPrintable(error));
    QCOMPARE(readAll(path()), "[Lobby screens]\n10.0.0.6:2100\n10.0.0.5\n[fe80::1]\n\n[Bar and caf\xc3\xa9]\n10.0.0.9\n");
    PlayerGroups again;
    QCOMPARE(again.load(path()), QStringList());
    QCOMPARE(shown(again), shown(groups));
    QCOMPARE(shown(again), "Lobby screens=10.0.0.6:2100,10.0.0.5,[fe80::1]; Bar and café=10.0.0.9");
}

void tst_PlayerGroups::load_data()
{
    columns<QByteArray, QStringList, QString>("content", "skipped", "groups");
    QTest::newRow("missing") << QByteArray() << QStringList() << "";
    QTest::newRow("hand-edited: BOM, CR LF, comments, blanks")
        << QByteArray("\xef\xbb\xbf; mine\r\n[ Lobby ]\r\n  10.0.0.5  \r\n# off\r\n\r\n10.0.0.5\r\n[Bar]") << QStringList() << "Lobby=10.0.0.5; Bar=";
    QTest::newRow("outside any group") << QByteArray("\n10.0.0.1\n[A]\n10.0.0.2\n") << QStringList{"line 2: an address outside any group was skipped"} << "A=10.0.0.2";
    QTest::newRow("second group of a name")
        << QByteArray("[A]\n1.1.1.1\n[a]\n2.2.2.2\n[B]\n3.3.3.3")
        << QStringList{"line 3: a second group named \"a\", with its addresses, was skipped"} << "A=1.1.1.1; B=3.3.3.3";
    QTest::newRow("no name") << QByteArray("[ ]\n1.1.1.1\n") << QStringList{"line 1: a group without a name, with its addresses, was skipped"} << "";
    QTest::newRow("control characters")
        << QByteArray("[A]\n1.1.1.1\x1b[2J\n[B\x07]\n2.2.2.2\n[C]\n3.3.3.3\xff\n")
        << QStringList{"line 2: an address with a control character or a byte that is not UTF-8 was skipped",
                       "line 3: a group name with a control character, with its addresses, was skipped",
                       "line 6: an address with a control character or a byte that is not UTF-8 was skipped"}
        << "A=; C=";
    QTest::newRow("folder") << QByteArray("folder") << QStringList{"Cannot read %1: it is a folder."} << "";
    QTest::newRow("fifo") << QByteArray("fifo") << QStringList{"Cannot read %1: it is not a regular file."} << "";
    QTest::newRow("too large") << QByteArray("2 MB") << QStringList{"Cannot read %1: it is larger than 1 MB."} << "";
}

void tst_PlayerGroups::load()
{
    auto [content, skipped, expected] = fetch<QByteArray, QStringList, QString>("content", "skipped", "groups");
    const QString file = m_dirs.root.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_').remove(u':'));
    if (!content.isNull())
        writeAll(file, content);
    PlayerGroups groups;
    QVERIFY(groups.addGroup("Before"));
    QCOMPARE(groups.load(file), skipped.replaceInStrings("%1", file));
    QCOMPARE(shown(groups), expected);
    // What the next save drops (comments, skipped lines) is kept beside it, once.
    if (QFileInfo(file).isFile() && QFileInfo(file).size() < 1000) {
        QVERIFY(groups.save(file) && groups.save(file));
        QCOMPARE(QFile::exists(file + ".bak"), content.contains('#') || !skipped.isEmpty());
        if (QFile::exists(file + ".bak"))
            QCOMPARE(readAll(file + ".bak"), content);
    }
}

void tst_PlayerGroups::failedSaveKeepsOldFile_data()
{
    // Limits that hold for the superuser too: no descriptor left for the new file, or a disk full mid-write.
    columns<int, rlim_t, QString>("resource", "limit", "reason");
    QTest::newRow("no file descriptor left") << int(RLIMIT_NOFILE) << rlim_t(3) << "Too many open files";
    QTest::newRow("disk full mid-write") << int(RLIMIT_FSIZE) << rlim_t(20) << "File too large";
}

void tst_PlayerGroups::failedSaveKeepsOldFile()
{
    auto [resource, limit, reason] = fetch<int, rlim_t, QString>("resource", "limit", "reason");
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

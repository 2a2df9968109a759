#include "TestSupport.h"

#include "dispatch/PlayerGroups.h"

#include <QDir>
#include <QtTest>

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
    // What a stored file's reader refuses is the platform's matter.
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("skipped");
    QTest::addColumn<QStringList>("groups");
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
    QTest::newRow("control characters")
        << QByteArray("[A]\n1.1.1.1\x1b[2J\n[B\x07]\n2.2.2.2\n[C]\n3.3.3.3\xff\n")
        << QStringList{"line 2: an address with a control character or a byte that is not UTF-8 was skipped",
                       "line 3: a group name with a control character, with its addresses, was skipped",
                       "line 6: an address with a control character or a byte that is not UTF-8 was skipped"}
        << QStringList({"A=", "C="});
}

// The groups read replace those held before; what the next save drops (comments, skipped
// lines) is kept beside the file, once.
void tst_PlayerGroups::load()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, skipped);
    const QString tag = QString::fromLatin1(QTest::currentDataTag());
    const QString file = m_dirs.root.filePath(tag.simplified().replace(u' ', u'_').remove(u':'));
    writeAll(file, content);
    PlayerGroups groups;
    QVERIFY(groups.addGroup("Before"));

    QCOMPARE(groups.load(file), skipped);

    QTEST(shown(groups), "groups");
    QVERIFY(groups.save(file));
    QVERIFY(groups.save(file));
    const bool dropped = content.contains('#') || !skipped.isEmpty();
    QCOMPARE(QFile::exists(file + ".bak"), dropped);
    if (dropped)
        QCOMPARE(readAll(file + ".bak"), content);
}

// A disk full mid-write leaves the file as it was and nothing of the save beside it.
void tst_PlayerGroups::failedSaveKeepsOldFile()
{
    writeAll(path(), "[Old]\n10.0.0.1\n");
    PlayerGroups groups;
    QVERIFY(groups.addGroup("New"));
    QVERIFY(groups.setAddresses("New", {"10.0.0.2", "10.0.0.3"})); // 24 bytes
    QString error;
    bool saved = true;
    {
        const FileSizeLimit limit(20);
        QVERIFY(limit.isSet());
        saved = groups.save(path(), &error);
    }

    QVERIFY(!saved);
    QCOMPARE(error, "Cannot write " + path() + ": File too large");
    QCOMPARE(readAll(path()), "[Old]\n10.0.0.1\n");
    QCOMPARE(QDir(m_dirs.appDir()).entryList(QDir::Files), QStringList{"groups.ini"});
}

QTEST_GUILESS_MAIN(tst_PlayerGroups)
#include "tst_playergroups.moc"

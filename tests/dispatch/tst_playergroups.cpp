#include "TestSupport.h"

#include "dispatch/PlayerGroups.h"

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
    void load_data();
    void load();

private:
    TempDirs m_dirs;
    QString path() const { return m_dirs.appDir() + QStringLiteral("/groups.ini"); }
};

void tst_PlayerGroups::load_data()
{
    // What a stored file's reader refuses is the platform's matter.
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("skipped");
    QTest::addColumn<QStringList>("groups");
    QTest::newRow("hand-edited: BOM, CR LF, comments, blanks")
        << QByteArray("\xef\xbb\xbf; mine\r\n[ Lobby ]\r\n  10.0.0.5  \r\n# off\r\n\r\n10.0.0.5\r\n[Bar]")
        << QStringList() << QStringList({"Lobby=10.0.0.5", "Bar="});
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

QTEST_GUILESS_MAIN(tst_PlayerGroups)
#include "tst_playergroups.moc"

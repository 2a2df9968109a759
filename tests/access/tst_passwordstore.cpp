#include "access/PasswordStore.h"

#include "TestSupport.h"

#include <QDir>
#include <QtTest>

#include <sys/stat.h>

using namespace qvic;

class tst_PasswordStore : public QObject
{
    Q_OBJECT

private slots:
    void load_data();
    void load();
    void write_data();
    void write();
};

void tst_PasswordStore::load_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("remember");
    QTest::addColumn<QString>("saved");  // as the password dialog loads it
    QTest::addColumn<QString>("stored"); // as the change dialog loads it

    QTest::newRow("no file") << QByteArray() << false << "" << "";
    QTest::newRow("pass without remember is not read")
        << QByteArray("[PASSWORD]\r\npass=Secret\r\n") << false << "" << "Secret";
    QTest::newRow("lower-case names, LF ends")
        << QByteArray("[password]\nREMEMBER=1\nPass=Se cret\n") << true << "Se cret" << "Se cret";
    QTest::newRow("over 79 characters")
        << "[PASSWORD]\r\nremember=0\r\npass=" + QByteArray(79, 'a') + "b\r\n" << false
        << QString(79, u'a') << QString(79, u'a');
    QTest::newRow("another section") << QByteArray("[OTHER]\r\nremember=1\r\npass=S\r\n") << false << "" << "";
}

void tst_PasswordStore::load()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, remember);
    QFETCH(QString, saved);
    QFETCH(QString, stored);
    test::TempDirs dirs;
    const QString path = dirs.winDir() + "/icpass.ini";
    if (!file.isNull())
        test::writeAll(path, file);
    const PasswordStore store(path);
    QCOMPARE(store.loadLogin().remember, remember);
    QCOMPARE(store.loadLogin().savedPassword, saved);
    QCOMPARE(store.loadPassword(), stored);
}

void tst_PasswordStore::write_data()
{
    QTest::addColumn<QByteArray>("before"); // null: not even a WinDir
    QTest::addColumn<QString>("pass");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("no WinDir") << QByteArray() << "New Pass" << QByteArray("[PASSWORD]\r\npass=New Pass\r\n");
    QTest::newRow("pass replaced, the rest kept, Windows-1252")
        << QByteArray("[Other]\r\npass=x\r\n[PASSWORD]\r\nremember=1\r\npass=Old\r\n")
        << QStringLiteral(u"\u00e9t\u20ac")
        << QByteArray("[Other]\r\npass=x\r\n[PASSWORD]\r\nremember=1\r\npass=\xe9t\x80\r\n");
}

void tst_PasswordStore::write()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, pass);
    QFETCH(QByteArray, after);
    test::TempDirs dirs;
    const QString path = dirs.winDir() + "/icpass.ini";
    if (!before.isNull())
        test::writeAll(path, before); // as an administrator leaves it: 0644
    const PasswordStore store(path);
    QVERIFY(store.storePassword(pass));
    QCOMPARE(test::readAll(path), after);
    struct stat info {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, 0600u);

    // A folder in the file's place: the write fails and names the file.
    QVERIFY(QFile::remove(path) && QDir().mkdir(path));
    QString error;
    QVERIFY(!store.storePassword(QStringLiteral("Other"), &error));
    QVERIFY2(error.contains(path), qPrintable(error));
}

QTEST_GUILESS_MAIN(tst_PasswordStore)
#include "tst_passwordstore.moc"

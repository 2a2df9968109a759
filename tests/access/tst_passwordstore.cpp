#include "access/PasswordStore.h"

#include "TestSupport.h"

#include <QtTest>

#include <sys/stat.h>

using namespace qvic;

class tst_PasswordStore : public QObject
{
    Q_OBJECT
    test::TempDirs dirs;
    QString path() const { return dirs.winDir() + "/icpass.ini"; }

private slots:
    void load_data();
    void load();
    void write();
};

void tst_PasswordStore::load_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("remember"); // "remember" exactly "1": the dialog's tests show the others
    QTest::addColumn<QString>("saved");  // as the password dialog loads it
    QTest::addColumn<QString>("stored"); // as the change dialog loads it
    QTest::newRow("no file") << QByteArray() << false << "" << "";
    QTest::newRow("pass without remember is not read") << QByteArray("[PASSWORD]\r\npass=Secret\r\n") << false << "" << "Secret";
    QTest::newRow("lower-case names, LF ends")
        << QByteArray("[password]\nREMEMBER=1\nPass=Se cret\n") << true << "Se cret" << "Se cret";
    QTest::newRow("over 79 characters") << "[PASSWORD]\r\nremember=0\r\npass=" + QByteArray(79, 'a') + "b\r\n" << false
                                        << QString(79, u'a') << QString(79, u'a');
    QTest::newRow("another section") << QByteArray("[OTHER]\r\nremember=1\r\npass=S\r\n") << false << "" << "";
}

void tst_PasswordStore::load()
{
    QFETCH(QByteArray, file);
    QFile::remove(path());
    if (!file.isNull())
        test::writeAll(path(), file);
    const PasswordStore store(path());
    QTEST(store.loadLogin().remember, "remember");
    QTEST(store.loadLogin().savedPassword, "saved");
    QTEST(store.loadPassword(), "stored");
}

// A new WinDir, then a file an administrator left (0644): the file ends up private.
// A write that fails is the change dialog's test.
void tst_PasswordStore::write()
{
    const auto mode = [](const QString &file) {
        struct stat info {};
        return ::stat(QFile::encodeName(file).constData(), &info) == 0 ? info.st_mode & 0777 : 0u;
    };
    const QString fresh = dirs.winDir() + "/new/icpass.ini";
    QVERIFY(PasswordStore(fresh).storePassword("New Pass"));
    QCOMPARE(test::readAll(fresh), "[PASSWORD]\r\npass=New Pass\r\n");
    QCOMPARE(mode(fresh), 0600u);
    test::writeAll(path(), "[Other]\r\npass=x\r\n[PASSWORD]\r\nremember=1\r\npass=Old\r\n");
    QVERIFY(PasswordStore(path()).storePassword(u"\u00e9t\u20ac"_qs));
    QCOMPARE(test::readAll(path()), "[Other]\r\npass=x\r\n[PASSWORD]\r\nremember=1\r\npass=\xe9t\x80\r\n");
    QCOMPARE(mode(path()), 0600u);
}

QTEST_GUILESS_MAIN(tst_PasswordStore)
#include "tst_passwordstore.moc"

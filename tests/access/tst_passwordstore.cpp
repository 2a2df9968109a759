#include "access/PasswordStore.h"

#include "TestSupport.h"

#include <QDir>
#include <QtTest>

#include <sys/stat.h>

using namespace qvic;
using Store = PasswordStore;

class tst_PasswordStore : public QObject
{
    Q_OBJECT

private slots:
    void loadLogin_data();
    void loadLogin();
    void checks_data();
    void checks();
    void writes_data();
    void writes();
};

void tst_PasswordStore::loadLogin_data()
{
    QTest::addColumn<QByteArray>("file"); // null: no file at all
    QTest::addColumn<bool>("remember");
    QTest::addColumn<QString>("saved");
    QTest::addColumn<QString>("stored");

    const QByteArray long80 = QByteArray(79, 'a') + 'b';
    QTest::newRow("no file") << QByteArray() << false << "" << "";
    QTest::newRow("pass without remember is not read")
        << QByteArray("[PASSWORD]\r\npass=Secret\r\n") << false << "" << "Secret";
    QTest::newRow("remember 1") << QByteArray("[PASSWORD]\r\nremember=1\r\npass=Secret\r\n")
                                << true << "Secret" << "Secret";
    QTest::newRow("remember 0, lower-case section, LF")
        << QByteArray("[password]\nREMEMBER=0\nPass=Se cret\n") << false << "Se cret"
        << "Se cret";
    QTest::newRow("remember a word") << QByteArray("[PASSWORD]\r\nremember=yes\r\npass=S\r\n")
                                     << false << "S" << "S";
    QTest::newRow("remember 1 without pass") << QByteArray("[PASSWORD]\r\nremember=1\r\n")
                                             << true << "" << "";
    QTest::newRow("over 79 characters") << "[PASSWORD]\r\nremember=1\r\npass=" + long80 + "\r\n"
                                        << true << QString(79, u'a') << QString(79, u'a');
    QTest::newRow("other section only") << QByteArray("[OTHER]\r\nremember=1\r\npass=S\r\n")
                                        << false << "" << "";
}

void tst_PasswordStore::loadLogin()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, remember);
    QFETCH(QString, saved);
    QFETCH(QString, stored);
    test::TempDirs dirs;
    const QString path = dirs.winDir() + "/icpass.ini";
    if (!file.isNull())
        test::writeAll(path, file);
    const Store store(path);
    QCOMPARE(store.loadLogin().remember, remember);
    QCOMPARE(store.loadLogin().savedPassword, saved);
    QCOMPARE(store.loadPassword(), stored);
}

void tst_PasswordStore::checks_data()
{
    QTest::addColumn<QString>("first");  // typed, or the current password
    QTest::addColumn<QString>("second"); // the new password; "-" for a login
    QTest::addColumn<QString>("saved");
    QTest::addColumn<int>("expected");

    const auto login = [](const char *name, const char *typed, const char *saved, Store::LoginCheck r) {
        QTest::newRow(name) << typed << "-" << saved << int(r);
    };
    login("login empty", "", "Secret", Store::LoginCheck::Empty);
    login("login empty, nothing saved", "", "", Store::LoginCheck::Empty);
    login("login exact", "Secret", "Secret", Store::LoginCheck::Accepted);
    login("login case", "secret", "Secret", Store::LoginCheck::Refused);
    login("login leading blank", " Secret", "Secret", Store::LoginCheck::Refused);
    login("login trailing blank", "Secret ", "Secret", Store::LoginCheck::Refused);
    login("login built-in", "rb3tessorn", "Secret", Store::LoginCheck::Accepted);
    login("login built-in, nothing saved", "rb3tessorn", "", Store::LoginCheck::Accepted);
    login("login built-in case", "Rb3tessorn", "", Store::LoginCheck::Refused);
    login("login nothing saved", "x", "", Store::LoginCheck::Refused);

    const auto change = [](const char *name, const char *current, const char *next,
                           const char *saved, Store::ChangeCheck r) {
        QTest::newRow(name) << current << next << saved << int(r);
    };
    change("change both empty", "", "", "S", Store::ChangeCheck::NoCurrent);
    change("change no current", "", "n", "S", Store::ChangeCheck::NoCurrent);
    change("change no new", "S", "", "S", Store::ChangeCheck::NoNew);
    change("no new before wrong current", "x", "", "S", Store::ChangeCheck::NoNew);
    change("change case", "s", "n", "S", Store::ChangeCheck::WrongCurrent);
    change("change built-in", "rb3tessorn", "n", "S", Store::ChangeCheck::WrongCurrent);
    change("change nothing saved", "x", "n", "", Store::ChangeCheck::WrongCurrent);
    change("change accepted", "S", " n ", "S", Store::ChangeCheck::Accepted);
}

void tst_PasswordStore::checks()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, saved);
    QFETCH(int, expected);
    const int result = second == u"-" ? int(Store::checkLogin(first, saved))
                                      : int(Store::checkChange(first, second, saved));
    QCOMPARE(result, expected);
}

void tst_PasswordStore::writes_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no WinDir at all
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("pass, no WinDir") << QByteArray() << "pass" << "New Pass"
                                     << QByteArray("[PASSWORD]\r\npass=New Pass\r\n");
    QTest::newRow("remember, no WinDir") << QByteArray() << "remember" << "0"
                                         << QByteArray("[PASSWORD]\r\nremember=0\r\n");
    QTest::newRow("pass replaced, others kept")
        << QByteArray("[Other]\r\npass=x\r\n[PASSWORD]\r\nremember=1\r\npass=Old\r\n")
        << "pass" << QStringLiteral(u"\u00e9t\u20ac")
        << QByteArray("[Other]\r\npass=x\r\n[PASSWORD]\r\nremember=1\r\npass=\xe9t\x80\r\n");
    QTest::newRow("remember added") << QByteArray("[PASSWORD]\npass=Old\n") << "remember" << "1"
                                    << QByteArray("[PASSWORD]\r\npass=Old\r\nremember=1\r\n");
}

void tst_PasswordStore::writes()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    test::TempDirs dirs;
    const QString path = dirs.winDir() + "/icpass.ini";
    if (!before.isNull())
        test::writeAll(path, before); // as an administrator leaves it: 0644
    const Store store(path);
    QVERIFY(key == u"pass" ? store.storePassword(value) : store.recordRemember(value == u"1"));
    QCOMPARE(test::readAll(path), after);
    struct stat info {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, 0600u);

    // A folder in the file's place: the write fails and says which file.
    QVERIFY(QFile::remove(path) && QDir().mkdir(path));
    QString error;
    QVERIFY(!store.storePassword(QStringLiteral("Other"), &error));
    QVERIFY2(error.contains(path), qPrintable(error));
}

QTEST_GUILESS_MAIN(tst_PasswordStore)
#include "tst_passwordstore.moc"

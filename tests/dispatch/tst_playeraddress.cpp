#include "TestSupport.h"

#include "dispatch/PlayerAddress.h"

#include <QtTest>

using namespace qvic;

// The one table of addresses every place that takes one (the address box, the
// groups, the command line) accepts or refuses, through the one parser.
class tst_PlayerAddress : public QObject
{
    Q_OBJECT

private slots:
    void address_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port");

        QTest::newRow("spaces around it") << "  10.0.0.5:21 " << true << "10.0.0.5" << "21";
        QTest::newRow("bare IPv6") << "fe80::1" << true << "[fe80::1]" << "21";
        QTest::newRow("IPv6 and port") << "[::1]:2121" << true << "[::1]" << "2121";

        QTest::newRow("empty") << "" << false << "" << "";
        QTest::newRow("space inside") << "10.0.0.9 2100" << false << "" << "";
        QTest::newRow("line break and a command") << "127.0.0.1\r\nDELE x" << false << "" << "";
        QTest::newRow("port too high") << "10.0.0.5:65536" << false << "" << "";
        QTest::newRow("unclosed bracket") << "[::1:21" << false << "" << "";
    }

    void address()
    {
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        const std::optional<PlayerAddress> address = parsePlayerAddress(typed);
        QCOMPARE(address.has_value(), accepted);
        if (!address)
            return;
        QTEST(QString::fromUtf8(address->host), "host");
        QTEST(QString::fromUtf8(address->port), "port");
    }
};

QTEST_GUILESS_MAIN(tst_PlayerAddress)
#include "tst_playeraddress.moc"

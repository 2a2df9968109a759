#include "FtpTestServer.h"
#include "TestSupport.h"

#include "dispatch/FtpClient.h"

#include <QRandomGenerator>
#include <QtTest>

#include <curl/curl.h>

using namespace qvic;
using qvic::test::FtpTestServer;

class tst_FtpClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(curl_global_init(CURL_GLOBAL_DEFAULT), CURLE_OK); }
    void cleanupTestCase() { curl_global_cleanup(); }
    void upload_data();
    void upload();
};

void tst_FtpClient::upload_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("remote");
    QTest::addColumn<int>("size");
    // An aborted upload is the transfer dialog's cancel.
    QTest::newRow("media") << "127.0.0.1" << "media\\crawl.rtf" << 3000000;
    // The server decodes names as Windows-1252: a UTF-8 name would arrive as "cafÃ©...".
    // Nor may a ";type=" in the name change the transfer type.
    QTest::newRow("Windows-1252 name, URL characters")
        << "127.0.0.1" << QString::fromUtf8("media\\café #1;type=a.rtf") << 4096;
    QTest::newRow("IPv6 host") << "::1" << "media\\six.rtf" << 1000;
}

// One upload in the order the transfer dialog drives it.
void tst_FtpClient::upload()
{
    QFETCH(QString, address);
    QFETCH(QString, remote);
    QFETCH(int, size);
    FtpTestServer server;
    server.setAddress(address);
    if (!server.start() && address.contains(':'))
        QSKIP("This machine has no IPv6 loopback.");
    QVERIFY2(server.port() > 0, qPrintable(server.errorString()));
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(size).fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    test::TempDirs dirs;
    const QString local = dirs.root.filePath("local.bin");
    test::writeAll(local, bytes);

    FtpClient client;
    QStringList notes; // a run of progress notes counts once
    qint64 progress = -1;
    connect(&client, &FtpClient::TransferStarted, this, [&] { notes << "started"; });
    connect(&client, &FtpClient::TransferProgress, this, [&](qint64 bytes) {
        if (notes.last() != u"progress")
            notes << "progress";
        progress = bytes;
    });
    connect(&client, &FtpClient::TransferFinished, this, [&] { notes << "finished"; });
    try {
        client.Host = server.host();
        client.UserName = "qv7player";
        client.Password = "tk2harbor";
        client.LogOn();
        client.RemoteFile = remote;
        client.LocalFile = local;
        client.SendFile();
        while (!notes.contains("finished"))
            client.ServiceEvents();
        client.LogOff();
    } catch (const FtpError &error) {
        QFAIL(error.what());
    }
    QCOMPARE(notes, QStringList({"started", "progress", "finished"}));
    QVERIFY(!client.IsConnected());
    // The logged-on connection carried the upload.
    QCOMPARE(server.count("connect"), 1);
    QCOMPARE(server.count("login qv7player"), 1);
    QCOMPARE(progress, qint64(size));
    QVERIFY(test::readAll(server.root() + "/" + remote.replace('\\', '/')) == bytes);
}

QTEST_GUILESS_MAIN(tst_FtpClient)
#include "tst_ftpclient.moc"

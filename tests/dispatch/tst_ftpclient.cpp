#include "FtpTestServer.h"
#include "TestSupport.h"

#include "dispatch/FtpClient.h"

#include <QRandomGenerator>
#include <QtTest>

#include <curl/curl.h>

using namespace qvic;
using qvic::test::FtpTestServer;

namespace {

QByteArray randomBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(size);
    for (char &byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

struct Outcome
{
    std::optional<FtpError> error;
    QStringList notes; // "started", "progress" (once for a run of them), "finished"
    qint64 lastProgress = -1;
};

// One upload in the order the transfer dialog drives it.
Outcome upload(FtpClient &client, const QString &host, const QString &remote, const QString &local)
{
    Outcome outcome;
    bool finished = false;
    QObject scope;
    QObject::connect(&client, &FtpClient::TransferStarted, &scope, [&] { outcome.notes << "started"; });
    QObject::connect(&client, &FtpClient::TransferProgress, &scope, [&](qint64 bytes) {
        if (outcome.notes.last() != QLatin1String("progress"))
            outcome.notes << "progress";
        outcome.lastProgress = bytes;
    });
    QObject::connect(&client, &FtpClient::TransferFinished, &scope, [&] {
        outcome.notes << "finished";
        finished = true;
    });
    try {
        client.Host = host;
        client.UserName = QStringLiteral("qv7player");
        client.Password = QStringLiteral("tk2harbor");
        client.LogOn();
        client.RemoteFile = remote;
        client.LocalFile = local;
        client.SendFile();
        while (!finished)
            client.ServiceEvents();
        client.LogOff();
    } catch (const FtpError &error) {
        outcome.error = error;
    }
    return outcome;
}

} // namespace

class tst_FtpClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(curl_global_init(CURL_GLOBAL_DEFAULT), CURLE_OK); }
    void cleanupTestCase() { curl_global_cleanup(); }

    void uploadArrivesIntact_data();
    void uploadArrivesIntact();
    void abortFromProgressEndsTheUpload();

private:
    test::TempDirs m_dirs;
};

void tst_FtpClient::uploadArrivesIntact_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("remote");
    QTest::addColumn<QString>("arrives");
    QTest::addColumn<int>("size");

    QTest::newRow("media") << "127.0.0.1" << "media\\crawl.rtf" << "media/crawl.rtf" << 3000000;
    // The server decodes names as Windows-1252: a UTF-8 name would arrive as "cafÃ©...".
    // Nor may a ";type=" in the name change the transfer type.
    QTest::newRow("Windows-1252 name, URL characters")
        << "127.0.0.1" << QString::fromUtf8("media\\café #1;type=a.rtf")
        << QString::fromUtf8("media/café #1;type=a.rtf") << 4096;
    QTest::newRow("IPv6 host") << "::1" << "media\\six.rtf" << "media/six.rtf" << 1000;
}

void tst_FtpClient::uploadArrivesIntact()
{
    QFETCH(QString, address);
    QFETCH(QString, remote);
    QFETCH(QString, arrives);
    QFETCH(int, size);

    FtpTestServer server;
    server.setAddress(address);
    if (!server.start() && address.contains(QLatin1Char(':')))
        QSKIP("This machine has no IPv6 loopback.");
    QVERIFY2(server.port() > 0, qPrintable(server.errorString()));
    const QString local = m_dirs.root.filePath(QStringLiteral("local.bin"));
    const QByteArray bytes = randomBytes(size);
    test::writeAll(local, bytes);

    FtpClient client;
    const Outcome outcome = upload(client, server.host(), remote, local);
    QVERIFY2(!outcome.error, outcome.error ? outcome.error->what() : "");
    QCOMPARE(outcome.notes, QStringList({"started", "progress", "finished"}));
    QCOMPARE(outcome.lastProgress, qint64(size));
    QVERIFY(!client.IsConnected());
    QVERIFY(test::readAll(server.root() + QLatin1Char('/') + arrives) == bytes);
    // The logged-on connection carried the upload.
    QCOMPARE(server.count(QStringLiteral("connect")), 1);
    QCOMPARE(server.count(QStringLiteral("login qv7player")), 1);
}

void tst_FtpClient::abortFromProgressEndsTheUpload()
{
    FtpTestServer server(FtpTestServer::Mode::Throttled);
    server.setRate(200000);
    QVERIFY(server.start());
    const QString local = m_dirs.root.filePath(QStringLiteral("slow.bin"));
    test::writeAll(local, randomBytes(20 << 20));

    FtpClient client;
    // Aborting from inside a notification, as the dialog does after a cancel.
    connect(&client, &FtpClient::TransferProgress, &client, [&] { client.AbortTransfer(); });
    const Outcome outcome = upload(client, server.host(), QStringLiteral("media\\slow.bin"), local);
    QVERIFY(!outcome.error);
    QCOMPARE(outcome.notes, QStringList({"started", "progress", "finished"}));
    QVERIFY(outcome.lastProgress > 0 && outcome.lastProgress < (20 << 20));
    QVERIFY(!client.IsConnected());
    // The player sees a broken upload, not a short file that ended cleanly.
    QTRY_COMPARE(server.count(QStringLiteral("incomplete /media/slow.bin")), 1);
    QCOMPARE(server.count(QStringLiteral("received")), 0);
}

QTEST_GUILESS_MAIN(tst_FtpClient)
#include "tst_ftpclient.moc"

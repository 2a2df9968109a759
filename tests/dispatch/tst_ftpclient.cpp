#include "FtpTestServer.h"

#include "dispatch/FtpClient.h"

#include <QRandomGenerator>

using namespace qvic;
using qvic::test::FtpTestServer;
using M = FtpTestServer::Mode;
Q_DECLARE_METATYPE(FtpTestServer::Mode)

class tst_FtpClient : public QObject
{
    Q_OBJECT

private slots:
    void upload_data();
    void upload();
};

void tst_FtpClient::upload_data()
{
    test::columns<FtpTestServer::Mode, QString, QString, int>("mode", "address", "remote", "size");
    QTest::newRow("media") << M::Normal << "127.0.0.1" << "media\\crawl.rtf" << 3000000;
    // The server decodes names as Windows-1252: a UTF-8 name would arrive as "cafÃ©...".
    // Nor may a ";type=" in the name change the transfer type.
    QTest::newRow("Windows-1252 name, URL characters") << M::Normal << "127.0.0.1" << QString::fromUtf8("media\\café #1;type=a.rtf") << 4096;
    QTest::newRow("IPv6 host") << M::Normal << "::1" << "media\\six.rtf" << 1000;
    // Two seconds at 150 kB/s; most of it lies in the socket buffers long before the
    // player has it, and the response limit is one second.
    QTest::newRow("slow player") << M::Throttled << "127.0.0.1" << "media\\slow.rtf" << 300000;
}

// The document (by its temporary name) and then the command file (directly), each in the order the transfer dialog drives it.
void tst_FtpClient::upload()
{
    auto [mode, address, remote, size] = test::fetch<FtpTestServer::Mode, QString, QString, int>("mode", "address", "remote", "size");
    FtpTestServer server(mode);
    server.setAddress(address);
    server.setRate(150000);
    if (!server.start() && address.contains(':'))
        QSKIP("This machine has no IPv6 loopback.");
    QVERIFY2(server.port() > 0, qPrintable(server.errorString()));
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(size).fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    test::TempDirs dirs;
    const QString local = dirs.root.filePath("local.bin"), command = dirs.root.filePath("Instant.txt");
    test::writeAll(local, bytes);
    test::writeAll(command, "Time=03/04/2024 01:05:09 PM\r\nMessage=@STOP_INSTANT_CRAWL\r\n");
    const QString remotePath = server.root() + '/' + QString(remote).replace('\\', '/');

    FtpClient client;
    client.setTimeLimits({std::chrono::milliseconds(1000), std::chrono::seconds(1), std::chrono::seconds(1)});
    QStringList notes; // a run of progress notes counts once
    qint64 progress = -1, ahead = 0; // how far the notes ran ahead of the file the player holds
    connect(&client, &FtpClient::TransferStarted, this, [&] { notes << "started"; });
    connect(&client, &FtpClient::TransferProgress, this, [&](qint64 bytes) {
        if (notes.last() != u"progress")
            notes << "progress";
        progress = bytes;
        if (client.LocalFile == local)
            ahead = std::max(ahead, bytes - QFileInfo(remotePath + ".part").size());
    });
    connect(&client, &FtpClient::TransferFinished, this, [&] { notes << "finished"; });
    try {
        for (const auto &[from, to] : {std::pair(local, remote), std::pair(command, QString("settings\\Instant.txt"))}) {
            client.Host = server.host(), client.UserName = "qv7player", client.Password = "tk2harbor";
            client.LogOn();
            client.RemoteFile = to, client.LocalFile = from, client.ViaTemporaryName = from == local;
            client.SendFile();
            while (!notes.endsWith("finished"))
                client.ServiceEvents();
            client.PutInPlace();
            client.LogOff();
        }
    } catch (const FtpError &error) {
        QFAIL(error.what());
    }
    QCOMPARE(notes, QStringList({"started", "progress", "finished", "started", "progress", "finished"}));
    QVERIFY(!client.IsConnected());
    // Each logged-on connection carried its upload.
    QCOMPARE(QList<int>({server.count("connect"), server.count("login qv7player")}), QList<int>({2, 2}));
    QCOMPARE(progress, test::readAll(command).size());
    QVERIFY(test::readAll(remotePath) == bytes);
    QCOMPARE(test::readAll(server.root() + "/settings/Instant.txt"), test::readAll(command));
    const QString name = "/" + QString(remote).replace('\\', '/');
    QCOMPARE(server.events().filter(QRegularExpression("^(received|renamed) ")),
             QStringList({"received " + name + ".part", "renamed " + name + ".part " + name, "received /settings/Instant.txt"}));
    QVERIFY(!QFileInfo::exists(remotePath + ".part"));
    // The slow player's receive window is small: a note shows what it has, not what the kernel took.
    if (mode == M::Throttled)
        QVERIFY2(ahead < 65536, qPrintable(QString::number(ahead)));
}

QTEST_GUILESS_MAIN(tst_FtpClient)
#include "tst_ftpclient.moc"

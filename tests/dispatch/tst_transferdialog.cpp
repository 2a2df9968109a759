#include "FtpTestServer.h"
#include "TestSupport.h"

#include "app/SharedState.h"
#include "dispatch/frmTransferFTPFile.h"
#include "platform/RecordingDialogs.h"

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

#include <curl/curl.h>

using namespace qvic;
using qvic::test::FtpTestServer;

Q_DECLARE_METATYPE(FtpTestServer::Mode)

namespace {

const QString kCancelled = QStringLiteral("Transferring process is cancelled.");

QByteArray someBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 131 + i / 7) & 0xFF);
    return bytes;
}

FtpClient::TimeLimits shortLimits()
{
    using namespace std::chrono_literals;
    return {1000ms, 1s, 1s};
}

} // namespace

class tst_TransferDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(curl_global_init(CURL_GLOBAL_DEFAULT), CURLE_OK); }
    void cleanupTestCase() { curl_global_cleanup(); }

    void outcomes_data();
    void outcomes();
    void cancels_data();
    void cancels();
    void formatTimeLeft_data();
    void formatTimeLeft();

private:
    test::TempDirs m_dirs;
};

namespace {

// The state a caller fills before it opens the dialog.
SharedState request(const QString &host, const QString &remote, const QString &localPath)
{
    SharedState state;
    state.strLocalFile = QFileInfo(localPath).fileName();
    state.strLocalPath = localPath;
    state.strRemoteFile = remote;
    state.strTransferMode = QStringLiteral("UPLOAD");
    state.strRemoteHost = host;
    state.strFtpUser = QStringLiteral("qv7player");
    state.strFtpPassword = QStringLiteral("tk2harbor");
    return state;
}

} // namespace

void tst_TransferDialog::outcomes_data()
{
    QTest::addColumn<FtpTestServer::Mode>("serverMode");
    QTest::addColumn<QString>("host"); // empty: the server's; "closed": the server's once stopped
    QTest::addColumn<QString>("transferMode");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("remote");
    QTest::addColumn<int>("size"); // -1: no local file
    QTest::addColumn<QString>("message"); // empty: success; ending in ": " a prefix
    QTest::addColumn<int>("connections");

    using M = FtpTestServer::Mode;
    const QString pw = QStringLiteral("tk2harbor");
    const QString up = QStringLiteral("UPLOAD");
    const QString media = QStringLiteral("media\\crawl.rtf");
    const QString logon = QStringLiteral("Can't logon to this IP Address");
    const QString lost = QStringLiteral("The IP Address is not connected.");
    const QString general = QStringLiteral("Error transferring file.\r\nFTP Error: %1\r\nErr Desp: ");
    QTest::newRow("document") << M::Normal << "" << up << pw << media << 300000 << "" << 1;
    QTest::newRow("command file, mode in lower case")
        << M::Normal << "" << "upload" << pw << "settings\\Instant.txt" << 70 << "" << 1;
    QTest::newRow("Windows-1252 name")
        << M::Normal << "" << up << pw << QString::fromUtf8("media\\café.rtf") << 500 << "" << 1;
    QTest::newRow("empty file counts as sent") << M::Normal << "" << up << pw << media << 0 << "" << 0;
    QTest::newRow("not an upload") << M::Normal << "" << "" << pw << media << 10 << "" << 0;
    QTest::newRow("missing local file") << M::Normal << "" << up << pw << media << -1 << general.arg(53) << 0;
    QTest::newRow("wrong password") << M::Normal << "" << up << "wrong" << media << 10 << logon << 1;
    QTest::newRow("refused logon") << M::RefuseLogon << "" << up << pw << media << 10 << logon << 1;
    QTest::newRow("never greets") << M::NeverGreets << "" << up << pw << media << 10 << logon << 1;
    QTest::newRow("closed port") << M::Normal << "closed" << up << pw << media << 10 << logon << 0;
    QTest::newRow("port out of range") << M::Normal << "127.0.0.1:65536" << up << pw << media << 10 << logon << 0;
    QTest::newRow("unclosed bracket") << M::Normal << "[::1:21" << up << pw << media << 10 << logon << 0;
    QTest::newRow("line break in address")
        << M::Normal << "127.0.0.1\r\nUSER x" << up << pw << media << 10 << logon << 0;
    QTest::newRow("line break in remote name")
        << M::Normal << "" << up << pw << "media\\a\r\nDELE b" << 10 << general.arg(3) << 1;
    QTest::newRow("missing remote folder")
        << M::Normal << "" << up << pw << "media\\nowhere\\x.rtf" << 10
        << "Can't find the transferred file.\r\nTransferring process is cancelled." << 1;
    QTest::newRow("dropped mid-upload") << M::DropUpload << "" << up << pw << media << (8 << 20) << lost << 1;
    QTest::newRow("stalled") << M::Throttled << "" << up << pw << media << (8 << 20) << lost << 1;
    QTest::newRow("storage full") << M::StorageFull << "" << up << pw << media << 10 << general.arg(25) << 1;
}

void tst_TransferDialog::outcomes()
{
    QFETCH(FtpTestServer::Mode, serverMode);
    QFETCH(QString, host);
    QFETCH(QString, transferMode);
    QFETCH(QString, password);
    QFETCH(QString, remote);
    QFETCH(int, size);
    QFETCH(QString, message);
    QFETCH(int, connections);

    FtpTestServer server(serverMode);
    server.setRate(1); // a throttled server that takes a byte a second has stalled
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    if (host.isEmpty() || host == QLatin1String("closed")) {
        const bool closed = !host.isEmpty();
        host = server.host();
        if (closed)
            server.stop();
    }
    const QString local = m_dirs.root.filePath(QStringLiteral("crawl.rtf"));
    QFile::remove(local);
    const QByteArray bytes = someBytes(std::max(size, 0));
    if (size >= 0)
        test::writeAll(local, bytes);

    SharedState state = request(host, remote, local);
    state.strTransferMode = transferMode;
    state.strFtpPassword = password;
    const bool success = message.isEmpty() && transferMode.toUpper() == QLatin1String("UPLOAD");
    state.blnTransferOK = !success; // the dialog must write its result either way
    RecordingDialogs dialogs;
    frmTransferFTPFile dlg(state, dialogs);
    dlg.setTimeLimits(shortLimits());
    QStringList rowsAtMessage;
    bool cancelEnabledAtMessage = true;
    dialogs.onMessage = [&](const RecordingDialogs::Message &) {
        rowsAtMessage = {dlg.findChild<QLabel *>("lblFileNameVal")->text(),
                         dlg.findChild<QLabel *>("lblFileLengthVal")->text()};
        cancelEnabledAtMessage = dlg.findChild<QPushButton *>("btnCancel")->isEnabled();
    };
    dlg.exec();

    QCOMPARE(state.blnTransferOK, success);
    QCOMPARE(server.count(QStringLiteral("connect")), connections);
    if (message.isEmpty()) {
        QCOMPARE(dialogs.messages.size(), 0);
    } else {
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].kind, RecordingDialogs::Kind::Exclamation);
        if (message.endsWith(QLatin1String(": ")))
            QVERIFY2(dialogs.messages[0].text.startsWith(message), qPrintable(dialogs.messages[0].text));
        else
            QCOMPARE(dialogs.messages[0].text, message);
        QCOMPARE(rowsAtMessage.at(0), QStringLiteral("crawl.rtf"));
        QCOMPARE(rowsAtMessage.at(1), size < 0 ? QString() : QString::number(size));
    }
    if (message == QLatin1String("Can't logon to this IP Address"))
        QVERIFY(!cancelEnabledAtMessage);
    if (success && size > 0) {
        const QString arrived = server.root() + QLatin1Char('/') + remote.replace(QLatin1Char('\\'), QLatin1Char('/'));
        QVERIFY(test::readAll(arrived) == bytes);
    }
    QVERIFY(dlg.isHidden());
    // Every connection was released (the silent server notes no hang-ups).
    if (serverMode != FtpTestServer::Mode::NeverGreets)
        QTRY_COMPARE(server.count(QStringLiteral("disconnect")), connections);
}

void tst_TransferDialog::cancels_data()
{
    QTest::addColumn<FtpTestServer::Mode>("serverMode");
    QTest::addColumn<QString>("when"); // the frame caption that starts with this, or "" at once
    QTest::addColumn<QString>("how");  // "Cancel", "close box" or "Esc"

    using M = FtpTestServer::Mode;
    QTest::newRow("Cancel while uploading") << M::Throttled << "Uploading" << "Cancel";
    QTest::newRow("Esc while uploading") << M::Throttled << "Uploading" << "Esc";
    QTest::newRow("close box before the transfer starts") << M::Normal << "" << "close box";
    QTest::newRow("close box while logging on") << M::NeverGreets << "Logon to" << "close box";
    QTest::newRow("Esc while logging on") << M::NeverGreets << "Logon to" << "Esc";
}

void tst_TransferDialog::cancels()
{
    QFETCH(FtpTestServer::Mode, serverMode);
    QFETCH(QString, when);
    QFETCH(QString, how);

    FtpTestServer server(serverMode);
    server.setRate(300000);
    QVERIFY(server.start());
    const QString local = m_dirs.root.filePath(QStringLiteral("big.rtf"));
    test::writeAll(local, someBytes(20 << 20));
    SharedState state = request(server.host(), QStringLiteral("media\\big.rtf"), local);
    RecordingDialogs dialogs;
    frmTransferFTPFile dlg(state, dialogs); // the real time limits: a cancel must not wait for them
    auto *fraFile = dlg.findChild<QGroupBox *>("fraFile");
    auto *byteCount = dlg.findChild<QLabel *>("lblFileByteCountVal");
    QString timeLeft;
    int progress = 0;
    QTimer operatorHand;
    connect(&operatorHand, &QTimer::timeout, this, [&] {
        if (!when.isEmpty() && !fraFile->title().startsWith(when))
            return;
        if (when == QLatin1String("Uploading") && byteCount->text().toLongLong() == 0)
            return;
        operatorHand.stop();
        timeLeft = dlg.findChild<QLabel *>("lblTimeLeftVal")->text();
        progress = dlg.findChild<QProgressBar *>("gProgress")->value();
        if (how == QLatin1String("Cancel"))
            QTest::mouseClick(dlg.findChild<QPushButton *>("btnCancel"), Qt::LeftButton);
        else if (how == QLatin1String("Esc"))
            QTest::keyClick(&dlg, Qt::Key_Escape);
        else
            dlg.close();
    });
    operatorHand.start(when.isEmpty() ? 0 : 20);
    QElapsedTimer clock;
    clock.start();
    state.blnTransferOK = true;
    dlg.exec();

    QVERIFY(clock.elapsed() < 5000);
    QCOMPARE(dialogs.texts(), QStringList{kCancelled});
    QVERIFY(!state.blnTransferOK);
    QCOMPARE(server.count(QStringLiteral("received")), 0);
    if (when.isEmpty())
        QCOMPARE(server.count(QStringLiteral("connect")), 0);
    if (when == QLatin1String("Uploading")) {
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$")).match(timeLeft).hasMatch(),
                 qPrintable(timeLeft));
        QVERIFY(progress < 100);
        // The player sees a broken upload, not a short file that ended cleanly.
        QTRY_COMPARE(server.count(QStringLiteral("incomplete /media/big.rtf")), 1);
    }
}

void tst_TransferDialog::formatTimeLeft_data()
{
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("under a minute") << qint64(59) << "00:00:59";
    QTest::newRow("hours, minutes, seconds") << qint64(3725) << "01:02:05";
    QTest::newRow("half hours") << qint64(5400) << "01:30:00";
    QTest::newRow("negative") << qint64(-61) << "00:01:01";
    QTest::newRow("beyond 16 bits") << qint64(40000) << "11:06:40";
}

void tst_TransferDialog::formatTimeLeft()
{
    QFETCH(qint64, seconds);
    QFETCH(QString, text);
    QCOMPARE(frmTransferFTPFile::FormatTimeLeft(seconds), text);
}

QTEST_MAIN(tst_TransferDialog)
#include "tst_transferdialog.moc"

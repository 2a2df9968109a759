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
    void cancelMidUpload();
    void closingCancels_data();
    void closingCancels();
    void formatTimeLeft_data();
    void formatTimeLeft();

private:
    // The state a caller fills before it opens the dialog.
    SharedState request(const QString &host, const QString &remote, const QString &localPath) const;
    test::TempDirs m_dirs;
};

SharedState tst_TransferDialog::request(const QString &host, const QString &remote,
                                        const QString &localPath) const
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

void tst_TransferDialog::outcomes_data()
{
    QTest::addColumn<FtpTestServer::Mode>("serverMode");
    QTest::addColumn<QString>("transferMode");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("remote");
    QTest::addColumn<int>("size"); // -1: no local file
    QTest::addColumn<QString>("message"); // empty: success; ending in ": " a prefix
    QTest::addColumn<int>("connections");

    using M = FtpTestServer::Mode;
    const QString pw = QStringLiteral("tk2harbor");
    const QString media = QStringLiteral("media\\crawl.rtf");
    const QString logon = QStringLiteral("Can't logon to this IP Address");
    QTest::newRow("document") << M::Normal << "UPLOAD" << pw << media << 300000 << "" << 1;
    QTest::newRow("command file, mode in lower case")
        << M::Normal << "upload" << pw << "settings\\Instant.txt" << 70 << "" << 1;
    QTest::newRow("Windows-1252 name")
        << M::Normal << "UPLOAD" << pw << QString::fromUtf8("media\\café.rtf") << 500 << "" << 1;
    QTest::newRow("empty file counts as sent") << M::Normal << "UPLOAD" << pw << media << 0 << "" << 0;
    QTest::newRow("not an upload") << M::Normal << "" << pw << media << 10 << "" << 0;
    QTest::newRow("missing local file")
        << M::Normal << "UPLOAD" << pw << media << -1
        << "Error transferring file.\r\nFTP Error: 53\r\nErr Desp: " << 0;
    QTest::newRow("wrong password") << M::Normal << "UPLOAD" << "wrong" << media << 10 << logon << 1;
    QTest::newRow("closed port") << M::Normal << "UPLOAD" << pw << media << 10 << logon << 0;
    QTest::newRow("never greets") << M::NeverGreets << "UPLOAD" << pw << media << 10 << logon << 1;
    QTest::newRow("missing remote folder")
        << M::Normal << "UPLOAD" << pw << "media\\nowhere\\x.rtf" << 10
        << "Can't find the transferred file.\r\nTransferring process is cancelled." << 1;
    QTest::newRow("dropped mid-upload")
        << M::DropUpload << "UPLOAD" << pw << media << (8 << 20) << "The IP Address is not connected." << 1;
    QTest::newRow("storage full")
        << M::StorageFull << "UPLOAD" << pw << media << 10
        << "Error transferring file.\r\nFTP Error: 25\r\nErr Desp: " << 1;
}

void tst_TransferDialog::outcomes()
{
    QFETCH(FtpTestServer::Mode, serverMode);
    QFETCH(QString, transferMode);
    QFETCH(QString, password);
    QFETCH(QString, remote);
    QFETCH(int, size);
    QFETCH(QString, message);
    QFETCH(int, connections);

    FtpTestServer server(serverMode);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    const QString host = server.host();
    if (QByteArray(QTest::currentDataTag()) == "closed port")
        server.stop();
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
}

void tst_TransferDialog::cancelMidUpload()
{
    FtpTestServer server(FtpTestServer::Mode::Throttled);
    server.setRate(300000);
    QVERIFY(server.start());
    const QString local = m_dirs.root.filePath(QStringLiteral("big.rtf"));
    test::writeAll(local, someBytes(20 << 20));

    SharedState state = request(server.host(), QStringLiteral("media\\big.rtf"), local);
    RecordingDialogs dialogs;
    frmTransferFTPFile dlg(state, dialogs);
    auto *btnCancel = dlg.findChild<QPushButton *>("btnCancel");
    auto *byteCount = dlg.findChild<QLabel *>("lblFileByteCountVal");
    QString timeLeft, frame;
    int progress = 0;
    QTimer operatorHand;
    connect(&operatorHand, &QTimer::timeout, this, [&] {
        QVERIFY(btnCancel->isEnabled() || byteCount->text().isEmpty());
        if (byteCount->text().toLongLong() > 0) {
            operatorHand.stop();
            timeLeft = dlg.findChild<QLabel *>("lblTimeLeftVal")->text();
            frame = dlg.findChild<QGroupBox *>("fraFile")->title();
            progress = dlg.findChild<QProgressBar *>("gProgress")->value();
            QTest::mouseClick(btnCancel, Qt::LeftButton);
        }
    });
    operatorHand.start(20);
    state.blnTransferOK = true;
    dlg.exec();

    QCOMPARE(dialogs.texts(), QStringList{kCancelled});
    QVERIFY(!state.blnTransferOK);
    QCOMPARE(frame, QStringLiteral("Uploading file"));
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$")).match(timeLeft).hasMatch(),
             qPrintable(timeLeft));
    QVERIFY(progress < 100);
    QTRY_COMPARE(server.count(QStringLiteral("incomplete /media/big.rtf")), 1);
    QCOMPARE(server.count(QStringLiteral("received")), 0);
}

void tst_TransferDialog::closingCancels_data()
{
    QTest::addColumn<FtpTestServer::Mode>("serverMode");
    QTest::addColumn<QString>("when"); // the frame caption that starts with this, or "" at once
    QTest::addColumn<bool>("escape"); // Esc rather than the close box

    using M = FtpTestServer::Mode;
    QTest::newRow("close box before the transfer starts") << M::Normal << "" << false;
    QTest::newRow("close box while logging on") << M::NeverGreets << "Logon to" << false;
    QTest::newRow("Esc while logging on") << M::NeverGreets << "Logon to" << true;
    QTest::newRow("Esc while uploading") << M::Throttled << "Uploading" << true;
}

void tst_TransferDialog::closingCancels()
{
    QFETCH(FtpTestServer::Mode, serverMode);
    QFETCH(QString, when);
    QFETCH(bool, escape);

    FtpTestServer server(serverMode);
    server.setRate(100000);
    QVERIFY(server.start());
    const QString local = m_dirs.root.filePath(QStringLiteral("closing.rtf"));
    test::writeAll(local, someBytes(20 << 20));
    SharedState state = request(server.host(), QStringLiteral("media\\closing.rtf"), local);
    RecordingDialogs dialogs;
    frmTransferFTPFile dlg(state, dialogs); // the real time limits: the close must not wait for them
    auto *fraFile = dlg.findChild<QGroupBox *>("fraFile");
    QElapsedTimer clock;
    clock.start();
    QTimer operatorHand;
    connect(&operatorHand, &QTimer::timeout, this, [&] {
        if (!when.isEmpty() && !fraFile->title().startsWith(when))
            return;
        operatorHand.stop();
        if (escape)
            QTest::keyClick(&dlg, Qt::Key_Escape);
        else
            dlg.close();
    });
    operatorHand.start(when.isEmpty() ? 0 : 20);
    state.blnTransferOK = true;
    dlg.exec();

    QVERIFY(clock.elapsed() < 5000);
    QCOMPARE(dialogs.texts(), QStringList{kCancelled});
    QVERIFY(!state.blnTransferOK);
    QCOMPARE(server.count(QStringLiteral("received")), 0);
    if (when.isEmpty())
        QCOMPARE(server.count(QStringLiteral("connect")), 0);
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
    QTest::newRow("more than 99 hours") << qint64(360000) << "100:00:00";
}

void tst_TransferDialog::formatTimeLeft()
{
    QFETCH(qint64, seconds);
    QFETCH(QString, text);
    QCOMPARE(frmTransferFTPFile::FormatTimeLeft(seconds), text);
}

QTEST_MAIN(tst_TransferDialog)
#include "tst_transferdialog.moc"

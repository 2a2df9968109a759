#include "FtpTestServer.h"

#include "state/SharedState.h"
#include "dispatch/ui/frmTransferFTPFile.h"
#include "RecordingDialogs.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

using namespace qvic;
using qvic::test::FtpTestServer;
using M = FtpTestServer::Mode;
Q_DECLARE_METATYPE(FtpTestServer::Mode)

class tst_TransferDialog : public QObject
{
    Q_OBJECT

private slots:
    void transfer_data();
    void transfer();
    void formatTimeLeft();
};

void tst_TransferDialog::transfer_data()
{
    // host: empty: the server's; size: -1: no local file; cancel: "how@when": Cancel or Esc, once the frame caption
    // starts with when; message: empty: success; ending in ": " a prefix
    test::columns<FtpTestServer::Mode, QString, QString, QString, int, QString, QString, int>("serverMode", "host", "transferMode", "remote", "size", "cancel", "message", "connections");

    const QString up = "UPLOAD", media = "media\\crawl.rtf";
    const QString logon = "e Can't logon to this IP Address", lost = "e The IP Address is not connected.";
    const QString general = "e Error transferring file.\r\nFTP Error: %1\r\nErr Desp: ";
    const QString cancelled = "e Transferring process is cancelled.";
    QTest::newRow("command file, mode in lower case") << M::Normal << "" << "upload" << "settings\\Instant.txt" << 300000 << "" << "" << 1;
    QTest::newRow("empty file counts as sent") << M::Normal << "" << up << media << 0 << "" << "" << 0;
    QTest::newRow("missing local file") << M::Normal << "" << up << media << -1 << "" << general.arg(53) << 0;
    QTest::newRow("line break in address") << M::Normal << "127.0.0.1\r\nUSER x" << up << media << 10 << "" << logon << 0;
    QTest::newRow("line break in remote name") << M::Normal << "" << up << "media\\a\r\nDELE b" << 10 << "" << general.arg(3) << 1;
    QTest::newRow("dropped mid-upload") << M::DropUpload << "" << up << media << (8 << 20) << "" << lost << 1;
    QTest::newRow("stalled") << M::Stall << "" << up << media << (8 << 20) << "" << lost << 1;
    // Slower than the response limit allows for the last bytes to arrive, yet moving all along.
    QTest::newRow("slow player") << M::Throttled << "" << up << media << 300000 << "" << "" << 1;
    QTest::newRow("Cancel while uploading") << M::Throttled << "" << up << media << (20 << 20) << "Cancel@Uploading" << cancelled << 1;
    QTest::newRow("Esc while logging on") << M::NeverGreets << "" << up << media << 10 << "Esc@Logon to" << cancelled << 1;
}

void tst_TransferDialog::transfer()
{
    auto [serverMode, host, transferMode, remote, size, cancel, message, connections] = test::fetch<FtpTestServer::Mode, QString, QString, QString,
        int, QString, QString, int>("serverMode", "host", "transferMode", "remote", "size", "cancel", "message", "connections");
    FtpTestServer server(serverMode);
    server.setRate(150000); // the slow player's document takes two seconds; a cancel lands mid-upload
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    test::TempDirs dirs;
    const QByteArray bytes(std::max(size, 0), 'q'), older = "{\\rtf1 Yesterday's crawl\\par}"; // the client's tests upload varied bytes
    const QString document = server.root() + "/media/crawl.rtf";
    test::writeAll(document, older); // whatever happens, it is this or the new one whole
    SharedState state; // as a caller fills it before it opens the dialog
    state.strLocalPath = dirs.root.filePath("crawl.rtf");
    if (size >= 0)
        test::writeAll(state.strLocalPath, bytes);
    state.strRemoteFile = remote, state.strTransferMode = transferMode, state.strRemoteHost = host.isEmpty() ? server.host() : host;
    state.strFtpUser = "qv7player", state.strFtpPassword = "tk2harbor";
    const bool success = message.isEmpty();
    state.blnTransferOK = !success; // the dialog must write its result either way
    RecordingDialogs dialogs;
    frmTransferFTPFile dlg(state, dialogs);
    const bool viaTemporary = remote.startsWith("media\\"), sent = success && size > 0;
    dlg.setViaTemporaryName(viaTemporary);
    if (cancel.isEmpty()) { // a cancel must not wait for the time limits, nor come too late
        dlg.setTimeLimits({std::chrono::milliseconds(1000), std::chrono::seconds(1), std::chrono::seconds(1)});
        dlg.findChild<QTimer *>("LoadTimer")->setInterval(20);
    }
    const QString how = cancel.section('@', 0, 0), when = cancel.section('@', 1);
    QTimer operatorHand;
    connect(&operatorHand, &QTimer::timeout, this, [&] {
        if (!dlg.findChild<QGroupBox *>("fraFile")->title().startsWith(when)
            || (when == u"Uploading" && dlg.findChild<QLabel *>("lblFileByteCountVal")->text().toLongLong() == 0))
            return;
        operatorHand.stop();
        if (how == u"Cancel")
            QTest::mouseClick(dlg.findChild<QPushButton *>("btnCancel"), Qt::LeftButton);
        else
            QTest::keyClick(&dlg, Qt::Key_Escape);
    });
    if (!cancel.isEmpty())
        operatorHand.start(20);
    dlg.exec();

    QVERIFY(dlg.isHidden());
    QCOMPARE(state.blnTransferOK, success);
    QCOMPARE(server.count("connect"), connections);
    QCOMPARE(server.count("received"), sent ? 1 : 0);
    QCOMPARE(server.count("renamed /media/crawl.rtf.part /media/crawl.rtf"), sent && viaTemporary ? 1 : 0);
    if (sent)
        QVERIFY(test::readAll(server.root() + '/' + remote.replace('\\', '/')) == bytes);
    QVERIFY(test::readAll(document) == (sent && viaTemporary ? bytes : older));
    QVERIFY(!sent || !QFileInfo::exists(document + ".part"));
    const QString shown = dialogs.said.join(u'|');
    QVERIFY2(message.endsWith(": ") ? shown.startsWith(message) && !shown.contains(u'|') : shown == message, qPrintable(shown));
    // What it showed, for the send log.
    QCOMPARE(dlg.failureWords(), shown.mid(2));
    QCOMPARE(dlg.failureNumber() == 0, success);
    // The player sees a broken upload, not a short file that ended cleanly.
    if (when == u"Uploading" || serverMode == M::Stall)
        QTRY_COMPARE(server.count("incomplete /media/crawl.rtf.part"), 1);
    // Every connection was released (the silent server notes no hang-ups).
    if (serverMode != M::NeverGreets)
        QTRY_COMPARE(server.count("disconnect"), connections);
}

void tst_TransferDialog::formatTimeLeft()
{
    const QStringList shown = {frmTransferFTPFile::FormatTimeLeft(3725), frmTransferFTPFile::FormatTimeLeft(-61), frmTransferFTPFile::FormatTimeLeft(40000)};
    QCOMPARE(shown, QStringList({"01:02:05", "00:01:01", "11:06:40"})); // a negative time as its size; beyond 16 bits
}

QTEST_MAIN(tst_TransferDialog)
#include "tst_transferdialog.moc"

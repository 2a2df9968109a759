#include "StandInPlayers.h"
#include "MainWindowFixture.h"

#include "device/ui/Kite7Dialog.h"

using namespace qvic;

class tst_Kite7Dialog : public QObject
{
    Q_OBJECT

private slots:
    // The buttons take the main window's text and address; the script's bytes are the builders'
    // test, the uploads the send engine's.
    void startAndStop_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("address");  // %1: the running player's
        QTest::addColumn<QString>("text");     // typed into the editor
        QTest::addColumn<QString>("password"); // typed and entered; "-": no dialog may show
        QTest::addColumn<QByteArray>("script"); // a part of the script the player gets; null: nothing sent
        QTest::addColumn<QString>("message");  // "Error creating": a folder stands where Instant.txt goes

        QTest::newRow("start, blanks around the address")
            << "startButton" << "  %1  " << "WELCOME" << "Secret"
            << QByteArray("<@Fast;>`0.1`<@begin,250;>`0.1`<WELCOME@end;>")
            << "i Successfully sent out Kite-7 instant crawl.";
        QTest::newRow("stop, no text needed")
            << "stopButton" << " %1 " << "" << "Secret"
            << QByteArray("<@stop crawl;>\"")
            << "i Successfully sent out Kite-7 Stop Crawl Instant.txt file.";
        QTest::newRow("start, blank text")
            << "startButton" << "%1" << "   " << "-" << QByteArray()
            << "i Please enter a message or load an instant crawl before start Kite-7 instant crawl.";
        QTest::newRow("start file unwritable")
            << "startButton" << "%1" << "WELCOME" << "Secret" << QByteArray()
            << "e Error creating Kite-7 Instant.txt file.";
    }

    void startAndStop()
    {
        QFETCH(QString, button);
        QFETCH(QString, address);
        QFETCH(QString, text);
        QFETCH(QString, password);
        QFETCH(QByteArray, script);
        QFETCH(QString, message);
        test::StandInPlayers player;
        QVERIFY2(player.start(), qPrintable(player.errorString()));
        test::MainWindowFixture w;
        test::writeAll(w.dirs->winDir() + "/icpass.ini", "[PASSWORD]\r\nremember=0\r\npass=Secret\r\n");
        w.showActive();
        w.setText("addressBox", address.replace("%1", player.host()));
        w.editor->setFocus();
        QTest::keyClicks(w.editor, text);
        if (message.contains("Error creating"))
            QVERIFY(QDir().mkpath(w.state.instantFile));
        // As chosen in the dialog's lists before.
        w.state.kite7ComPort = "8";
        w.state.kite7Speed = "Fast";
        const auto clock = [] { return QDateTime(QDate(2026, 12, 4), QTime(17, 11, 9)); };
        Kite7Dialog dialog(w.state, w.dialogs, w.text("addressBox"), clock, w.window.get());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        const bool asked = test::pressGivingPassword(dialog.findChild<QPushButton *>(button), password);

        QCOMPARE(asked, password != u"-");
        QCOMPARE(w.dialogs.said, message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY(dialog.isVisible());
        const QByteArray onPlayer = test::readAll(player.root() + "/settings/Instant.txt");
        if (script.isNull()) {
            QCOMPARE(player.count("received"), 0);
            QCOMPARE(onPlayer, QByteArray());
            return;
        }
        QCOMPARE(player.count("received"), 1);
        QVERIFY2(onPlayer.startsWith("Time=12/04/2026 05:11:09 PM\r\nMessage=@INSTANT_EVENT_COMMAND,$Event,8,"),
                 onPlayer);
        QVERIFY2(onPlayer.contains(script), onPlayer);
        QCOMPARE(onPlayer, test::readAll(w.state.instantFile));
    }
};

QTEST_MAIN(tst_Kite7Dialog)
#include "tst_kite7dialog.moc"

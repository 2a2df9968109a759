#include "StandInPlayers.h"
#include "MainWindowFixture.h"

#include "device/ui/Kite7Dialog.h"

#include <QAbstractItemView>
#include <QAction>

using namespace qvic;
using Setting = QString SharedState::*;

namespace {

// One list at two openings from the menu: what the first shows, the choice made
// there, what it keeps, and what the second opening shows.
struct Pick
{
    const char *name;
    QString before; // the kept value before the first opening; empty: the program's default
    QString shown;  // at the first opening
    QString ends;   // first and last entry
    int count;
    char how;       // t: typed and confirmed with Enter; l: taken from the list
    QString entry;
    Setting setting;
    QString kept;
};

} // namespace

Q_DECLARE_METATYPE(Pick)

class tst_Kite7Dialog : public QObject
{
    Q_OBJECT

private slots:
    void list_data()
    {
        QTest::addColumn<Pick>("pick");
        using S = SharedState;
        QTest::newRow("COM 8") << Pick{"comPortList", "", "1", "1..8", 8, 'l', "8", &S::kite7ComPort, "8"};
        QTest::newRow("Fast") << Pick{"speedList", "", "Slow", "Slow..Fast", 3, 'l', "Fast", &S::kite7Speed, "Fast"};
        QTest::newRow("40") << Pick{"positionList", "", "200", "40..218", 179, 'l', "40", &S::kite7Position, "40"};
        // Typed text stores nothing, not even the entry it begins (50).
        QTest::newRow("typed 5") << Pick{"positionList", "", "200", "40..218", 179, 't', "5", &S::kite7Position, "200"};
        QTest::newRow("Infinite") << Pick{"repetitionList", "5", "5", "1..Infinite", 128, 'l', "Infinite", &S::kite7Repeat, "128"};
    }

    void list()
    {
        QFETCH(Pick, pick);
        test::MainWindowFixture w;
        QVERIFY(!w.error);
        if (!pick.before.isEmpty())
            w.state.*pick.setting = pick.before;
        const QString former = w.state.*pick.setting;
        // Opened modally from the menu; a window the operator leaves open gets its close box.
        const auto visit = [&](const std::function<void(QComboBox *)> &act) {
            test::whenModal([&](QWidget *dialog) {
                QVERIFY(dialog && dialog->objectName() == u"Kite7Dialog");
                act(dialog->findChild<QComboBox *>(pick.name));
            });
            w.window->findChild<QAction *>("kite7Action")->trigger();
        };
        visit([&](QComboBox *box) {
            QCOMPARE(box->currentText(), pick.shown);
            QCOMPARE(box->itemText(0) + ".." + box->itemText(box->count() - 1), pick.ends);
            if (pick.how == 't') {
                box->setFocus();
                box->lineEdit()->selectAll();
                QTest::keyClicks(box, pick.entry);
                QCOMPARE(box->currentText(), pick.entry); // nothing completed
                QTest::keyClick(box, Qt::Key_Return);
                QVERIFY(box->window()->isVisible()); // Enter in a list presses no button
                QTest::mouseClick(box->window()->findChild<QPushButton *>("closeButton"), Qt::LeftButton);
                QTRY_VERIFY(!box->window()->isVisible());
            } else if (pick.how == 'l') { // the highlight moves to the entry, Enter takes it
                box->showPopup();
                QTRY_VERIFY(box->view()->isVisible());
                box->view()->setCurrentIndex(box->view()->model()->index(box->findText(pick.entry), 0));
                QTest::keyClick(box->view(), Qt::Key_Return);
                QTRY_VERIFY(!box->view()->isVisible());
            }
            QCOMPARE(box->count(), pick.count); // typing adds no entry
        });
        QCOMPARE(w.state.*pick.setting, pick.kept);
        // The choice outlives the dialog; what stored nothing is not shown either.
        visit([&](QComboBox *box) { QCOMPARE(box->currentText(), pick.kept == former ? pick.shown : pick.entry); });
    }

    // The buttons with the main window's text and address; the script's bytes are the
    // builders' test, the uploads the delivery's.
    void startAndStop_data()
    {
        // address: %1: the running player's; text: typed into the editor; password: typed and entered, empty: Cancel, "-": the
        // dialog must not show; carried: what the script on the player crawls, null: nothing sent; message: "Error creating":
        // a folder stands where Instant.txt goes
        test::columns<QString, QString, QString, QString, QByteArray, QString>("button", "address", "text", "password", "carried", "message");
        const QString start = "startButton", stop = "stopButton", sent = "i Successfully sent out Kite-7 instant crawl.";
        QTest::newRow("start") << start << "  %1  " << "WELCOME" << "Secret" << QByteArray("WELCOME") << sent;
        QTest::newRow("stop, no text needed") << stop << " %1 " << "" << "Secret" << QByteArray("") << "i Successfully sent out Kite-7 Stop Crawl Instant.txt file.";
        QTest::newRow("blank text") << start << "%1" << "   " << "-" << QByteArray()
            << "i Please enter a message or load an instant crawl before start Kite-7 instant crawl.";
        QTest::newRow("start, no address") << start << "   " << "WELCOME" << "-" << QByteArray() << "i Please enter an IP address.";
        QTest::newRow("cancelled") << start << "%1" << "WELCOME" << "" << QByteArray() << "";
        QTest::newRow("start file unwritable") << start << "%1" << "WELCOME" << "Secret" << QByteArray() << "e Error creating Kite-7 Instant.txt file.";
        QTest::newRow("stop file unwritable") << stop << "%1" << "WELCOME" << "Secret" << QByteArray() << "e Error creating Kite-7 Stop Crawl Instant.txt file.";
    }

    void startAndStop()
    {
        auto [button, address, text, password, carried, message] = test::fetch<QString, QString, QString, QString, QByteArray, QString>(
            "button", "address", "text", "password", "carried", "message");
        test::StandInPlayers server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        test::MainWindowFixture w;
        test::writeAll(w.dirs->winDir() + "/icpass.ini", "[PASSWORD]\r\nremember=0\r\npass=Secret\r\n");
        w.showActive();
        w.setText("addressBox", address.replace("%1", server.host()));
        w.editor->setFocus();
        QTest::keyClicks(w.editor, text); // "\r" is the Enter key
        if (message.contains("Error creating"))
            QVERIFY(QDir().mkpath(w.state.instantFile));
        w.state.kite7ComPort = "8", w.state.kite7Speed = "Fast"; // as chosen in the dialog before: its own test shows how
        Kite7Dialog dialog(w.state, w.dialogs, w.text("addressBox"), [] { return QDateTime(QDate(2026, 12, 4), QTime(17, 11, 9)); }, w.window.get());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        QCOMPARE(test::pressGivingPassword(dialog.findChild<QPushButton *>(button), password), password != u"-");

        QCOMPARE(w.dialogs.said, message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY(dialog.isVisible());
        QCOMPARE(server.count("received"), carried.isNull() ? 0 : 1); // with blanks around the address too
        const QByteArray onPlayer = test::readAll(server.root() + "/settings/Instant.txt");
        const QByteArray script = button == "startButton" ? "<@Fast;>`0.1`<@begin,250;>`0.1`<" + carried + "@end;>" : "<@stop crawl;>\"";
        QVERIFY2(carried.isNull() ? onPlayer.isEmpty() : onPlayer.startsWith("Time=12/04/2026 05:11:09 PM\r\nMessage=@INSTANT_EVENT_COMMAND,$Event,8,")
                 && onPlayer.contains(script) && onPlayer == test::readAll(w.state.instantFile), onPlayer);
    }
};

QTEST_MAIN(tst_Kite7Dialog)
#include "tst_kite7dialog.moc"

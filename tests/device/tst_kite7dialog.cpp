#include "StandInPlayers.h"
#include "MainWindowFixture.h"

#include "device/ui/Kite7Dialog.h"

#include <QAbstractItemView>
#include <QAction>

using namespace qvic;
using Setting = QString SharedState::*;

namespace {

enum class How { FromTheList, TypedThenEnter };

// One list at two openings from the menu: what the first shows, the choice made there, what
// it keeps, and what the second opening shows.
struct Pick
{
    const char *name = nullptr;
    QString before{}; // the kept value before the first opening; empty: the program's default
    QString shown{};  // at the first opening
    QString first{};  // entry
    QString last{};   // entry
    int count = 0;
    How how = How::FromTheList;
    QString entry{};
    Setting setting = nullptr;
    QString kept{};
};

} // namespace

Q_DECLARE_METATYPE(Pick)

class tst_Kite7Dialog : public QObject
{
    Q_OBJECT

private slots:
    void list_data()
    {
        using S = SharedState;
        QTest::addColumn<Pick>("pick");
        QTest::newRow("COM 8")
            << Pick{.name = "comPortList", .shown = "1", .first = "1", .last = "8", .count = 8,
                    .how = How::FromTheList, .entry = "8", .setting = &S::kite7ComPort, .kept = "8"};
        // Typed text stores nothing, not even the entry it begins (50).
        QTest::newRow("position typed 5")
            << Pick{.name = "positionList", .shown = "200", .first = "40", .last = "218", .count = 179,
                    .how = How::TypedThenEnter, .entry = "5", .setting = &S::kite7Position, .kept = "200"};
    }

    // The choice outlives the dialog; what stored nothing is not shown at the next opening either.
    void list()
    {
        QFETCH(Pick, pick);
        test::MainWindowFixture w;
        QVERIFY(!w.error);
        if (!pick.before.isEmpty())
            w.state.*pick.setting = pick.before;
        const QString former = w.state.*pick.setting;
        // Opened modally from the menu.
        const auto visit = [&](const std::function<void(QComboBox *)> &act) {
            test::whenModal([&](QWidget *dialog) {
                QVERIFY(dialog);
                QCOMPARE(dialog->objectName(), "Kite7Dialog");
                act(dialog->findChild<QComboBox *>(pick.name));
            });
            w.window->findChild<QAction *>("kite7Action")->trigger();
        };

        visit([&](QComboBox *box) {
            QCOMPARE(box->currentText(), pick.shown);
            QCOMPARE(box->itemText(0), pick.first);
            QCOMPARE(box->itemText(box->count() - 1), pick.last);
            if (pick.how == How::TypedThenEnter) {
                box->setFocus();
                box->lineEdit()->selectAll();
                QTest::keyClicks(box, pick.entry);
                QCOMPARE(box->currentText(), pick.entry); // nothing completed
                QTest::keyClick(box, Qt::Key_Return);
                QVERIFY(box->window()->isVisible()); // Enter in a list presses no button
                QTest::mouseClick(box->window()->findChild<QPushButton *>("closeButton"), Qt::LeftButton);
                QTRY_VERIFY(!box->window()->isVisible());
            } else { // the highlight moves to the entry, Enter takes it
                box->showPopup();
                QTRY_VERIFY(box->view()->isVisible());
                box->view()->setCurrentIndex(box->view()->model()->index(box->findText(pick.entry), 0));
                QTest::keyClick(box->view(), Qt::Key_Return);
                QTRY_VERIFY(!box->view()->isVisible());
            }
            QCOMPARE(box->count(), pick.count); // typing adds no entry
        });

        QCOMPARE(w.state.*pick.setting, pick.kept);
        const QString shownNext = pick.kept == former ? pick.shown : pick.entry;
        visit([&](QComboBox *box) { QCOMPARE(box->currentText(), shownNext); });
    }

    // The buttons take the main window's text and address; the script's bytes are the builders'
    // test, the uploads the send engine's.
    void startAndStop_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("address");  // %1: the running player's
        QTest::addColumn<QString>("text");     // typed into the editor
        QTest::addColumn<QString>("password"); // typed and entered; empty: Cancel; "-": no dialog may show
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
        QTest::newRow("start cancelled at the password")
            << "startButton" << "%1" << "WELCOME" << "" << QByteArray() << "";
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
        // As chosen in the dialog before: its own test shows how.
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

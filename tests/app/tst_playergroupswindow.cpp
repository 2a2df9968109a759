#include "StandInPlayers.h"
#include "MainWindowFixture.h"

#include "dispatch/SendLog.h"
#include "dispatch/ui/PlayerGroupsWindow.h"

#include <QListWidget>
#include <QProgressBar>
#include <QTableWidget>

using namespace qvic;
using namespace qvic::test;
using Fault = StandInPlayers::Fault;

namespace {

const QString kPassword = QStringLiteral("harbour lights");
const QByteArray kOlder = "{\\rtf1 Yesterday's crawl\\par}";
const QString kCancelAndExit = QStringLiteral("q A send to a group is still under way. Cancel it and exit?");
const QString kCancelled = QStringLiteral("failed: Transferring process is cancelled.");

enum Column { StateColumn = 1, DetailsColumn = 4 };

// The main window on fresh folders with a password file and a fixed clock; the operator opens
// "Players and Groups" from its File menu.
struct GroupDesk : MainWindowFixture
{
    explicit GroupDesk(const QList<std::pair<QString, QByteArray>> &appFiles) : MainWindowFixture(appFiles)
    {
        const QByteArray passwordFile = "[PASSWORD]\r\nremember=0\r\npass=" + kPassword.toLatin1() + "\r\n";
        writeAll(dirs->winDir() + "/icpass.ini", passwordFile);
        window->setClock([] { return QDateTime(QDate(2024, 3, 4), QTime(13, 5, 9)); });
        showActive();
    }
    // Short limits: a silent player fails in a second.
    PlayerGroupsWindow *openGroups()
    {
        if (!chooseFromFileMenu(Qt::Key_G))
            return nullptr;
        PlayerGroupsWindow *groups = nullptr;
        const auto shown = [&] {
            groups = window->findChild<PlayerGroupsWindow *>("PlayerGroupsWindow");
            return groups && groups->isVisible();
        };
        if (!QTest::qWaitFor(shown))
            return nullptr;
        const SendTimeLimits limits{std::chrono::milliseconds(1000), std::chrono::seconds(1),
                                    std::chrono::seconds(2)};
        groups->sendPanel().setTimeLimits(limits);
        return groups;
    }
    template <typename T = QWidget> T *in(QWidget *window, const char *name)
    {
        return window->findChild<T *>(name);
    }
    QString cell(QWidget *groups, int row, Column column)
    {
        return in<QTableWidget>(groups, "resultsTable")->item(row, column)->text();
    }
    QList<SendLogRow> log() const { return SendLog::read(SendLog::pathFor(state)).rows; }
    // Clicks a listed address's text, then ticks or unticks it with Space.
    void toggle(QWidget *groups, const QString &address)
    {
        auto *list = in<QListWidget>(groups, "playerList");
        QListWidgetItem *item = list->findItems(address, Qt::MatchExactly).value(0);
        QVERIFY2(item, qPrintable(address));
        const QPoint onText = list->visualItemRect(item).center() + QPoint(20, 0);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, onText);
        QTest::keyClick(list, Qt::Key_Space);
    }
    QByteArray groupsFile() const { return readAll(dirs->appDir() + "/groups.ini"); }
    // The players each holding an older crawl, and a crawl of 100 kB typed, which players that
    // read 20 kB a second take five seconds over.
    void prepareLongSend(const StandInPlayers &players)
    {
        for (int player = 0; player < players.size(); ++player)
            writeAll(players.root(player) + "/media/QVInstantCrawl.rtf", kOlder);
        QTest::keyClicks(editor, "Doors open at noon");
        editor->textCursor().insertText(QString(100000, u'x'));
    }
    bool anySending(QWidget *groups)
    {
        return cell(groups, 0, StateColumn) == "sending" || cell(groups, 1, StateColumn) == "sending";
    }
};

QByteArray groupFile(const StandInPlayers &players)
{
    return "[Lobby]\n" + players.hosts().join(u'\n').toLatin1() + '\n';
}

} // namespace

class tst_PlayerGroupsWindow : public QObject
{
    Q_OBJECT

private slots:
    // Groups made, filled and removed by keys and clicks, each change saved at once.
    void editsGroupsByKeysAndClicks()
    {
        GroupDesk w({{"IPList.txt", "10.0.0.5\r\n10.0.0.6\r\n"},
                     {"groups.ini", "[Lobby]\n10.0.0.6\n10.0.0.8\n"}});
        QWidget *groups = w.openGroups();
        QVERIFY(groups);
        auto *players = w.in<QListWidget>(groups, "playerList");
        QCOMPARE(players->count(), 3); // the address list's and the group's own

        typeKeys(w.in(groups, "groupNameBox"), "Bar\r");
        w.toggle(groups, "10.0.0.5");
        typeKeys(w.in(groups, "newAddressBox"), "10.0.0.9:2100\r");
        typeKeys(w.in(groups, "newAddressBox"), "10.0.0.9 2100\r");

        QCOMPARE(w.dialogs.said.last(),
                 "i \"10.0.0.9 2100\" is not a player address: enter an address, address:port or [IPv6]:port.");
        QCOMPARE(w.groupsFile(), "[Lobby]\n10.0.0.6\n10.0.0.8\n\n[Bar]\n10.0.0.5\n10.0.0.9:2100\n");
        QCOMPARE(players->count(), 4);

        w.dialogs.yesNoAnswers = {true};
        QTest::mouseClick(w.in<QPushButton>(groups, "removeGroupButton"), Qt::LeftButton);

        QCOMPARE(w.dialogs.said.last(), "q Remove the group \"Bar\"? Its players stay in the address list.");
        QCOMPARE(w.groupsFile(), "[Lobby]\n10.0.0.6\n10.0.0.8\n");
        QCOMPARE(players->count(), 4);
    }

    // One password for the group, the crawl saved first; the table and the send log say how
    // each player fared; Retry Failed goes to the failed player alone.
    void sendsToGroupThenRetriesTheFailed()
    {
        StandInPlayers players({Fault::None, Fault::Refused, Fault::None});
        QVERIFY2(players.start(), qPrintable(players.errorString()));
        GroupDesk w({{"groups.ini", groupFile(players)}});
        QTest::keyClicks(w.editor, "Doors open at noon");
        QWidget *groups = w.openGroups();
        QVERIFY(groups);
        QCOMPARE(w.in<QProgressBar>(groups, "groupProgress")->text(), "0 of 3 players");

        QVERIFY(pressGivingPassword(w.in(groups, "startGroupButton"), kPassword));
        QTRY_VERIFY_WITH_TIMEOUT(w.in(groups, "startGroupButton")->isEnabled(), 30000);

        QCOMPARE(w.window->windowTitle(), "QV Instant Crawl - QVInstantCrawl.rtf");
        QCOMPARE(w.cell(groups, 1, StateColumn), "failed");
        QCOMPARE(w.cell(groups, 1, DetailsColumn), "Can't logon to this IP Address");
        QCOMPARE(w.in<QLabel>(groups, "summaryLabel")->text(), "Delivered to 2 of 3 players; 1 failed.");
        for (const int player : {0, 2}) {
            const QByteArray document = readAll(players.root(player) + "/media/QVInstantCrawl.rtf");
            QCOMPARE(document, readAll(w.rtf("QVInstantCrawl.rtf")));
            const QByteArray command = readAll(players.root(player) + "/settings/Instant.txt");
            QVERIFY2(command.startsWith("Time=03/04/2024 01:05:09 PM\r\n"
                                        "Message=@START_INSTANT_CRAWL,QVInstantCrawl.rtf,"),
                     command);
        }
        QCOMPARE(w.log().size(), 3);
        QCOMPARE(w.log()[1].player, players.host(1));
        QCOMPARE(w.log()[1].outcome, "failed: Can't logon to this IP Address");

        QVERIFY(players.setFault(1, Fault::None));
        const QStringList firstPlayersEvents = players.events(0);
        QTest::mouseClick(w.in<QPushButton>(groups, "retryFailedButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(w.in(groups, "startGroupButton")->isEnabled(), 30000);

        QCOMPARE(players.events(0), firstPlayersEvents);
        QCOMPARE(w.cell(groups, 1, StateColumn), "delivered");
        QCOMPARE(w.log().size(), 4);
        QCOMPARE(w.log()[3].player, players.host(1));
        QCOMPARE(w.log()[3].outcome, "delivered");
        QVERIFY(!w.in(groups, "retryFailedButton")->isEnabled());
    }

    // Exit from the File menu mid-group, Yes to the question: the send is cancelled, every player
    // keeps the document it had, the send log has every player, and the program ends: the
    // application's main loop, run here as main() runs it, returns 0.
    void cancelAndExitEndsTheProgram()
    {
        StandInPlayers players({Fault::Throttle, Fault::Throttle});
        players.setRate(20000);
        QVERIFY2(players.start(), qPrintable(players.errorString()));
        GroupDesk w({{"groups.ini", groupFile(players)}});
        w.prepareLongSend(players);
        QWidget *groups = w.openGroups();
        QVERIFY(groups);
        QVERIFY(pressGivingPassword(w.in(groups, "startGroupButton"), kPassword));
        QTRY_VERIFY_WITH_TIMEOUT(w.anySending(groups), 10000);
        w.dialogs.yesNoAnswers = {true};
        bool menuOpened = false;
        QTimer::singleShot(0, this, [&] { menuOpened = w.chooseFromFileMenu(Qt::Key_E); });
        // A program that does not end would leave this loop only by the guard, with 1.
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, this, [] { QApplication::exit(1); });
        guard.start(30000);

        const int status = QApplication::exec();

        guard.stop();
        QVERIFY(menuOpened);
        QCOMPARE(status, 0);
        QCOMPARE(w.dialogs.said.last(), kCancelAndExit);
        QVERIFY(w.in(groups, "startGroupButton")->isEnabled()); // the send has ended
        QCOMPARE(w.log().size(), 2);
        QCOMPARE(w.log()[0].outcome, kCancelled);
        QCOMPARE(w.log()[1].outcome, kCancelled);
        QCOMPARE(readAll(players.root(0) + "/media/QVInstantCrawl.rtf"), kOlder);
        QCOMPARE(readAll(players.root(1) + "/media/QVInstantCrawl.rtf"), kOlder);
    }
};

QTEST_MAIN(tst_PlayerGroupsWindow)
#include "tst_playergroupswindow.moc"

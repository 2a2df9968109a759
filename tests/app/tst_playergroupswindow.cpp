#include "StandInPlayers.h"
#include "MainWindowFixture.h"

#include "dispatch/SendLog.h"
#include "dispatch/ui/PlayerGroupsWindow.h"

#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QTableWidget>

using namespace qvic;
using namespace qvic::test;
using Fault = StandInPlayers::Fault;

namespace {

const QString kPassword = QStringLiteral("harbour lights");
const QByteArray kOlder = "{\\rtf1 Yesterday's crawl\\par}";

// The main window on fresh folders with a password file and a fixed clock; the
// operator opens "Players and Groups" from its File menu.
struct GroupDesk : MainWindowFixture
{
    explicit GroupDesk(const QList<std::pair<QString, QByteArray>> &appFiles) : MainWindowFixture(appFiles)
    {
        writeAll(dirs->winDir() + "/icpass.ini", "[PASSWORD]\r\nremember=0\r\npass=" + kPassword.toLatin1() + "\r\n");
        window->setClock([] { return QDateTime(QDate(2024, 3, 4), QTime(13, 5, 9)); });
        showActive();
    }
    // File, then the entry's underlined letter.
    QWidget *fromFileMenu(Qt::Key letter, const char *opens)
    {
        QMenuBar *bar = window->menuBar();
        QMenu *file = find<QMenu>("fileMenu");
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(file->menuAction()).center());
        if (!QTest::qWaitFor([&] { return file->isVisible(); }))
            return nullptr;
        QTest::keyClick(file, letter);
        QWidget *opened = nullptr;
        (void)QTest::qWaitFor([&] { return (opened = window->findChild<QWidget *>(opens)) && opened->isVisible(); });
        return opened;
    }
    PlayerGroupsWindow *openGroups()
    {
        auto *groups = static_cast<PlayerGroupsWindow *>(fromFileMenu(Qt::Key_G, "PlayerGroupsWindow"));
        if (groups) // short limits: a silent player fails in a second
            groups->sendPanel().setTimeLimits({std::chrono::milliseconds(1000), std::chrono::seconds(1), std::chrono::seconds(2)});
        return groups;
    }
    template <typename T = QWidget> T *in(QWidget *window, const char *name) { return window->findChild<T *>(name); }
    QString cell(QWidget *groups, int row, int column) { return in<QTableWidget>(groups, "resultsTable")->item(row, column)->text(); }
    QStringList log() const
    {
        QStringList lines;
        for (const SendLogRow &row : SendLog::read(SendLog::pathFor(state)).rows)
            lines << QStringList({row.time, row.action, row.document, row.player, row.outcome}).join(u'|');
        return lines;
    }
    // Clicks a listed address's text, then ticks or unticks it with Space.
    void toggle(QWidget *groups, const QString &address)
    {
        auto *list = in<QListWidget>(groups, "playerList");
        QListWidgetItem *item = list->findItems(address, Qt::MatchExactly).value(0);
        QVERIFY2(item, qPrintable(address));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center() + QPoint(20, 0));
        QTest::keyClick(list, Qt::Key_Space);
    }
    QByteArray groupsFile() const { return readAll(dirs->appDir() + "/groups.ini"); }
};

} // namespace

class tst_PlayerGroupsWindow : public QObject
{
    Q_OBJECT

private slots:
    // Groups made, filled, emptied and removed by keys and clicks, each change saved at once;
    // what the file could not hold is told, and a change that could not be saved is not lost.
    void editsGroups()
    {
        GroupDesk w({{"IPList.txt", "10.0.0.5\r\n10.0.0.6\r\n"}, {"groups.ini", "10.0.0.1\n[Lobby]\n10.0.0.6\n10.0.0.8\n"}});
        QWidget *groups = w.openGroups();
        QVERIFY(groups);
        QCOMPARE(w.dialogs.said, QStringList({"e Some of the player groups could not be read; the rest are here.\n"
                                              "line 1: an address outside any group was skipped\n"
                                              "The file as it is now is kept as groups.ini.bak at the first change."}));
        auto *players = w.in<QListWidget>(groups, "playerList");
        QCOMPARE(players->count(), 3); // the address list's and the group's own

        typeKeys(w.in(groups, "groupNameBox"), "Bar\r");
        w.toggle(groups, "10.0.0.5");
        typeKeys(w.in(groups, "newAddressBox"), "10.0.0.9:2100\r");
        typeKeys(w.in(groups, "newAddressBox"), "10.0.0.9 2100\r");
        QCOMPARE(w.dialogs.said.last(), "i \"10.0.0.9 2100\" is not a player address: enter an address, address:port or [IPv6]:port.");
        QCOMPARE(w.groupsFile(), "[Lobby]\n10.0.0.6\n10.0.0.8\n\n[Bar]\n10.0.0.5\n10.0.0.9:2100\n");
        QCOMPARE(readAll(w.dirs->appDir() + "/groups.ini.bak"), "10.0.0.1\n[Lobby]\n10.0.0.6\n10.0.0.8\n");

        // A file that cannot be replaced: the change stays and goes out with the next one.
        QFile::remove(w.dirs->appDir() + "/groups.ini");
        QVERIFY(QDir(w.dirs->appDir()).mkdir("groups.ini"));
        w.toggle(groups, "10.0.0.5");
        QVERIFY2(w.dialogs.said.last().startsWith("e The groups could not be saved.\n"), qPrintable(w.dialogs.said.last()));
        QVERIFY(QDir(w.dirs->appDir()).rmdir("groups.ini"));
        w.toggle(groups, "10.0.0.6");
        QCOMPARE(w.groupsFile(), "[Lobby]\n10.0.0.6\n10.0.0.8\n\n[Bar]\n10.0.0.9:2100\n10.0.0.6\n");

        w.dialogs.yesNoAnswers = {true};
        w.click("removeGroupButton"); // the window's buttons are found from the main window too
        QCOMPARE(w.dialogs.said.last(), "q Remove the group \"Bar\"? Its players stay in the address list.");
        QCOMPARE(w.groupsFile(), "[Lobby]\n10.0.0.6\n10.0.0.8\n");
        QCOMPARE(players->count(), 4);
    }

    // One password for the group, the crawl saved first; the table and the send log say
    // how each player fared; Retry Failed goes to the failed player alone.
    void sendsToGroupAndRetries()
    {
        StandInPlayers players({Fault::None, Fault::Refused, Fault::None});
        QVERIFY2(players.start(), qPrintable(players.errorString()));
        GroupDesk w({{"groups.ini", "[Lobby]\n" + players.hosts().join(u'\n').toLatin1() + '\n'}});
        QTest::keyClicks(w.editor, "Doors open at noon");
        QWidget *groups = w.openGroups();
        QVERIFY(groups);
        // Before any send the count is of the group's players.
        QCOMPARE(w.in<QProgressBar>(groups, "groupProgress")->text(), "0 of 3 players");

        QVERIFY(pressGivingPassword(w.in(groups, "startGroupButton"), kPassword));
        QTRY_VERIFY_WITH_TIMEOUT(w.in(groups, "startGroupButton")->isEnabled(), 30000);
        QCOMPARE(w.window->windowTitle(), "QV Instant Crawl - QVInstantCrawl.rtf");
        const QStringList states{w.cell(groups, 0, 1), w.cell(groups, 1, 1), w.cell(groups, 1, 4), w.cell(groups, 2, 1)};
        QCOMPARE(states, QStringList({"delivered", "failed", "Can't logon to this IP Address", "delivered"}));
        QCOMPARE(w.in<QLabel>(groups, "summaryLabel")->text(), "Delivered to 2 of 3 players; 1 failed.");
        for (const int i : {0, 2}) {
            QCOMPARE(readAll(players.root(i) + "/media/QVInstantCrawl.rtf"), readAll(w.rtf("QVInstantCrawl.rtf")));
            const QByteArray command = readAll(players.root(i) + "/settings/Instant.txt");
            QVERIFY2(command.startsWith("Time=03/04/2024 01:05:09 PM\r\nMessage=@START_INSTANT_CRAWL,QVInstantCrawl.rtf,"), command);
        }
        QCOMPARE(w.log().size(), 3);
        QVERIFY2(w.log()[1].endsWith("|start|QVInstantCrawl.rtf|" + players.host(1) + "|failed: Can't logon to this IP Address"),
                 qPrintable(w.log()[1]));

        QVERIFY(players.setFault(1, Fault::None));
        const QStringList before = players.events(0);
        QTest::mouseClick(w.in<QPushButton>(groups, "retryFailedButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(w.in(groups, "startGroupButton")->isEnabled(), 30000);
        QCOMPARE(players.events(0), before);
        QCOMPARE(w.cell(groups, 1, 1), "delivered");
        QCOMPARE(w.log().size(), 4);
        QVERIFY2(w.log()[3].endsWith("|start|QVInstantCrawl.rtf|" + players.host(1) + "|delivered"), qPrintable(w.log()[3]));
        QVERIFY(!w.in(groups, "retryFailedButton")->isEnabled());

        // The log read back in its window, from the File menu, its command lines whole.
        int rows = -1;
        QStringList cut;
        whenModal([&](QWidget *log) {
            auto *table = log ? log->findChild<QTableWidget *>("sendLogTable") : nullptr;
            rows = table ? table->rowCount() : -2;
            for (int row = 0; table && row < rows; ++row) {
                const QTableWidgetItem *line = table->item(row, table->columnCount() - 1);
                if (table->columnWidth(table->columnCount() - 1) < table->fontMetrics().horizontalAdvance(line->text()))
                    cut << line->text();
            }
            if (log)
                log->close();
        });
        groups->close();
        w.fromFileMenu(Qt::Key_L, "SendLogWindow");
        QTRY_COMPARE(rows, 4);
        QCOMPARE(cut, QStringList());
    }

    // Cancel mid-group: every player keeps the document it had, and the window says who got nothing.
    void cancelKeepsOlderDocuments()
    {
        StandInPlayers players({Fault::Throttle, Fault::Throttle});
        players.setRate(20000);
        QVERIFY2(players.start(), qPrintable(players.errorString()));
        for (const int i : {0, 1})
            writeAll(players.root(i) + "/media/QVInstantCrawl.rtf", kOlder);
        GroupDesk w({{"groups.ini", "[Lobby]\n" + players.hosts().join(u'\n').toLatin1() + '\n'}});
        QTest::keyClicks(w.editor, "Doors open at noon");
        w.editor->textCursor().insertText(QString(200000, u'x'));
        QWidget *groups = w.openGroups();
        QVERIFY(pressGivingPassword(w.in(groups, "startGroupButton"), kPassword));
        QTRY_VERIFY_WITH_TIMEOUT(w.cell(groups, 0, 1) == "sending" || w.cell(groups, 1, 1) == "sending", 10000);
        w.dialogs.yesNoAnswers = {false}; // the operator closes the main window, then thinks again
        QVERIFY(!w.window->close());
        QCOMPARE(w.dialogs.said.last(), "q A send to a group is still under way. Cancel it and exit?");
        QTest::mouseClick(w.in<QPushButton>(groups, "cancelButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(w.in(groups, "startGroupButton")->isEnabled(), 10000);
        QCOMPARE(w.in<QLabel>(groups, "summaryLabel")->text(),
                 "Cancelled. Delivered to 0 of 2 players; 2 failed. Not delivered: " + players.hosts().join(", ") + '.');
        for (const int i : {0, 1})
            QCOMPARE(readAll(players.root(i) + "/media/QVInstantCrawl.rtf"), kOlder);
        QCOMPARE(w.log().filter("|failed: Transferring process is cancelled.").size(), 2);
    }
};

QTEST_MAIN(tst_PlayerGroupsWindow)
#include "tst_playergroupswindow.moc"

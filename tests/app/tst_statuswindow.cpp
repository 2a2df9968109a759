#include "MainWindowFixture.h"
#include "PlayerScreens.h"

#include "dispatch/ui/PlayerGroupsWindow.h"

#include <QLabel>
#include <QListWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>

using namespace qvic;
using namespace qvic::test;
using Fault = StandInPlayers::Fault;

namespace {

enum Column { PlayerColumn, StateColumn, DocumentColumn, SinceColumn, UntilColumn, DetailsColumn };

} // namespace

// "What the screens show" in the Players and Groups window, used as an operator uses it: the
// window from the File menu, the tab and the buttons clicked, a player highlighted in the list.
class tst_StatusWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(m_players.start(), qPrintable(m_players.errorString()));
        m_now = showOnFirstStopSecond(m_players);
    }

    // Check Status on a group: a row per player with its state, document, times and words;
    // then Check Player on one of them.
    void checkGroupThenPlayer()
    {
        MainWindowFixture w({{"groups.ini", "[Lobby]\n" + m_players.hosts().join(u'\n').toLatin1() + '\n'}});
        w.showActive();
        QWidget *groups = openStatusTab(w);
        QVERIFY(groups);

        QTest::mouseClick(groups->findChild<QPushButton *>("checkStatusButton"), Qt::LeftButton);
        auto *summary = groups->findChild<QLabel *>("statusSummary");
        QTRY_VERIFY_WITH_TIMEOUT(summary->text().startsWith("Checked"), 20000);

        QCOMPARE(summary->text(), "Checked 3 players: 1 showing, 1 stopped, 1 unreachable.");
        auto *table = groups->findChild<QTableWidget *>("statusTable");
        QCOMPARE(table->rowCount(), 3);
        const QString since = m_now.toString("yyyy-MM-dd hh:mm:ss");
        QCOMPARE(cells(table, 0), QStringList({m_players.host(0), "showing", "Lobby.rtf", since,
                                               m_now.addSecs(3600).toString("yyyy-MM-dd hh:mm:ss"), ""}));
        QCOMPARE(w.dialogs.said, QStringList()); // no password asked, nothing to tell

        // Check Player reads the one player highlighted in the list, clicked on its text: still ticked.
        auto *list = groups->findChild<QListWidget *>("playerList");
        QListWidgetItem *second = list->findItems(m_players.host(1), Qt::MatchExactly).value(0);
        QVERIFY(second);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(second).center() + QPoint(20, 0));
        QTest::mouseClick(groups->findChild<QPushButton *>("checkPlayerButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(summary->text(), "Checked 1 player: 1 stopped.", 20000);
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->item(0, PlayerColumn)->text(), m_players.host(1));
        QCOMPARE(second->checkState(), Qt::Checked);
    }

private:
    // File, Players and Groups; then the tab "What the screens show" clicked.
    static QWidget *openStatusTab(MainWindowFixture &w)
    {
        if (!w.chooseFromFileMenu(Qt::Key_G))
            return nullptr;
        auto *groups = w.window->findChild<PlayerGroupsWindow *>("PlayerGroupsWindow");
        if (!groups || !QTest::qWaitFor([&] { return groups->isVisible(); }))
            return nullptr;
        groups->statusPanel().setTimeLimits({std::chrono::milliseconds(1000), std::chrono::seconds(2), std::chrono::seconds(2)});
        QTabBar *tabs = groups->findChild<QTabWidget *>("groupTabs")->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
        return groups;
    }
    static QStringList cells(QTableWidget *table, int row)
    {
        QStringList texts;
        for (int column = PlayerColumn; column <= DetailsColumn; ++column)
            texts << table->item(row, column)->text();
        return texts;
    }

    StandInPlayers m_players{{Fault::None, Fault::None, Fault::Closed}};
    QDateTime m_now;
};

QTEST_MAIN(tst_StatusWindow)
#include "tst_statuswindow.moc"

#include "dispatch/ui/GroupResultsView.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QtTest>

using namespace qvic;
using State = PlayerResult::State;

namespace {

PlayerResult player(const QString &address, State state = State::Waiting, qint64 bytes = 0,
                    double seconds = 0)
{
    PlayerResult result;
    result.player = address;
    result.state = state;
    result.bytesSent = bytes;
    result.seconds = seconds;
    return result;
}

QList<PlayerResult> fivePlayers()
{
    QList<PlayerResult> players;
    for (int i = 0; i < 5; ++i)
        players << player(QStringLiteral("127.0.0.1:%1").arg(2121 + i));
    return players;
}

// The live table beside a plain table that Qt sizes to its contents, holding the
// same texts: the live table sizes its columns itself, a changed cell at a time,
// and must come out as wide as Qt's own sizing would make them.
struct TwoTables
{
    TwoTables()
    {
        reference->setHorizontalHeaderLabels({"Player", "State", "Bytes", "Seconds", "Details"});
        reference->verticalHeader()->hide();
        reference->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
        reference->horizontalHeader()->setStretchLastSection(true);
        reference->setWordWrap(false);
        auto *layout = new QHBoxLayout(&window);
        layout->addWidget(live);
        layout->addWidget(reference);
        window.resize(1400, 400);
        window.show();
    }
    // The columns the live table sizes otherwise than the reference, as "State: 63, by Qt 55".
    QStringList differences()
    {
        reference->setRowCount(live->rowCount());
        for (int row = 0; row < live->rowCount(); ++row) {
            for (int column = 0; column < live->columnCount(); ++column) {
                auto *cell = new QTableWidgetItem(live->item(row, column)->text());
                cell->setTextAlignment(Qt::Alignment(live->item(row, column)->textAlignment()));
                reference->setItem(row, column, cell);
            }
        }
        QCoreApplication::processEvents();
        QStringList differing;
        for (int column = 0; column < live->columnCount(); ++column) {
            const int ours = live->horizontalHeader()->sectionSize(column);
            const int qts = reference->horizontalHeader()->sectionSize(column);
            if (ours != qts) {
                const QString name = reference->horizontalHeaderItem(column)->text();
                differing << QStringLiteral("%1: %2, by Qt %3").arg(name).arg(ours).arg(qts);
            }
        }
        return differing;
    }

    QWidget window;
    GroupResultsView *live = new GroupResultsView;
    QTableWidget *reference = new QTableWidget(0, 5);
};

} // namespace

class tst_GroupResultsView : public QObject
{
    Q_OBJECT

private slots:
    void widensForAPlayerSendingManyBytes()
    {
        TwoTables tables;
        tables.live->showPlayers(fivePlayers());
        PlayerResult sending = player("127.0.0.1:2121", State::Sending, 123456789, 12.5);
        sending.remoteFile = "media\\Lobby.rtf.part";
        tables.live->showPlayer(0, sending);
        QCOMPARE(tables.differences(), QStringList());
    }

    void narrowsWhenItsWidestCellShrinks()
    {
        TwoTables tables;
        tables.live->showPlayers(fivePlayers());
        tables.live->showPlayer(1, player("127.0.0.1:2122", State::DeliveredNotVerified, 123456789, 1.5));
        QCOMPARE(tables.differences(), QStringList());
        tables.live->showPlayer(1, player("127.0.0.1:2122", State::Failed, 12, 1.5));
        QCOMPARE(tables.differences(), QStringList());
    }

    void followsTheTickingSeconds()
    {
        TwoTables tables;
        tables.live->showPlayers(fivePlayers());
        tables.live->showPlayer(2, player("127.0.0.1:2123", State::LoggingOn));
        tables.live->showSeconds(2, 123456.7);
        QCOMPARE(tables.live->item(2, 3)->text(), QLocale().toString(123456.7, 'f', 1));
        QCOMPARE(tables.differences(), QStringList());
    }

    void fitsAShorterNextSend()
    {
        TwoTables tables;
        QList<PlayerResult> players = fivePlayers();
        players[4] = player("a-rather-long-player-name.example:2100", State::Delivered, 123456789, 1.5);
        tables.live->showPlayers(players);
        tables.live->showPlayers(fivePlayers().mid(0, 2));
        QCOMPARE(tables.differences(), QStringList());
    }

    void refitsForALargerFont()
    {
        TwoTables tables;
        tables.live->showPlayers(fivePlayers());
        QFont larger = tables.live->font();
        larger.setPointSize(larger.pointSize() * 2);
        tables.live->setFont(larger);
        tables.reference->setFont(larger);
        QCOMPARE(tables.differences(), QStringList());
    }
};

QTEST_MAIN(tst_GroupResultsView)
#include "tst_groupresultsview.moc"

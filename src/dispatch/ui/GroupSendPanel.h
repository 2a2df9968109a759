#pragma once

#include "commands/InstantFile.h"
#include "dispatch/SendEngine.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace qvic {

class GroupResultsView;
class OperatorDialogs;
class PlayerGroups;
struct SharedState;

// What a group send needs of the main window.
struct GroupSendHooks
{
    // The crawl checked and saved as for a single start; false ends the start.
    std::function<bool()> readyToStart;
    // Whether the Kite-7 device script follows the command file.
    std::function<bool()> withDeviceScript;
    // The password gate every send passes; false when the operator did not get through.
    std::function<bool()> askPassword;
};

// Starts and stops the crawl on every player of a group at once, behind one
// password question, and shows each player's progress live. Every round of
// sends, a retry too, goes into the send log.
class GroupSendPanel : public QWidget
{
    Q_OBJECT

public:
    GroupSendPanel(SharedState &state, OperatorDialogs &dialogs, GroupSendHooks hooks,
                   const PlayerGroups &groups, std::function<QString()> currentGroup,
                   QWidget *parent = nullptr);

    void setClock(Clock clock) { m_clock = std::move(clock); }
    void setTimeLimits(const SendTimeLimits &limits) { m_send.setTimeLimits(limits); }
    bool isRunning() const { return m_send.isRunning(); }

    void startOnGroup();
    void stopOnGroup();
    void retryFailed();
    void cancel();
    // Cancels a send under way and returns once it has ended and been logged.
    void cancelAndWait();
    // Between sends the progress bar counts the players of the group chosen now.
    void showGroupSize();

signals:
    void runningChanged(bool running);

private:
    void send(DeliveryAction action);
    void began(const QList<int> &round);
    void onPlayerChanged(int player);
    void count(PlayerResult::State state, int by);
    void showChangedPlayers();
    void roundEnded();
    void tick();
    void updateControls();

    SharedState &m_state;
    OperatorDialogs &m_dialogs;
    GroupSendHooks m_hooks;
    const PlayerGroups &m_groups;
    std::function<QString()> m_currentGroup;
    Clock m_clock = systemClock;

    SendEngine m_send;
    std::unique_ptr<QTemporaryDir> m_files; // the command files of the last send, kept for a retry
    DeliveryAction m_action = DeliveryAction::Start;
    QString m_document;
    QString m_message;
    QList<int> m_round; // the players of the send under way
    bool m_cancelled = false;
    // The table's clock for players under way: the engine reports their time only with news.
    QHash<int, QElapsedTimer> m_since;
    QTimer m_ticker;
    // News is shown at most every 100 ms, the changed rows only: a player reports
    // up to ten times a second, and a redraw for each would cost more than the send.
    QSet<int> m_changed;
    QTimer m_refresh;
    // What the progress bar and the summary count, kept as news arrives rather than recounted.
    QList<PlayerResult::State> m_states; // each player's, as last counted
    qsizetype m_delivered = 0;
    qsizetype m_failed = 0;
    int m_ended = 0; // players of the round under way that have ended

    QSpinBox *m_connectionsBox = nullptr;
    QPushButton *m_startButton = nullptr;
    QPushButton *m_stopButton = nullptr;
    QPushButton *m_retryButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QProgressBar *m_progress = nullptr;
    GroupResultsView *m_resultsTable = nullptr;
    QLabel *m_summary = nullptr;
};

} // namespace qvic

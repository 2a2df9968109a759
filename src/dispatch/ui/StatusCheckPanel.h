#pragma once

#include "dispatch/PlayerStatus.h"
#include "dispatch/SendEngine.h"

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QTableWidget;

namespace qvic {

struct SharedState;

// "What the screens show": reads the players of a group, or one player, and
// shows each one's state, document, since, until and details as it answers. A
// check only reads (the command file and the document's size), so it needs no
// password.
class StatusCheckPanel : public QWidget
{
    Q_OBJECT

public:
    // group: the players of the group chosen now; player: the one highlighted, if any.
    StatusCheckPanel(const SharedState &state, std::function<QStringList()> group, std::function<QString()> player,
                     QWidget *parent = nullptr);

    void setTimeLimits(const SendTimeLimits &limits) { m_check.setTimeLimits(limits); }
    bool isRunning() const { return m_check.isRunning(); }

    void checkGroup();
    void checkPlayer();

private:
    void check(const QStringList &players);
    void showPlayer(int player);
    void showSummary();

    const SharedState &m_state;
    std::function<QStringList()> m_group;
    std::function<QString()> m_player;
    SendEngine m_check;
    QList<SendLogRow> m_log; // as it was when the check began
    QList<std::optional<PlayerStatus>> m_statuses;

    QPushButton *m_checkGroupButton = nullptr;
    QPushButton *m_checkPlayerButton = nullptr;
    QTableWidget *m_table = nullptr;
    QLabel *m_summary = nullptr;
};

} // namespace qvic

#pragma once

#include "dispatch/PlayerGroups.h"
#include "dispatch/ui/GroupSendPanel.h"
#include "dispatch/ui/StatusCheckPanel.h"

#include <QDialog>

namespace qvic {

class GroupEditor;

// "Players and Groups": named groups of players, the crawl started or stopped
// on every player of one group at once, and what each of them shows now. The window stays while the
// program runs, so a send goes on when it is closed and reopened.
class PlayerGroupsWindow : public QDialog
{
    Q_OBJECT

public:
    PlayerGroupsWindow(SharedState &state, OperatorDialogs &dialogs, GroupSendHooks hooks,
                    QWidget *parent = nullptr);

    // Reads the groups file, telling the operator what in it was skipped.
    void loadGroups();

    GroupSendPanel &sendPanel() { return *m_panel; }
    StatusCheckPanel &statusPanel() { return *m_status; }

private:
    void createMenu();

    SharedState &m_state;
    OperatorDialogs &m_dialogs;
    PlayerGroups m_groups;
    GroupEditor *m_editor = nullptr;
    GroupSendPanel *m_panel = nullptr;
    StatusCheckPanel *m_status = nullptr;
};

} // namespace qvic

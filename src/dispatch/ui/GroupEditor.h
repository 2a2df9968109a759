#pragma once

#include <QStringList>
#include <QWidget>

class QGroupBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace qvic {

class OperatorDialogs;
class PlayerGroups;

// Named groups of players: the groups on the left, on the right every address
// of the address list and of the groups, ticked where it belongs to the group
// chosen on the left. Every change is saved to the groups file at once; a
// change that cannot be saved stays in the groups and is saved with the next.
class GroupEditor : public QWidget
{
    Q_OBJECT

public:
    GroupEditor(PlayerGroups &groups, const QString &groupsPath, const QStringList &addressList,
                OperatorDialogs &dialogs, QWidget *parent = nullptr);

    QString currentGroup() const;
    QStringList currentPlayers() const;
    // The player highlighted in the list of players, ticked or not; empty when none is.
    QString highlightedPlayer() const;

    void addGroup();
    void removeGroup();
    void addAddress();

signals:
    void currentGroupChanged(const QString &group);
    // The groups or their players changed (and were saved, where they could be).
    void groupsChanged();

private:
    void showGroups(const QString &current);
    void showPlayersOf(const QString &group);
    void playerTicked(QListWidgetItem *item);
    void save();

    PlayerGroups &m_groups;
    QString m_groupsPath;
    OperatorDialogs &m_dialogs;
    QStringList m_addresses; // the address list's, then those only the groups hold
    bool m_showing = false;

    QListWidget *m_groupList = nullptr;
    QLineEdit *m_groupNameBox = nullptr;
    QPushButton *m_addGroupButton = nullptr;
    QPushButton *m_removeGroupButton = nullptr;
    QGroupBox *m_playersFrame = nullptr;
    QListWidget *m_playerList = nullptr;
    QLineEdit *m_newAddressBox = nullptr;
    QPushButton *m_addAddressButton = nullptr;
};

} // namespace qvic

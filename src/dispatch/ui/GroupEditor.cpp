#include "dispatch/ui/GroupEditor.h"

#include "dispatch/PlayerAddress.h"
#include "dispatch/PlayerGroups.h"
#include "platform/OperatorDialogs.h"
#include "platform/ui/Controls.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QSignalBlocker>

#include <algorithm>

namespace qvic {

using namespace controls;

GroupEditor::GroupEditor(PlayerGroups &groups, const QString &groupsPath, const QStringList &addressList,
                         OperatorDialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_groups(groups), m_groupsPath(groupsPath), m_dialogs(dialogs)
{
    // A set beside the list: thousands of groups must not make the window's opening quadratic.
    QSet<QString> listed;
    const auto list = [&](const QString &address) {
        if (!listed.contains(address)) {
            listed.insert(address);
            m_addresses << address;
        }
    };
    for (const QString &address : addressList)
        list(address);
    for (const QString &group : m_groups.groups())
        for (const QString &address : m_groups.addresses(group))
            list(address);

    auto *groupsBox = named(new QGroupBox(QStringLiteral("Groups")), "groupsFrame");
    m_groupList = named(new QListWidget, "groupList", QStringLiteral("Groups"));
    m_groupNameBox = textBox("groupNameBox", QStringLiteral("New group name"));
    m_groupNameBox->setPlaceholderText(QStringLiteral("New group name"));
    m_addGroupButton = button("addGroupButton", QStringLiteral("Add &Group"));
    m_removeGroupButton = button("removeGroupButton", QStringLiteral("&Remove Group"));
    auto *groupsLayout = new QGridLayout(groupsBox);
    groupsLayout->addWidget(m_groupList, 0, 0, 1, 2);
    groupsLayout->addWidget(m_groupNameBox, 1, 0);
    groupsLayout->addWidget(m_addGroupButton, 1, 1);
    groupsLayout->addWidget(m_removeGroupButton, 2, 1);

    m_playersFrame = named(new QGroupBox(QStringLiteral("Players in the group")), "playersFrame");
    m_playerList = named(new QListWidget, "playerList", QStringLiteral("Players in the group"));
    m_newAddressBox = textBox("newAddressBox", QStringLiteral("Player address to add"));
    m_newAddressBox->setPlaceholderText(QStringLiteral("Address or address:port"));
    m_addAddressButton = button("addAddressButton", QStringLiteral("Add &Address"));
    auto *playersLayout = new QGridLayout(m_playersFrame);
    playersLayout->addWidget(m_playerList, 0, 0, 1, 2);
    playersLayout->addWidget(m_newAddressBox, 1, 0);
    playersLayout->addWidget(m_addAddressButton, 1, 1);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(groupsBox, 2);
    layout->addWidget(m_playersFrame, 3);

    connect(m_addGroupButton, &QPushButton::clicked, this, &GroupEditor::addGroup);
    connect(m_groupNameBox, &QLineEdit::returnPressed, this, &GroupEditor::addGroup);
    connect(m_removeGroupButton, &QPushButton::clicked, this, &GroupEditor::removeGroup);
    connect(m_addAddressButton, &QPushButton::clicked, this, &GroupEditor::addAddress);
    connect(m_newAddressBox, &QLineEdit::returnPressed, this, &GroupEditor::addAddress);
    connect(m_groupList, &QListWidget::currentTextChanged, this, [this](const QString &group) {
        showPlayersOf(group);
        emit currentGroupChanged(group);
    });
    connect(m_playerList, &QListWidget::itemChanged, this, &GroupEditor::playerTicked);
    showGroups(m_groups.groups().value(0));
}

QString GroupEditor::currentGroup() const
{
    return m_groupList->currentItem() ? m_groupList->currentItem()->text() : QString();
}

QString GroupEditor::highlightedPlayer() const
{
    return m_playerList->currentItem() ? m_playerList->currentItem()->text() : QString();
}

QStringList GroupEditor::currentPlayers() const
{
    return m_groups.addresses(currentGroup());
}

void GroupEditor::showGroups(const QString &current)
{
    {
        const QSignalBlocker quiet(m_groupList);
        m_groupList->clear();
        m_groupList->addItems(m_groups.groups());
        const auto found = m_groupList->findItems(current, Qt::MatchFixedString);
        m_groupList->setCurrentItem(found.isEmpty() ? nullptr : found.first());
    }
    m_removeGroupButton->setEnabled(m_groupList->count() > 0);
    showPlayersOf(currentGroup());
    emit currentGroupChanged(currentGroup());
}

void GroupEditor::showPlayersOf(const QString &group)
{
    const QStringList addresses = m_groups.addresses(group);
    const QSet<QString> members(addresses.cbegin(), addresses.cend());
    m_showing = true;
    m_playerList->clear();
    for (const QString &address : std::as_const(m_addresses)) {
        auto *item = new QListWidgetItem(address, m_playerList);
        item->setFlags(group.isEmpty() ? Qt::ItemIsSelectable : Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(members.contains(address) ? Qt::Checked : Qt::Unchecked);
    }
    m_showing = false;
    m_playerList->setEnabled(!group.isEmpty());
    m_newAddressBox->setEnabled(!group.isEmpty());
    m_addAddressButton->setEnabled(!group.isEmpty());
    m_playersFrame->setTitle(group.isEmpty() ? QStringLiteral("Players in the group")
                                   : QStringLiteral("Players in \"%1\"").arg(group));
}

void GroupEditor::playerTicked(QListWidgetItem *item)
{
    if (m_showing || !item)
        return;
    // The group keeps its own order; a newly ticked player joins at its end.
    QStringList members = currentPlayers();
    if (item->checkState() == Qt::Checked && !members.contains(item->text()))
        members << item->text();
    else if (item->checkState() != Qt::Checked)
        members.removeAll(item->text());
    m_groups.setAddresses(currentGroup(), members);
    save();
}

void GroupEditor::addGroup()
{
    const QString name = m_groupNameBox->text().trimmed();
    if (name.isEmpty()) {
        m_dialogs.information(QStringLiteral("Please enter a name for the new group."));
        m_groupNameBox->setFocus();
        return;
    }
    if (m_groups.contains(name)) {
        m_dialogs.information(QStringLiteral("There is already a group named \"%1\".").arg(name));
        return;
    }
    if (!m_groups.addGroup(name)) {
        m_dialogs.information(QStringLiteral("\"%1\" cannot name a group: a group name holds no control "
                                             "character and is not an address in brackets.").arg(name));
        return;
    }
    m_groupNameBox->clear();
    showGroups(name);
    save();
    m_playerList->setFocus();
}

void GroupEditor::removeGroup()
{
    const QString group = currentGroup();
    if (group.isEmpty()
        || !m_dialogs.askYesNo(QStringLiteral("Remove the group \"%1\"? Its players stay in the address list.").arg(group)))
        return;
    const int row = m_groupList->currentRow();
    m_groups.removeGroup(group);
    showGroups(m_groups.groups().value(std::min<qsizetype>(row, m_groups.groups().size() - 1)));
    save();
}

void GroupEditor::addAddress()
{
    const QString address = m_newAddressBox->text().trimmed();
    if (address.isEmpty())
        return;
    if (!parsePlayerAddress(address)) {
        m_dialogs.information(QStringLiteral("\"%1\" is not a player address: enter an address, "
                                             "address:port or [IPv6]:port.").arg(address));
        return;
    }
    if (!m_addresses.contains(address))
        m_addresses << address;
    QStringList members = currentPlayers();
    if (!members.contains(address))
        members << address;
    m_groups.setAddresses(currentGroup(), members);
    m_newAddressBox->clear();
    showPlayersOf(currentGroup());
    save();
}

void GroupEditor::save()
{
    emit groupsChanged();
    QString error;
    if (!m_groups.save(m_groupsPath, &error))
        m_dialogs.exclamation(QStringLiteral("The groups could not be saved.\n%1\nThis window keeps your "
                                             "changes; they are saved with the next change that can be written.")
                                  .arg(error));
}

} // namespace qvic

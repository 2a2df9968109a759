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

    auto *groupsBox = named(new QGroupBox(QStringLiteral("Groups")), "fraGroups");
    lstGroups = named(new QListWidget, "lstGroups", QStringLiteral("Groups"));
    txtGroupName = textBox("txtGroupName", QStringLiteral("New group name"));
    txtGroupName->setPlaceholderText(QStringLiteral("New group name"));
    btnAddGroup = button("btnAddGroup", QStringLiteral("Add &Group"));
    btnRemoveGroup = button("btnRemoveGroup", QStringLiteral("&Remove Group"));
    auto *groupsLayout = new QGridLayout(groupsBox);
    groupsLayout->addWidget(lstGroups, 0, 0, 1, 2);
    groupsLayout->addWidget(txtGroupName, 1, 0);
    groupsLayout->addWidget(btnAddGroup, 1, 1);
    groupsLayout->addWidget(btnRemoveGroup, 2, 1);

    fraPlayers = named(new QGroupBox(QStringLiteral("Players in the group")), "fraPlayers");
    lstPlayers = named(new QListWidget, "lstPlayers", QStringLiteral("Players in the group"));
    txtAddress = textBox("txtAddress", QStringLiteral("Player address to add"));
    txtAddress->setPlaceholderText(QStringLiteral("Address or address:port"));
    btnAddAddress = button("btnAddAddress", QStringLiteral("Add &Address"));
    auto *playersLayout = new QGridLayout(fraPlayers);
    playersLayout->addWidget(lstPlayers, 0, 0, 1, 2);
    playersLayout->addWidget(txtAddress, 1, 0);
    playersLayout->addWidget(btnAddAddress, 1, 1);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(groupsBox, 2);
    layout->addWidget(fraPlayers, 3);

    connect(btnAddGroup, &QPushButton::clicked, this, &GroupEditor::addGroup);
    connect(txtGroupName, &QLineEdit::returnPressed, this, &GroupEditor::addGroup);
    connect(btnRemoveGroup, &QPushButton::clicked, this, &GroupEditor::removeGroup);
    connect(btnAddAddress, &QPushButton::clicked, this, &GroupEditor::addAddress);
    connect(txtAddress, &QLineEdit::returnPressed, this, &GroupEditor::addAddress);
    connect(lstGroups, &QListWidget::currentTextChanged, this, [this](const QString &group) {
        showPlayersOf(group);
        emit currentGroupChanged(group);
    });
    connect(lstPlayers, &QListWidget::itemChanged, this, &GroupEditor::playerTicked);
    showGroups(m_groups.groups().value(0));
}

QString GroupEditor::currentGroup() const
{
    return lstGroups->currentItem() ? lstGroups->currentItem()->text() : QString();
}

QStringList GroupEditor::currentPlayers() const
{
    return m_groups.addresses(currentGroup());
}

void GroupEditor::showGroups(const QString &current)
{
    {
        const QSignalBlocker quiet(lstGroups);
        lstGroups->clear();
        lstGroups->addItems(m_groups.groups());
        const auto found = lstGroups->findItems(current, Qt::MatchFixedString);
        lstGroups->setCurrentItem(found.isEmpty() ? nullptr : found.first());
    }
    btnRemoveGroup->setEnabled(lstGroups->count() > 0);
    showPlayersOf(currentGroup());
    emit currentGroupChanged(currentGroup());
}

void GroupEditor::showPlayersOf(const QString &group)
{
    const QStringList addresses = m_groups.addresses(group);
    const QSet<QString> members(addresses.cbegin(), addresses.cend());
    m_showing = true;
    lstPlayers->clear();
    for (const QString &address : std::as_const(m_addresses)) {
        auto *item = new QListWidgetItem(address, lstPlayers);
        item->setFlags(group.isEmpty() ? Qt::ItemIsSelectable : Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(members.contains(address) ? Qt::Checked : Qt::Unchecked);
    }
    m_showing = false;
    lstPlayers->setEnabled(!group.isEmpty());
    txtAddress->setEnabled(!group.isEmpty());
    btnAddAddress->setEnabled(!group.isEmpty());
    fraPlayers->setTitle(group.isEmpty() ? QStringLiteral("Players in the group")
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
    const QString name = txtGroupName->text().trimmed();
    if (name.isEmpty()) {
        m_dialogs.information(QStringLiteral("Please enter a name for the new group."));
        txtGroupName->setFocus();
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
    txtGroupName->clear();
    showGroups(name);
    save();
    lstPlayers->setFocus();
}

void GroupEditor::removeGroup()
{
    const QString group = currentGroup();
    if (group.isEmpty()
        || !m_dialogs.askYesNo(QStringLiteral("Remove the group \"%1\"? Its players stay in the address list.").arg(group)))
        return;
    const int row = lstGroups->currentRow();
    m_groups.removeGroup(group);
    showGroups(m_groups.groups().value(std::min<qsizetype>(row, m_groups.groups().size() - 1)));
    save();
}

void GroupEditor::addAddress()
{
    const QString address = txtAddress->text().trimmed();
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
    txtAddress->clear();
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

#include "dispatch/ui/PlayerGroupsWindow.h"

#include "dispatch/AddressList.h"
#include "dispatch/ui/GroupEditor.h"
#include "platform/OperatorDialogs.h"
#include "platform/ui/Controls.h"
#include "platform/ui/WindowPlacement.h"
#include "state/SharedState.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace qvic {

using namespace controls;

PlayerGroupsWindow::PlayerGroupsWindow(SharedState &state, OperatorDialogs &dialogs, GroupSendHooks hooks,
                                 QWidget *parent)
    : QDialog(parent), m_state(state), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("PlayerGroupsWindow"));
    setWindowTitle(QStringLiteral("Players and Groups"));
    loadGroups();
    // The address list was read at start-up; a list that cannot be read now
    // only leaves the groups' own addresses to tick.
    const QStringList addresses = addresslist::readFieldsOfFile(m_state.addressListFile).value_or(QStringList());
    m_editor = new GroupEditor(m_groups, PlayerGroups::pathFor(m_state), addresses, m_dialogs);
    m_panel = new GroupSendPanel(m_state, m_dialogs, std::move(hooks), m_groups,
                                 [this] { return m_editor->currentGroup(); });
    m_status = new StatusCheckPanel(m_state, [this] { return m_editor->currentPlayers(); },
                                    [this] { return m_editor->highlightedPlayer(); });
    auto *tabs = named(new QTabWidget, "groupTabs");
    auto *sendPage = named(new QWidget, "sendFrame");
    (new QVBoxLayout(sendPage))->addWidget(m_panel);
    auto *statusPage = named(new QWidget, "statusFrame");
    (new QVBoxLayout(statusPage))->addWidget(m_status);
    tabs->addTab(sendPage, QStringLiteral("Send to the group"));
    tabs->addTab(statusPage, QStringLiteral("What the screens show"));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto *layout = new QVBoxLayout(this);
    createMenu();
    layout->setMenuBar(findChild<QMenuBar *>());
    layout->addWidget(m_editor, 2);
    layout->addWidget(tabs, 3);
    layout->addWidget(buttons);
    // Enter belongs to the box it is typed in (a group name, an address), never
    // to a default button that would add, send or close as well.
    for (QPushButton *button : findChildren<QPushButton *>())
        button->setAutoDefault(false);
    resize(900, 640);
    connect(m_panel, &GroupSendPanel::runningChanged, m_editor, [this](bool running) {
        m_editor->setEnabled(!running);
    });
    connect(m_editor, &GroupEditor::currentGroupChanged, m_panel, &GroupSendPanel::showGroupSize);
    connect(m_editor, &GroupEditor::groupsChanged, m_panel, &GroupSendPanel::showGroupSize);
    m_panel->showGroupSize();
}

void PlayerGroupsWindow::createMenu()
{
    auto *bar = new QMenuBar(this);
    QMenu *menu = bar->addMenu(QStringLiteral("&Group"));
    menu->setObjectName(QStringLiteral("groupMenu"));
    const auto add = [&](const char *name, const QString &caption, auto slot, QObject *target) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, target, slot);
        return action;
    };
    add("addGroupAction", QStringLiteral("Add Group"), [this] { m_editor->addGroup(); }, this);
    add("removeGroupAction", QStringLiteral("Remove Group"), [this] { m_editor->removeGroup(); }, this);
    menu->addSeparator();
    add("startGroupAction", QStringLiteral("Start on Group"), [this] { m_panel->startOnGroup(); }, this);
    add("stopGroupAction", QStringLiteral("Stop on Group"), [this] { m_panel->stopOnGroup(); }, this);
    add("retryFailedAction", QStringLiteral("Retry Failed"), [this] { m_panel->retryFailed(); }, this);
    add("cancelAction", QStringLiteral("Cancel"), [this] { m_panel->cancel(); }, this);
    menu->addSeparator();
    add("checkStatusAction", QStringLiteral("Check Status"), [this] {
        findChild<QTabWidget *>("groupTabs")->setCurrentIndex(1);
        m_status->checkGroup();
    }, this);
    menu->addSeparator();
    add("closeAction", QStringLiteral("Close"), [this] { close(); }, this);
}

void PlayerGroupsWindow::loadGroups()
{
    const QStringList skipped = m_groups.load(PlayerGroups::pathFor(m_state));
    if (!skipped.isEmpty())
        m_dialogs.exclamation(QStringLiteral("Some of the player groups could not be read; the rest are here.\n%1\n"
                                             "The file as it is now is kept as groups.ini.bak at the first change.")
                                  .arg(skipped.join(u'\n')));
}

} // namespace qvic

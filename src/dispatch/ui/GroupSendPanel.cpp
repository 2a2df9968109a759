#include "dispatch/ui/GroupSendPanel.h"

#include "dispatch/SendPreparation.h"
#include "dispatch/PlayerGroups.h"
#include "dispatch/SendLog.h"
#include "dispatch/ui/GroupResultsView.h"
#include "platform/OperatorDialogs.h"
#include "platform/ui/Controls.h"
#include "state/SharedState.h"

#include <QEventLoop>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

namespace qvic {

using namespace controls;

GroupSendPanel::GroupSendPanel(SharedState &state, OperatorDialogs &dialogs, GroupSendHooks hooks,
                               const PlayerGroups &groups, std::function<QString()> currentGroup,
                               QWidget *parent)
    : QWidget(parent), m_state(state), m_dialogs(dialogs), m_hooks(std::move(hooks)), m_groups(groups),
      m_currentGroup(std::move(currentGroup))
{
    m_connectionsBox = named(new QSpinBox, "connectionsBox", QStringLiteral("Players served at once"));
    m_connectionsBox->setRange(1, 256);
    m_connectionsBox->setValue(32);
    m_startButton = button("startGroupButton", QStringLiteral("&Start on Group"));
    m_stopButton = button("stopGroupButton", QStringLiteral("S&top on Group"));
    m_retryButton = button("retryFailedButton", QStringLiteral("Retry &Failed"));
    m_cancelButton = button("cancelButton", QStringLiteral("&Cancel"));
    m_progress = named(new QProgressBar, "groupProgress", QStringLiteral("Players done"));
    showGroupSize();
    m_resultsTable = named(new GroupResultsView, "resultsTable", QStringLiteral("Players and how their send went"));
    m_summary = named(new QLabel, "summaryLabel");
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(labelFor(QStringLiteral("Players at &once:"), m_connectionsBox, "connectionsLabel"));
    buttons->addWidget(m_connectionsBox);
    buttons->addSpacing(12);
    buttons->addWidget(m_startButton);
    buttons->addWidget(m_stopButton);
    buttons->addStretch(1);
    buttons->addWidget(m_retryButton);
    buttons->addWidget(m_cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(buttons);
    layout->addWidget(m_progress);
    layout->addWidget(m_resultsTable, 1);
    layout->addWidget(m_summary);

    connect(m_startButton, &QPushButton::clicked, this, &GroupSendPanel::startOnGroup);
    connect(m_stopButton, &QPushButton::clicked, this, &GroupSendPanel::stopOnGroup);
    connect(m_retryButton, &QPushButton::clicked, this, &GroupSendPanel::retryFailed);
    connect(m_cancelButton, &QPushButton::clicked, this, &GroupSendPanel::cancel);
    connect(&m_send, &SendEngine::playerChanged, this, &GroupSendPanel::onPlayerChanged);
    connect(&m_send, &SendEngine::finished, this, &GroupSendPanel::roundEnded);
    m_ticker.setInterval(250);
    connect(&m_ticker, &QTimer::timeout, this, &GroupSendPanel::tick);
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(100);
    connect(&m_refresh, &QTimer::timeout, this, &GroupSendPanel::showChangedPlayers);
    updateControls();
}

void GroupSendPanel::showGroupSize()
{
    if (isRunning())
        return;
    const QString group = m_currentGroup();
    const int players = group.isEmpty() ? 0 : int(m_groups.addresses(group).size());
    // An empty range would make the bar a busy indicator.
    m_progress->setRange(0, std::max(players, 1));
    m_progress->setValue(0);
    m_progress->setFormat(players == 0 ? QStringLiteral("No players ticked") : QStringLiteral("%v of %m players"));
}

void GroupSendPanel::startOnGroup()
{
    send(DeliveryAction::Start);
}

void GroupSendPanel::stopOnGroup()
{
    send(DeliveryAction::Stop);
}

void GroupSendPanel::send(DeliveryAction action)
{
    if (isRunning())
        return;
    const QString group = m_currentGroup();
    if (group.isEmpty()) {
        m_dialogs.information(QStringLiteral("Please add a group and tick its players first."));
        return;
    }
    const QStringList players = m_groups.addresses(group);
    if (players.isEmpty()) {
        m_dialogs.information(QStringLiteral("The group \"%1\" has no players: tick its players first.").arg(group));
        return;
    }
    if (action == DeliveryAction::Start && !m_hooks.readyToStart())
        return;
    if (!m_hooks.askPassword())
        return;

    auto files = std::make_unique<QTemporaryDir>();
    PreparationFailure failure;
    const auto prepared = files->isValid()
        ? prepareSend(m_state, action, m_hooks.withDeviceScript(), files->path(), m_clock, &failure)
        : std::nullopt;
    if (!prepared) {
        m_dialogs.exclamation(QStringLiteral("Error creating Instant.txt file.\n%1")
                                  .arg(failure.reason.isEmpty() ? files->errorString() : failure.reason));
        return;
    }
    m_files = std::move(files);
    m_action = action;
    m_document = action == DeliveryAction::Start ? m_state.currentFileName : QString();
    m_message = prepared->message;
    m_send.setMaxConnections(m_connectionsBox->value());
    if (m_send.start({players, m_state.ftpUser, m_state.ftpPassword, prepared->files})) {
        QList<int> everyone;
        for (int player = 0; player < players.size(); ++player)
            everyone << player;
        began(everyone);
    }
}

void GroupSendPanel::retryFailed()
{
    const QList<int> failed = m_send.failedPlayers();
    if (isRunning() || failed.isEmpty())
        return;
    // The password was given for this send; the retry sends the same files again.
    m_send.setMaxConnections(m_connectionsBox->value());
    if (m_send.retry(failed))
        began(failed);
}

void GroupSendPanel::cancel()
{
    if (!isRunning())
        return;
    m_cancelled = true;
    m_send.cancel();
}

void GroupSendPanel::cancelAndWait()
{
    if (!isRunning())
        return;
    QEventLoop ended;
    connect(this, &GroupSendPanel::runningChanged, &ended, &QEventLoop::quit);
    cancel();
    ended.exec(QEventLoop::ExcludeUserInputEvents);
}

void GroupSendPanel::began(const QList<int> &round)
{
    const QList<PlayerResult> &results = m_send.results();
    m_round = round;
    m_cancelled = false;
    m_since.clear();
    m_changed.clear();
    m_states.clear();
    m_delivered = m_failed = 0;
    m_ended = 0;
    for (const PlayerResult &result : results) {
        m_states << result.state;
        count(result.state, 1);
    }
    m_ticker.start();
    m_resultsTable->showPlayers(results);
    m_progress->setFormat(QStringLiteral("%v of %m players"));
    m_progress->setRange(0, int(round.size()));
    m_progress->setValue(0);
    m_summary->setText(GroupResultsView::summary(m_delivered, m_failed, results.size()));
    updateControls();
    emit runningChanged(true);
}

void GroupSendPanel::onPlayerChanged(int player)
{
    const PlayerResult::State state = m_send.results().at(player).state;
    const bool underWay = state != PlayerResult::State::Waiting && state < PlayerResult::State::Delivered;
    if (underWay && !m_since.contains(player))
        m_since[player].start();
    else if (!underWay)
        m_since.remove(player);
    const bool endedBefore = m_states[player] >= PlayerResult::State::Delivered;
    count(m_states[player], -1);
    count(state, 1);
    m_states[player] = state;
    m_ended += int(state >= PlayerResult::State::Delivered) - int(endedBefore);
    m_changed.insert(player);
    if (!m_refresh.isActive())
        m_refresh.start();
}

void GroupSendPanel::count(PlayerResult::State state, int by)
{
    if (state == PlayerResult::State::Failed)
        m_failed += by;
    else if (state >= PlayerResult::State::Delivered)
        m_delivered += by;
}

void GroupSendPanel::showChangedPlayers()
{
    for (const int player : std::as_const(m_changed))
        m_resultsTable->showPlayer(player, m_send.results().at(player));
    m_changed.clear();
    m_progress->setValue(m_ended);
    m_summary->setText(GroupResultsView::summary(m_delivered, m_failed, m_send.results().size()));
}

void GroupSendPanel::tick()
{
    for (auto since = m_since.cbegin(); since != m_since.cend(); ++since)
        m_resultsTable->showSeconds(since.key(), double(since.value().elapsed()) / 1000);
}

void GroupSendPanel::roundEnded()
{
    m_ticker.stop();
    m_refresh.stop();
    showChangedPlayers();
    m_progress->setValue(m_progress->maximum());
    m_summary->setText(GroupResultsView::summary(m_send.results(), m_cancelled));
    updateControls();
    emit runningChanged(false);

    QList<PlayerResult> round;
    for (int index : std::as_const(m_round))
        round << m_send.results().at(index);
    QString error;
    if (!SendLog(SendLog::pathFor(m_state), m_clock).append(m_action, m_document, m_message, round, &error))
        m_dialogs.exclamation(QStringLiteral("The send log could not be written.\n%1\nThe results stay in "
                                             "this window.").arg(error));
}

void GroupSendPanel::updateControls()
{
    const bool running = isRunning();
    m_startButton->setEnabled(!running);
    m_stopButton->setEnabled(!running);
    m_connectionsBox->setEnabled(!running);
    m_cancelButton->setEnabled(running);
    m_retryButton->setEnabled(!running && !m_send.failedPlayers().isEmpty());
}

} // namespace qvic

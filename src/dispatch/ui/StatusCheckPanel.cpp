#include "dispatch/ui/StatusCheckPanel.h"

#include "platform/ui/Controls.h"
#include "state/SharedState.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace qvic {

using namespace controls;

namespace {

enum Column { PlayerColumn, StateColumn, DocumentColumn, SinceColumn, UntilColumn, DetailsColumn, ColumnCount };

QString timeShown(const std::optional<QDateTime> &when)
{
    return when ? when->toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) : QString();
}

// What a row says beyond the state: the words found, how it differs from the last send, or why it could not be read.
QString detailsOf(const PlayerStatus &status)
{
    QStringList parts;
    for (const QString &part : {status.error, status.details, status.differsFromLastSend})
        if (!part.isEmpty())
            parts << QString(part).replace(QLatin1String("\r\n"), QLatin1String(" "));
    return parts.join(QLatin1String("; "));
}

} // namespace

StatusCheckPanel::StatusCheckPanel(const SharedState &state, std::function<QStringList()> group,
                                   std::function<QString()> player, QWidget *parent)
    : QWidget(parent), m_state(state), m_group(std::move(group)), m_player(std::move(player))
{
    m_checkGroupButton = button("checkStatusButton", QStringLiteral("Check &Status"));
    m_checkPlayerButton = button("checkPlayerButton", QStringLiteral("Check &Player"));
    m_checkPlayerButton->setToolTip(QStringLiteral("Checks the player highlighted in the list of players"));
    m_table = named(new QTableWidget(0, ColumnCount), "statusTable", QStringLiteral("What each player shows"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Player"), QStringLiteral("State"), QStringLiteral("Document"),
                                        QStringLiteral("Since"), QStringLiteral("Until"), QStringLiteral("Details")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_summary = named(new QLabel(QStringLiteral("Nothing checked yet: the check reads each player and changes nothing.")),
                      "statusSummary");
    m_summary->setWordWrap(true);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_checkGroupButton);
    buttons->addWidget(m_checkPlayerButton);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(buttons);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_summary);

    connect(m_checkGroupButton, &QPushButton::clicked, this, &StatusCheckPanel::checkGroup);
    connect(m_checkPlayerButton, &QPushButton::clicked, this, &StatusCheckPanel::checkPlayer);
    connect(&m_check, &SendEngine::playerChanged, this, &StatusCheckPanel::showPlayer);
    connect(&m_check, &SendEngine::finished, this, [this] {
        m_checkGroupButton->setEnabled(true);
        m_checkPlayerButton->setEnabled(true);
        showSummary();
        m_table->resizeColumnsToContents(); // once: after each answer it would cost more than the check
    });
}

void StatusCheckPanel::checkGroup()
{
    check(m_group());
}

void StatusCheckPanel::checkPlayer()
{
    const QString player = m_player();
    check(player.isEmpty() ? QStringList() : QStringList{player});
}

void StatusCheckPanel::check(const QStringList &players)
{
    if (isRunning())
        return;
    if (players.isEmpty()) {
        m_summary->setText(QStringLiteral("No player to check: choose a group with players, or highlight a player."));
        return;
    }
    m_log = SendLog::read(SendLog::pathFor(m_state)).rows;
    m_statuses = QList<std::optional<PlayerStatus>>(players.size());
    m_table->setRowCount(int(players.size()));
    for (int row = 0; row < players.size(); ++row)
        for (int column = 0; column < ColumnCount; ++column)
            m_table->setItem(row, column, new QTableWidgetItem(column == PlayerColumn  ? players[row]
                                                               : column == StateColumn ? QStringLiteral("waiting")
                                                                                       : QString()));
    m_checkGroupButton->setEnabled(false);
    m_checkPlayerButton->setEnabled(false);
    m_summary->setText(QStringLiteral("Checking %1 %2...").arg(players.size()).arg(players.size() == 1 ? "player" : "players"));
    m_table->resizeColumnsToContents();
    m_check.start({players, m_state.ftpUser, m_state.ftpPassword, {}, statusReadPlan()});
}

void StatusCheckPanel::showPlayer(int player)
{
    const PlayerResult &result = m_check.results().at(player);
    if (!result.ended()) {
        m_table->item(player, StateColumn)->setText(QStringLiteral("checking"));
        return;
    }
    const PlayerStatus status = statusOf(result, QDateTime::currentDateTime(), m_log);
    m_statuses[player] = status;
    const QStringList cells{result.player, statusStateWords(status.state), status.document, timeShown(status.since),
                            timeShown(status.until), detailsOf(status)};
    for (int column = 0; column < ColumnCount; ++column) {
        m_table->item(player, column)->setText(cells[column]);
        m_table->item(player, column)->setToolTip(cells[column]);
    }
}

void StatusCheckPanel::showSummary()
{
    QMap<PlayerStatus::State, int> counts;
    int differing = 0;
    for (const auto &status : std::as_const(m_statuses))
        if (status) {
            ++counts[status->state];
            differing += status->differsFromLastSend.isEmpty() ? 0 : 1;
        }
    QStringList parts;
    for (auto count = counts.cbegin(); count != counts.cend(); ++count)
        parts << QStringLiteral("%1 %2").arg(count.value()).arg(statusStateWords(count.key()));
    QString summary = QStringLiteral("Checked %1 %2: %3.")
                          .arg(m_statuses.size())
                          .arg(m_statuses.size() == 1 ? "player" : "players", parts.join(QLatin1String(", ")));
    if (differing)
        summary += QStringLiteral(" %1 %2 from what this computer last sent.")
                       .arg(differing)
                       .arg(differing == 1 ? "differs" : "differ");
    m_summary->setText(summary);
}

} // namespace qvic

#include "dispatch/ui/GroupResultsView.h"

#include <QHeaderView>
#include <QLocale>

namespace qvic {
namespace {

enum Column { PlayerColumn, StateColumn, BytesColumn, SecondsColumn, DetailsColumn, ColumnCount };

QString details(const PlayerResult &result)
{
    if (result.state == PlayerResult::State::Failed)
        return QString(result.words).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    if (!result.note.isEmpty())
        return result.note;
    return result.ended() ? QString() : result.remoteFile;
}

} // namespace

GroupResultsView::GroupResultsView(QWidget *parent) : QTableWidget(0, ColumnCount, parent)
{
    setHorizontalHeaderLabels({QStringLiteral("Player"), QStringLiteral("State"), QStringLiteral("Bytes"),
                               QStringLiteral("Seconds"), QStringLiteral("Details")});
    setEditTriggers(NoEditTriggers);
    setSelectionBehavior(SelectRows);
    setAlternatingRowColors(true);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setStretchLastSection(true);
    setWordWrap(false);
}

void GroupResultsView::showPlayers(const QList<PlayerResult> &results)
{
    setRowCount(int(results.size()));
    for (int row = 0; row < results.size(); ++row)
        showPlayer(row, results.at(row));
}

void GroupResultsView::showPlayer(int row, const PlayerResult &result)
{
    const QLocale locale;
    const QString texts[ColumnCount] = {
        result.player,
        playerStateWords(result.state),
        locale.toString(result.bytesSent),
        result.state == PlayerResult::State::Waiting ? QString() : locale.toString(result.seconds, 'f', 1),
        details(result),
    };
    for (int column = 0; column < ColumnCount; ++column) {
        QTableWidgetItem *cell = item(row, column);
        if (!cell) {
            cell = new QTableWidgetItem;
            if (column == BytesColumn || column == SecondsColumn)
                cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            setItem(row, column, cell);
        }
        cell->setText(texts[column]);
        cell->setToolTip(column == DetailsColumn ? texts[column] : QString());
    }
    if (result.state == PlayerResult::State::Failed)
        item(row, StateColumn)->setForeground(QColor(0xb0, 0x00, 0x20));
    else if (result.ended())
        item(row, StateColumn)->setForeground(QColor(0x00, 0x70, 0x30));
    else
        item(row, StateColumn)->setForeground(palette().text());
}

QString GroupResultsView::summary(const QList<PlayerResult> &results, bool cancelled)
{
    qsizetype delivered = 0, failed = 0;
    QStringList missing;
    for (const PlayerResult &result : results) {
        if (result.state == PlayerResult::State::Failed) {
            ++failed;
            missing << result.player;
        } else if (result.ended()) {
            ++delivered;
        }
    }
    const qsizetype going = results.size() - delivered - failed;
    QString text = QStringLiteral("Delivered to %1 of %2 players").arg(delivered).arg(results.size());
    if (failed)
        text += QStringLiteral("; %1 failed").arg(failed);
    if (going)
        text += QStringLiteral("; %1 still going").arg(going);
    text += u'.';
    if (cancelled && !missing.isEmpty())
        text = QStringLiteral("Cancelled. ") + text + QStringLiteral(" Not delivered: ") + missing.join(QStringLiteral(", ")) + u'.';
    return text;
}

} // namespace qvic

#include "dispatch/ui/GroupResultsView.h"

#include <QEvent>
#include <QHeaderView>
#include <QLocale>

#include <algorithm>

namespace qvic {
namespace {

QString details(const PlayerResult &result)
{
    if (result.state == PlayerResult::State::Failed)
        return QString(result.words).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    if (!result.note.isEmpty())
        return result.note;
    return result.ended() ? QString() : result.remoteFile;
}

QString secondsText(double seconds)
{
    return QLocale().toString(seconds, 'f', 1);
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
    // Sized by fitColumn, as resize-to-contents would size them; the operator cannot drag them either.
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setStretchLastSection(true);
    setWordWrap(false);
    measureAll();
}

void GroupResultsView::showPlayers(const QList<PlayerResult> &results)
{
    setRowCount(int(results.size()));
    for (int row = 0; row < results.size(); ++row)
        fillRow(row, results.at(row));
    measureAll();
}

void GroupResultsView::showPlayer(int row, const PlayerResult &result)
{
    const int changed = fillRow(row, result);
    for (int column = 0; column < kFittedColumns; ++column)
        if (changed & (1 << column))
            remeasure(row, column);
}

int GroupResultsView::fillRow(int row, const PlayerResult &result)
{
    const QLocale locale;
    const QString texts[ColumnCount] = {
        result.player,
        playerStateWords(result.state),
        locale.toString(result.bytesSent),
        result.state == PlayerResult::State::Waiting ? QString() : secondsText(result.seconds),
        details(result),
    };
    int changed = 0;
    for (int column = 0; column < ColumnCount; ++column) {
        QTableWidgetItem *cell = item(row, column);
        if (!cell) {
            cell = new QTableWidgetItem;
            if (column == BytesColumn || column == SecondsColumn)
                cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            setItem(row, column, cell);
        }
        if (setCellText(row, column, texts[column]))
            changed |= 1 << column;
        cell->setToolTip(column == DetailsColumn ? texts[column] : QString());
    }
    if (result.state == PlayerResult::State::Failed)
        item(row, StateColumn)->setForeground(QColor(0xb0, 0x00, 0x20));
    else if (result.ended())
        item(row, StateColumn)->setForeground(QColor(0x00, 0x70, 0x30));
    else
        item(row, StateColumn)->setForeground(palette().text());
    return changed;
}

void GroupResultsView::showSeconds(int row, double seconds)
{
    if (setCellText(row, SecondsColumn, secondsText(seconds)))
        remeasure(row, SecondsColumn);
}

bool GroupResultsView::setCellText(int row, int column, const QString &text)
{
    QTableWidgetItem *cell = item(row, column);
    if (!cell || cell->text() == text)
        return false;
    cell->setText(text);
    return true;
}

int GroupResultsView::widthHint(int row, int column) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex index = model()->index(row, column);
    return itemDelegateForIndex(index)->sizeHint(option, index).width();
}

void GroupResultsView::remeasure(int row, int column)
{
    if (row >= m_cellWidths.size()) // a row showPlayers has not laid out
        return;
    std::map<int, int> &counts = m_widthCounts[column];
    int &width = m_cellWidths[row][column];
    const int widest = counts.empty() ? 0 : counts.rbegin()->first;
    if (const auto old = counts.find(width); old != counts.end() && --old->second == 0)
        counts.erase(old);
    width = widthHint(row, column);
    ++counts[width];
    if (counts.rbegin()->first != widest)
        fitColumn(column);
}

void GroupResultsView::measureAll()
{
    ensurePolished();
    m_cellWidths.resize(rowCount());
    for (int column = 0; column < kFittedColumns; ++column) {
        m_widthCounts[column].clear();
        for (int row = 0; row < rowCount(); ++row) {
            m_cellWidths[row][column] = widthHint(row, column);
            ++m_widthCounts[column][m_cellWidths[row][column]];
        }
        fitColumn(column);
    }
}

void GroupResultsView::fitColumn(int column)
{
    // As QTableView::sizeHintForColumn and the header's resize-to-contents reckon it.
    QHeaderView *header = horizontalHeader();
    const std::map<int, int> &counts = m_widthCounts[column];
    const int cells = (counts.empty() ? 0 : counts.rbegin()->first) + (showGrid() ? 1 : 0);
    const int width = std::max(cells, header->sectionSizeHint(column));
    header->resizeSection(column, std::clamp(width, header->minimumSectionSize(), header->maximumSectionSize()));
}

void GroupResultsView::changeEvent(QEvent *event)
{
    QTableWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        measureAll();
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
    QString text = summary(delivered, failed, results.size());
    if (cancelled && !missing.isEmpty())
        text = QStringLiteral("Cancelled. ") + text + QStringLiteral(" Not delivered: ") + missing.join(QStringLiteral(", ")) + u'.';
    return text;
}

QString GroupResultsView::summary(qsizetype delivered, qsizetype failed, qsizetype players)
{
    const qsizetype going = players - delivered - failed;
    QString text = QStringLiteral("Delivered to %1 of %2 players").arg(delivered).arg(players);
    if (failed)
        text += QStringLiteral("; %1 failed").arg(failed);
    if (going)
        text += QStringLiteral("; %1 still going").arg(going);
    return text + u'.';
}

} // namespace qvic

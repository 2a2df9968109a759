#pragma once

#include "dispatch/SendRequest.h"

#include <QTableWidget>

#include <array>
#include <map>

namespace qvic {

// The live table of a group send: one row per player with its state, the bytes
// it has been sent, the seconds since its logon began and, once it ends, what
// went wrong or how its files got there.
//
// A change costs the same however many players the table holds: only the
// changed cells are measured, and a column follows its widest cell from running
// counts of the widths its cells ask for, where Qt's resize-to-contents would
// measure every row at each change.
class GroupResultsView : public QTableWidget
{
    Q_OBJECT

public:
    explicit GroupResultsView(QWidget *parent = nullptr);

    void showPlayers(const QList<PlayerResult> &results);
    void showPlayer(int row, const PlayerResult &result);
    // The seconds of a player under way, between the engine's news of it.
    void showSeconds(int row, double seconds);

    // "Delivered to 2 of 5 players; 3 failed." and, while players are still
    // going, how many are; a cancel names those that did not get the crawl.
    static QString summary(const QList<PlayerResult> &results, bool cancelled);
    // The same line from counts kept as the players' news arrives.
    static QString summary(qsizetype delivered, qsizetype failed, qsizetype players);

protected:
    void changeEvent(QEvent *event) override;

private:
    enum Column { PlayerColumn, StateColumn, BytesColumn, SecondsColumn, DetailsColumn, ColumnCount };
    // The last column stretches over what the others leave, whatever its cells hold.
    static constexpr int kFittedColumns = DetailsColumn;

    // Shows the result in its row; the columns whose text changed, a bit each.
    int fillRow(int row, const PlayerResult &result);
    // Sets the cell's text; whether it changed.
    bool setCellText(int row, int column, const QString &text);
    // The width the cell asks for, as the view's resize-to-contents measures it.
    int widthHint(int row, int column) const;
    void remeasure(int row, int column);
    void measureAll();
    void fitColumn(int column);

    QList<std::array<int, kFittedColumns>> m_cellWidths;          // by row, the width each cell asks for
    std::array<std::map<int, int>, kFittedColumns> m_widthCounts; // by column: width -> cells asking it
};

} // namespace qvic

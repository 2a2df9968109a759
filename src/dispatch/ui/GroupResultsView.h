#pragma once

#include "dispatch/SendRequest.h"

#include <QTableWidget>

namespace qvic {

// The live table of a group send: one row per player with its state, the bytes
// it has been sent, the seconds since its logon began and, once it ends, what
// went wrong or how its files got there.
class GroupResultsView : public QTableWidget
{
    Q_OBJECT

public:
    explicit GroupResultsView(QWidget *parent = nullptr);

    void showPlayers(const QList<PlayerResult> &results);
    void showPlayer(int row, const PlayerResult &result);

    // "Delivered to 2 of 5 players; 3 failed." and, while players are still
    // going, how many are; a cancel names those that did not get the crawl.
    static QString summary(const QList<PlayerResult> &results, bool cancelled);
};

} // namespace qvic

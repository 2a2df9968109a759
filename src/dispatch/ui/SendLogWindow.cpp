#include "dispatch/ui/SendLogWindow.h"

#include "dispatch/SendLog.h"
#include "platform/ui/Controls.h"
#include "platform/ui/WindowPlacement.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace qvic {

using namespace controls;

namespace {
constexpr int kOutcomeColumn = 3;
constexpr int kAlertColumn = 6;
}

SendLogWindow::SendLogWindow(const QString &path, QWidget *parent) : QDialog(parent), m_path(path)
{
    setObjectName(QStringLiteral("SendLogWindow"));
    setWindowTitle(QStringLiteral("Send Log"));
    // Who got what comes first; the long command line last.
    const QStringList columns{QStringLiteral("Time"),    QStringLiteral("Action"),
                              QStringLiteral("Player"),  QStringLiteral("Outcome"),
                              QStringLiteral("Bytes verified"), QStringLiteral("Document"),
                              QStringLiteral("Alert"), QStringLiteral("Command line")};
    m_table = named(new QTableWidget(0, int(columns.size())), "sendLogTable", QStringLiteral("Send log"));
    m_table->setHorizontalHeaderLabels(columns);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setAlternatingRowColors(true);
    m_table->verticalHeader()->hide();
    // Nothing cut: each column as wide as what it holds, but a failure's words
    // wrap within a column of their own, so the command line, the settings the
    // log is read for, stays in view.
    m_table->setTextElideMode(Qt::ElideNone);
    m_table->setWordWrap(true);
    m_table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_note = named(new QLabel, "sendLogNote");
    m_note->setWordWrap(true);
    m_note->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QPushButton *refresh = button("refreshButton", QStringLiteral("&Refresh"));
    buttons->addButton(refresh, QDialogButtonBox::ActionRole);
    connect(refresh, &QPushButton::clicked, this, &SendLogWindow::reload);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_note);
    layout->addWidget(buttons);
    reload();
    // Wide enough for every column where the screen allows.
    const QMargins margins = layout->contentsMargins();
    const int wanted = m_table->horizontalHeader()->length() + 2 * m_table->frameWidth()
                       + m_table->verticalScrollBar()->sizeHint().width() + margins.left() + margins.right();
    const int room = screen() ? screen()->availableGeometry().width() * 9 / 10 : wanted;
    resize(std::clamp(wanted, 720, std::max(720, room)), 440);
}

void SendLogWindow::reload()
{
    const SendLog::Contents log = SendLog::read(m_path);
    m_table->setRowCount(int(log.rows.size()));
    for (int row = 0; row < log.rows.size(); ++row) {
        const SendLogRow &line = log.rows.at(row);
        // An alert is shown by its identifier, the middle of "sender,identifier,sent"; the
        // whole reference is its tip.
        const QString alertIdentifier = line.alert.section(u',', 1, 1);
        const QStringList fields{line.time,    line.action,
                                 line.player,  line.outcome,
                                 QString::number(line.bytesVerified), line.document,
                                 alertIdentifier, line.settings};
        for (int column = 0; column < fields.size(); ++column) {
            // The transfer words keep their line breaks; a row shows them as spaces.
            auto *item = new QTableWidgetItem(QString(fields.at(column)).replace(QLatin1String("\r\n"), QLatin1String(" ")));
            item->setToolTip(column == kAlertColumn ? line.alert : fields.at(column));
            m_table->setItem(row, column, item);
        }
    }
    m_table->resizeColumnsToContents();
    const int outcomeWidth = m_table->fontMetrics().averageCharWidth() * 40;
    if (m_table->columnWidth(kOutcomeColumn) > outcomeWidth)
        m_table->setColumnWidth(kOutcomeColumn, outcomeWidth);
    m_table->resizeRowsToContents();
    m_table->scrollToBottom();

    QStringList notes;
    if (!log.error.isEmpty())
        notes << log.error;
    else if (log.rows.isEmpty())
        notes << QStringLiteral("Nothing has been sent yet: %1 holds no sends.").arg(m_path);
    else
        notes << QStringLiteral("Player sends logged in %1: %2.").arg(m_path).arg(log.rows.size());
    if (log.skipped)
        notes << QStringLiteral("Lines skipped as not log lines: %1.").arg(log.skipped);
    m_note->setText(notes.join(u' '));
}

} // namespace qvic

#pragma once

#include <QDialog>

class QLabel;
class QTableWidget;

namespace qvic {

// The send log in a read-only table, the latest send at the bottom and in view.
class SendLogWindow : public QDialog
{
    Q_OBJECT

public:
    SendLogWindow(const QString &path, QWidget *parent = nullptr);

    // Reads the log again: it grows while the window is open.
    void reload();

private:
    QString m_path;
    QTableWidget *m_table = nullptr;
    QLabel *m_note = nullptr;
};

} // namespace qvic

#pragma once

#include <QDialog>

namespace qvic {

struct SharedState;
class OperatorDialogs;

// The Kite-7 device's settings: its COM port and how it crawls.
class frmKite7 : public QDialog
{
    Q_OBJECT

public:
    frmKite7(SharedState &state, OperatorDialogs &dialogs, QWidget *parent = nullptr);

private:
    SharedState &m_state;
    OperatorDialogs &m_dialogs;
};

} // namespace qvic

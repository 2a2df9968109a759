#pragma once

#include <QDialog>

namespace qvic {

struct SharedState;
class OperatorDialogs;
class frmQV7IC;

// The Kite-7 device's settings: its COM port and how it crawls.
class frmKite7 : public QDialog
{
    Q_OBJECT

public:
    // The dialog reads the main window's address box and uses its builders.
    frmKite7(SharedState &state, OperatorDialogs &dialogs, frmQV7IC &mainWindow);

private:
    SharedState &m_state;
    OperatorDialogs &m_dialogs;
    frmQV7IC &m_mainWindow;
};

} // namespace qvic

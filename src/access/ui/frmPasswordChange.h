#pragma once

#include "access/PasswordStore.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qvic {

class OperatorDialogs;
struct SharedState;

// "Change password": replaces the password the password dialog checks. Construct
// one for each opening (it reads the password file afresh) and call exec(); its
// only lasting effect is the new "pass" in the password file.
class frmPasswordChange : public QDialog
{
    Q_OBJECT

public:
    frmPasswordChange(SharedState &state, OperatorDialogs &dialogs, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    void Form_Load();
    void btnOK_Click();
    void btnCancel_Click();
    void refuseNewPassword(const QString &why);

    OperatorDialogs &m_dialogs;
    PasswordStore m_store;
    QString strSavedPassword;

    QLabel *Label2 = nullptr;
    QLineEdit *txtOldPassword = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *txtPassword = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;
};

} // namespace qvic

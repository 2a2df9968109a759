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
class PasswordChangeDialog : public QDialog
{
    Q_OBJECT

public:
    PasswordChangeDialog(SharedState &state, OperatorDialogs &dialogs, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    void loadSavedPassword();
    void onOkClicked();
    void onCancelClicked();
    void refuseNewPassword(const QString &why);

    OperatorDialogs &m_dialogs;
    PasswordStore m_store;
    QString m_savedPassword;

    QLabel *m_currentPasswordLabel = nullptr;
    QLineEdit *m_currentPasswordBox = nullptr;
    QLabel *m_newPasswordLabel = nullptr;
    QLineEdit *m_passwordBox = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};

} // namespace qvic

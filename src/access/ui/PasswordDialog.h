#pragma once

#include "access/PasswordStore.h"

#include <QDialog>

class QBoxLayout;
class QCheckBox;
class QLineEdit;
class QPushButton;

namespace qvic {

class OperatorDialogs;
struct SharedState;

// "Enter a password": guards every start and stop. Construct one for each
// opening (it reads the password file afresh), clear state.passwordAccepted, call
// exec(), then go on only when state.passwordAccepted is true.
class PasswordDialog : public QDialog
{
    Q_OBJECT

public:
    PasswordDialog(SharedState &state, OperatorDialogs &dialogs, QWidget *parent = nullptr);

    // The password gate of every start and stop: opens the dialog afresh and
    // tells whether the operator got through.
    static bool ask(SharedState &state, OperatorDialogs &dialogs, QWidget *parent);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    void loadSavedPassword();
    void onOkClicked();
    void onCancelClicked();
    void onPasswordFocused();

    SharedState &m_state;
    OperatorDialogs &m_dialogs;
    PasswordStore m_store;
    QString m_savedPassword;

    QLineEdit *m_passwordBox = nullptr;
    QCheckBox *m_rememberBox = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};

// What the two password dialogs share: top-most and centred on the screen,
// OK at the left and Cancel at the right.
namespace passworddialog {
void placeOnTop(QDialog &dialog, int minimumWidth);
QPushButton *button(const char *objectName, const QString &caption);
QBoxLayout *buttonRow(QPushButton *ok, QPushButton *cancel);
} // namespace passworddialog

} // namespace qvic

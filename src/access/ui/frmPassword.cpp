#include "access/ui/frmPassword.h"

#include "state/SharedState.h"
#include "platform/OperatorDialogs.h"
#include "platform/ui/Controls.h"
#include "platform/ui/WindowPlacement.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qvic {

namespace passworddialog {

void placeOnTop(QDialog &dialog, int minimumWidth)
{
    // No minimise or maximise button; above every other window until answered.
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    dialog.setMinimumWidth(minimumWidth);
    dialog.adjustSize();
    dialog.setFixedSize(dialog.size());
    centreOnScreen(dialog);
}

QPushButton *button(const char *objectName, const QString &caption)
{
    QPushButton *button = controls::button(objectName, caption);
    button->setMinimumWidth(81);
    return button;
}
QBoxLayout *buttonRow(QPushButton *ok, QPushButton *cancel)
{
    auto *row = new QHBoxLayout;
    row->setContentsMargins(8, 0, 8, 0);
    row->addWidget(ok);
    row->addStretch(1);
    row->addWidget(cancel);
    return row;
}

} // namespace passworddialog

bool frmPassword::ask(SharedState &state, OperatorDialogs &dialogs, QWidget *parent)
{
    state.blnPasswordOK = false;
    {
        frmPassword dialog(state, dialogs, parent);
        dialog.exec();
    }
    return state.blnPasswordOK;
}

frmPassword::frmPassword(SharedState &state, OperatorDialogs &dialogs, QWidget *parent)
    : QDialog(parent), m_state(state), m_dialogs(dialogs), m_store(state.strPassFile)
{
    setObjectName(QStringLiteral("frmPassword"));
    setWindowTitle(QStringLiteral("Enter a password"));
    createControls();
    Form_Load();
}

void frmPassword::createControls()
{
    txtPassword = new QLineEdit;
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setAccessibleName(QStringLiteral("Password"));
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setMaxLength(100);
    txtPassword->installEventFilter(this);

    chkRemPassword = new QCheckBox(QStringLiteral("Remember the password"));
    chkRemPassword->setObjectName(QStringLiteral("chkRemPassword"));
    chkRemPassword->setAccessibleName(QStringLiteral("Remember the password"));

    btnOK = passworddialog::button("btnOK", QStringLiteral("&OK"));
    btnOK->setDefault(true);
    btnCancel = passworddialog::button("btnCancel", QStringLiteral("&Cancel"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(txtPassword);
    layout->addWidget(chkRemPassword);
    layout->addSpacing(4);
    layout->addLayout(passworddialog::buttonRow(btnOK, btnCancel));

    setTabOrder(txtPassword, chkRemPassword);
    setTabOrder(chkRemPassword, btnOK);
    setTabOrder(btnOK, btnCancel);

    connect(btnOK, &QPushButton::clicked, this, &frmPassword::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &frmPassword::btnCancel_Click);
}

void frmPassword::Form_Load()
{
    passworddialog::placeOnTop(*this, 251);

    const PasswordStore::Login login = m_store.loadLogin();
    chkRemPassword->setChecked(login.remember);
    strSavedPassword = login.savedPassword;
    if (login.remember)
        txtPassword->setText(strSavedPassword);
}

void frmPassword::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    centreOnScreen(*this);
    // The operator types at once: the focus starts in the password box, with a
    // remembered password selected so that typing replaces it.
    txtPassword->setFocus(Qt::TabFocusReason);
    txtPassword_GotFocus();
}

bool frmPassword::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtPassword && event->type() == QEvent::FocusIn)
        txtPassword_GotFocus();
    return QDialog::eventFilter(watched, event);
}

void frmPassword::txtPassword_GotFocus()
{
    txtPassword->selectAll();
}

void frmPassword::btnOK_Click()
{
    switch (PasswordStore::checkLogin(txtPassword->text(), strSavedPassword)) {
    case PasswordStore::LoginCheck::Empty:
        m_dialogs.information(QStringLiteral("Please enter a password before proceeding."));
        return;
    case PasswordStore::LoginCheck::Accepted:
        // A remember flag that cannot be written must not stop the operator.
        m_store.recordRemember(chkRemPassword->isChecked());
        m_state.blnPasswordOK = true;
        accept();
        return;
    case PasswordStore::LoginCheck::Refused:
        m_dialogs.exclamation(QStringLiteral("Incorrect password!"));
        m_state.blnPasswordOK = false;
        return;
    }
}

void frmPassword::btnCancel_Click()
{
    m_state.blnPasswordOK = false;
    reject();
}

} // namespace qvic

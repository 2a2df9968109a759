#include "access/ui/frmPasswordChange.h"

#include "access/ui/frmPassword.h"
#include "state/SharedState.h"
#include "platform/OperatorDialogs.h"
#include "platform/ui/WindowPlacement.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qvic {
namespace {

QLineEdit *passwordBox(const char *objectName, const QString &accessibleName)
{
    auto *box = new QLineEdit;
    box->setObjectName(QLatin1String(objectName));
    box->setAccessibleName(accessibleName);
    box->setEchoMode(QLineEdit::Password);
    return box;
}

QLabel *label(const char *objectName, const QString &text, QWidget *buddy)
{
    auto *label = new QLabel(text);
    label->setObjectName(QLatin1String(objectName));
    label->setBuddy(buddy);
    return label;
}

} // namespace

frmPasswordChange::frmPasswordChange(SharedState &state, OperatorDialogs &dialogs,
                                     QWidget *parent)
    : QDialog(parent), m_dialogs(dialogs), m_store(state.strPassFile)
{
    setObjectName(QStringLiteral("frmPasswordChange"));
    setWindowTitle(QStringLiteral("Change password"));
    createControls();
    Form_Load();
}

void frmPasswordChange::createControls()
{
    txtOldPassword = passwordBox("txtOldPassword", QStringLiteral("Current Password"));
    Label2 = label("Label2", QStringLiteral("Current Password:"), txtOldPassword);
    txtPassword = passwordBox("txtPassword", QStringLiteral("New Password"));
    Label1 = label("Label1", QStringLiteral("New Password:"), txtPassword);
    btnOK = passworddialog::button("btnOK", QStringLiteral("&OK"));
    btnOK->setDefault(true);
    btnCancel = passworddialog::button("btnCancel", QStringLiteral("&Cancel"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(4);
    layout->addWidget(Label2);
    layout->addWidget(txtOldPassword);
    layout->addSpacing(8);
    layout->addWidget(Label1);
    layout->addWidget(txtPassword);
    layout->addSpacing(12);
    layout->addLayout(passworddialog::buttonRow(btnOK, btnCancel));

    setTabOrder(txtOldPassword, txtPassword);
    setTabOrder(txtPassword, btnOK);
    setTabOrder(btnOK, btnCancel);

    connect(btnOK, &QPushButton::clicked, this, &frmPasswordChange::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &frmPasswordChange::btnCancel_Click);
}

void frmPasswordChange::Form_Load()
{
    passworddialog::placeOnTop(*this, 247);
    strSavedPassword = m_store.loadPassword();
    // The dialog opens all the same; without a stored password no change can pass.
    if (strSavedPassword.isEmpty())
        m_dialogs.exclamation(QStringLiteral(
            "Can't find the password ini file, please contact our technical support."));
}

void frmPasswordChange::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    centreOnScreen(*this);
}

void frmPasswordChange::btnOK_Click()
{
    const QString newPassword = txtPassword->text();
    const PasswordStore::ChangeCheck check = PasswordStore::checkChange(txtOldPassword->text(), newPassword, strSavedPassword);
    switch (check) {
    case PasswordStore::ChangeCheck::NoCurrent:
        m_dialogs.information(PasswordStore::refusalWords(check));
        txtOldPassword->setFocus();
        return;
    case PasswordStore::ChangeCheck::NoNew:
        m_dialogs.information(PasswordStore::refusalWords(check));
        txtPassword->setFocus();
        return;
    case PasswordStore::ChangeCheck::WrongCurrent:
        m_dialogs.exclamation(PasswordStore::refusalWords(check));
        txtOldPassword->selectAll();
        txtOldPassword->setFocus();
        return;
    case PasswordStore::ChangeCheck::TooLong:
    case PasswordStore::ChangeCheck::NotKeepable:
        refuseNewPassword(PasswordStore::refusalWords(check));
        return;
    case PasswordStore::ChangeCheck::Accepted:
        break;
    }
    // A write that failed must not be reported as a change: the old password still opens.
    QString error;
    if (!m_store.storePassword(newPassword, &error)) {
        m_dialogs.exclamation(
            QStringLiteral("The new password could not be saved; the old password stays in "
                           "force.\n%1")
                .arg(error));
        return;
    }
    m_dialogs.information(QStringLiteral("Successfully changed the password."));
    accept();
}

void frmPasswordChange::refuseNewPassword(const QString &why)
{
    m_dialogs.exclamation(why + QStringLiteral("\nThe old password stays in force."));
    txtPassword->selectAll();
    txtPassword->setFocus();
}

void frmPasswordChange::btnCancel_Click()
{
    reject();
}

} // namespace qvic

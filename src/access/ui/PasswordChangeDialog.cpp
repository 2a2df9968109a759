#include "access/ui/PasswordChangeDialog.h"

#include "access/ui/PasswordDialog.h"
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

PasswordChangeDialog::PasswordChangeDialog(SharedState &state, OperatorDialogs &dialogs,
                                     QWidget *parent)
    : QDialog(parent), m_dialogs(dialogs), m_store(state.passwordFile)
{
    setObjectName(QStringLiteral("PasswordChangeDialog"));
    setWindowTitle(QStringLiteral("Change password"));
    createControls();
    loadSavedPassword();
}

void PasswordChangeDialog::createControls()
{
    m_currentPasswordBox = passwordBox("currentPasswordBox", QStringLiteral("Current Password"));
    m_currentPasswordLabel = label("currentPasswordLabel", QStringLiteral("Current Password:"), m_currentPasswordBox);
    m_passwordBox = passwordBox("passwordBox", QStringLiteral("New Password"));
    m_newPasswordLabel = label("newPasswordLabel", QStringLiteral("New Password:"), m_passwordBox);
    m_okButton = passworddialog::button("okButton", QStringLiteral("&OK"));
    m_okButton->setDefault(true);
    m_cancelButton = passworddialog::button("cancelButton", QStringLiteral("&Cancel"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(4);
    layout->addWidget(m_currentPasswordLabel);
    layout->addWidget(m_currentPasswordBox);
    layout->addSpacing(8);
    layout->addWidget(m_newPasswordLabel);
    layout->addWidget(m_passwordBox);
    layout->addSpacing(12);
    layout->addLayout(passworddialog::buttonRow(m_okButton, m_cancelButton));

    setTabOrder(m_currentPasswordBox, m_passwordBox);
    setTabOrder(m_passwordBox, m_okButton);
    setTabOrder(m_okButton, m_cancelButton);

    connect(m_okButton, &QPushButton::clicked, this, &PasswordChangeDialog::onOkClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &PasswordChangeDialog::onCancelClicked);
}

void PasswordChangeDialog::loadSavedPassword()
{
    passworddialog::placeOnTop(*this, 247);
    m_savedPassword = m_store.loadPassword();
    // The dialog opens all the same; without a stored password no change can pass.
    if (m_savedPassword.isEmpty())
        m_dialogs.exclamation(QStringLiteral(
            "Can't find the password ini file, please contact our technical support."));
}

void PasswordChangeDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    centreOnScreen(*this);
}

void PasswordChangeDialog::onOkClicked()
{
    const QString newPassword = m_passwordBox->text();
    const PasswordStore::ChangeCheck check = PasswordStore::checkChange(m_currentPasswordBox->text(), newPassword, m_savedPassword);
    switch (check) {
    case PasswordStore::ChangeCheck::NoCurrent:
        m_dialogs.information(PasswordStore::refusalWords(check));
        m_currentPasswordBox->setFocus();
        return;
    case PasswordStore::ChangeCheck::NoNew:
        m_dialogs.information(PasswordStore::refusalWords(check));
        m_passwordBox->setFocus();
        return;
    case PasswordStore::ChangeCheck::WrongCurrent:
        m_dialogs.exclamation(PasswordStore::refusalWords(check));
        m_currentPasswordBox->selectAll();
        m_currentPasswordBox->setFocus();
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

void PasswordChangeDialog::refuseNewPassword(const QString &why)
{
    m_dialogs.exclamation(why + QStringLiteral("\nThe old password stays in force."));
    m_passwordBox->selectAll();
    m_passwordBox->setFocus();
}

void PasswordChangeDialog::onCancelClicked()
{
    reject();
}

} // namespace qvic

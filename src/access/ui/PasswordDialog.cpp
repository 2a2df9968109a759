#include "access/ui/PasswordDialog.h"

#include "state/SharedState.h"
#include "platform/AppFolders.h"
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

bool PasswordDialog::ask(SharedState &state, OperatorDialogs &dialogs, QWidget *parent)
{
    state.passwordAccepted = false;
    {
        PasswordDialog dialog(state, dialogs, parent);
        dialog.exec();
    }
    return state.passwordAccepted;
}

PasswordDialog::PasswordDialog(SharedState &state, OperatorDialogs &dialogs, QWidget *parent)
    : QDialog(parent), m_state(state), m_dialogs(dialogs), m_store(state.passwordFile)
{
    setObjectName(QStringLiteral("PasswordDialog"));
    setWindowTitle(QStringLiteral("Enter a password"));
    createControls();
    loadSavedPassword();
}

void PasswordDialog::createControls()
{
    m_passwordBox = new QLineEdit;
    m_passwordBox->setObjectName(QStringLiteral("passwordBox"));
    m_passwordBox->setAccessibleName(QStringLiteral("Password"));
    m_passwordBox->setEchoMode(QLineEdit::Password);
    m_passwordBox->setMaxLength(100);
    m_passwordBox->installEventFilter(this);

    m_rememberBox = new QCheckBox(QStringLiteral("Remember the password"));
    m_rememberBox->setObjectName(QStringLiteral("rememberBox"));
    m_rememberBox->setAccessibleName(QStringLiteral("Remember the password"));

    m_okButton = passworddialog::button("okButton", QStringLiteral("&OK"));
    m_okButton->setDefault(true);
    m_cancelButton = passworddialog::button("cancelButton", QStringLiteral("&Cancel"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(m_passwordBox);
    layout->addWidget(m_rememberBox);
    layout->addSpacing(4);
    layout->addLayout(passworddialog::buttonRow(m_okButton, m_cancelButton));

    setTabOrder(m_passwordBox, m_rememberBox);
    setTabOrder(m_rememberBox, m_okButton);
    setTabOrder(m_okButton, m_cancelButton);

    connect(m_okButton, &QPushButton::clicked, this, &PasswordDialog::onOkClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &PasswordDialog::onCancelClicked);
}

void PasswordDialog::loadSavedPassword()
{
    passworddialog::placeOnTop(*this, 251);

    const PasswordStore::Login login = m_store.loadLogin();
    m_rememberBox->setChecked(login.remember);
    m_savedPassword = login.savedPassword;
    if (login.remember)
        m_passwordBox->setText(m_savedPassword);
}

void PasswordDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    centreOnScreen(*this);
    // The operator types at once: the focus starts in the password box, with a
    // remembered password selected so that typing replaces it.
    m_passwordBox->setFocus(Qt::TabFocusReason);
    onPasswordFocused();
}

bool PasswordDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_passwordBox && event->type() == QEvent::FocusIn)
        onPasswordFocused();
    return QDialog::eventFilter(watched, event);
}

void PasswordDialog::onPasswordFocused()
{
    m_passwordBox->selectAll();
}

void PasswordDialog::onOkClicked()
{
    const bool builtInAllowed = PasswordStore::builtInPasswordAllowed(siteSettingsFile());
    switch (PasswordStore::checkLogin(m_passwordBox->text(), m_savedPassword, builtInAllowed)) {
    case PasswordStore::LoginCheck::Empty:
        m_dialogs.information(QStringLiteral("Please enter a password before proceeding."));
        return;
    case PasswordStore::LoginCheck::Accepted:
        // A remember flag that cannot be written must not stop the operator.
        m_store.recordRemember(m_rememberBox->isChecked());
        m_state.passwordAccepted = true;
        accept();
        return;
    case PasswordStore::LoginCheck::Refused:
        m_dialogs.exclamation(QStringLiteral("Incorrect password!"));
        m_state.passwordAccepted = false;
        return;
    }
}

void PasswordDialog::onCancelClicked()
{
    m_state.passwordAccepted = false;
    reject();
}

} // namespace qvic

#include "access/PasswordStore.h"

#include "platform/ProfileString.h"
#include "platform/Win1252.h"

#include <utility>

namespace qvic {
namespace {

const QString kSection = QStringLiteral("PASSWORD");
const QString kPassKey = QStringLiteral("pass");
const QString kRememberKey = QStringLiteral("remember");

// Older installations read the password into an 80-character buffer: a longer
// stored password counts as its first 79 characters, so the same one opens both.
constexpr int kReadBuffer = PasswordStore::kMaxLength + 1;

const QString kBuiltInPassword = QStringLiteral("rb3tessorn");

} // namespace

PasswordStore::PasswordStore(QString passFile) : m_passFile(std::move(passFile)) {}

QString PasswordStore::read(const QString &key) const
{
    return profile::getString(m_passFile, kSection, key, kReadBuffer);
}

bool PasswordStore::write(const QString &key, const QString &value, QString *error) const
{
    // The file holds a password in plain text: owner only, also when it is rewritten.
    return profile::writeString(m_passFile, kSection, key, value, error,
                                textfile::Access::Private);
}

PasswordStore::Login PasswordStore::loadLogin() const
{
    Login login;
    const QString remember = read(kRememberKey);
    if (remember.isEmpty())
        return login; // never remembered: the stored password is not even read
    login.remember = remember == u"1";
    login.savedPassword = read(kPassKey);
    return login;
}

QString PasswordStore::loadPassword() const
{
    return read(kPassKey);
}

bool PasswordStore::recordRemember(bool remember, QString *error) const
{
    return write(kRememberKey, remember ? QStringLiteral("1") : QStringLiteral("0"), error);
}

bool PasswordStore::storePassword(const QString &newPassword, QString *error) const
{
    return write(kPassKey, newPassword, error);
}

bool PasswordStore::builtInPasswordAllowed(const QString &siteSettingsFile)
{
    return profile::getString(siteSettingsFile, QStringLiteral("PASSWORD"), QStringLiteral("builtin"), 16)
           != QLatin1String("0");
}

PasswordStore::LoginCheck PasswordStore::checkLogin(const QString &typed, const QString &savedPassword,
                                                    bool builtInAllowed)
{
    if (typed.isEmpty())
        return LoginCheck::Empty;
    // An empty saved password never matches: the empty text was refused above.
    if (typed == savedPassword || (builtInAllowed && typed == kBuiltInPassword))
        return LoginCheck::Accepted;
    return LoginCheck::Refused;
}

PasswordStore::ChangeCheck PasswordStore::checkChange(const QString &current,
                                                      const QString &newPassword,
                                                      const QString &savedPassword)
{
    if (current.isEmpty())
        return ChangeCheck::NoCurrent;
    if (newPassword.isEmpty())
        return ChangeCheck::NoNew;
    if (current != savedPassword)
        return ChangeCheck::WrongCurrent;
    return checkFirst(newPassword);
}

PasswordStore::ChangeCheck PasswordStore::checkFirst(const QString &newPassword)
{
    if (newPassword.isEmpty())
        return ChangeCheck::NoNew;
    if (newPassword.size() > kMaxLength)
        return ChangeCheck::TooLong;
    const bool quoted = newPassword.size() >= 2
                        && (newPassword.front() == u'"' || newPassword.front() == u'\'')
                        && newPassword.back() == newPassword.front();
    if (!win1252::canEncode(newPassword) || newPassword.trimmed() != newPassword || quoted)
        return ChangeCheck::NotKeepable;
    return ChangeCheck::Accepted;
}

QString PasswordStore::refusalWords(ChangeCheck check)
{
    switch (check) {
    case ChangeCheck::NoCurrent:
        return QStringLiteral("Please enter the current password.");
    case ChangeCheck::NoNew:
        return QStringLiteral("Please enter a new password.");
    case ChangeCheck::WrongCurrent:
        return QStringLiteral("Invalid current password, please try again.");
    case ChangeCheck::TooLong:
        return QStringLiteral("The new password is too long: a password can have at most %1 characters.").arg(kMaxLength);
    case ChangeCheck::NotKeepable:
        return QStringLiteral("The new password cannot be kept as typed: use only Western European (Windows-1252) "
                              "letters, digits and signs, with no space at its start or end and no quotes around it.");
    case ChangeCheck::Accepted:
        break;
    }
    return {};
}

} // namespace qvic

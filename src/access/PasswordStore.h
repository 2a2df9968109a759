#pragma once

#include <QString>

namespace qvic {

// The password file icpass.ini (section PASSWORD, keys "pass" and "remember"),
// as the password dialog and the password change dialog use it. Values are
// plain text, as other tools and existing installations read them.
class PasswordStore
{
public:
    // What the password dialog finds when it opens.
    struct Login
    {
        bool remember = false;  // "remember" is exactly "1"
        QString savedPassword;  // "pass", read only when "remember" held something
    };

    enum class LoginCheck { Empty, Accepted, Refused };
    // The change rules, in the order they are checked; the first that fails decides.
    // A new password the file cannot give back exactly as typed (too long for the
    // read, a character outside Windows-1252, spaces or quotes the read strips) is
    // refused: accepting it would lock the operator out.
    enum class ChangeCheck { NoCurrent, NoNew, WrongCurrent, TooLong, NotKeepable, Accepted };
    static constexpr int kMaxLength = 79;

    explicit PasswordStore(QString passFile);

    Login loadLogin() const;
    // "pass", or empty when the file, section or key is missing or the value is empty.
    QString loadPassword() const;

    // Writes "remember" = "1" or "0". The file is created when missing.
    bool recordRemember(bool remember, QString *error = nullptr) const;
    // Writes "pass" exactly as given; every other line of the file stays.
    bool storePassword(const QString &newPassword, QString *error = nullptr) const;

    // Exact, case-sensitive and untrimmed: equal to the saved password or, where
    // the site allows it, the built-in one.
    static LoginCheck checkLogin(const QString &typed, const QString &savedPassword, bool builtInAllowed = true);
    // Whether the site's settings file leaves the built-in password on: off only
    // with "builtin" exactly "0" in section PASSWORD; no file, no key or any other
    // value keeps it on.
    static bool builtInPasswordAllowed(const QString &siteSettingsFile);
    // The built-in password is not accepted here: only the saved one opens a change.
    static ChangeCheck checkChange(const QString &current, const QString &newPassword,
                                   const QString &savedPassword);
    // The first password, where none is saved yet: the rules of a change but the current password.
    static ChangeCheck checkFirst(const QString &newPassword);
    // Why a change is refused, in the password change window's words.
    static QString refusalWords(ChangeCheck check);

private:
    QString read(const QString &key) const;
    bool write(const QString &key, const QString &value, QString *error) const;

    QString m_passFile;
};

} // namespace qvic

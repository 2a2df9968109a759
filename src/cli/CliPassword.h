#pragma once

#include <QString>

#include <optional>

namespace qvic::cli {

// Passwords from where the operator gives them, one after another: the lines
// of passwordFile ("-" for standard input) when given; else asked on the
// terminal without echo, after a prompt, when standard input is one; else the
// lines of standard input. The line end is not part of a password, and nothing
// else is trimmed: the password dialog takes the typed text as it is.
class PasswordReader
{
public:
    explicit PasswordReader(std::optional<QString> passwordFile);
    ~PasswordReader();
    PasswordReader(const PasswordReader &) = delete;
    PasswordReader &operator=(const PasswordReader &) = delete;

    // The next password; nothing, with the reason in *error, when it cannot be read.
    std::optional<QString> next(const char *prompt, QString *error);

private:
    std::optional<QString> m_passwordFile;
    int m_file = -1;
};

// The password of a send: the first from a PasswordReader.
std::optional<QString> readPassword(const std::optional<QString> &passwordFile, QString *error);

// Whether the password opens a send, checked as the password dialog checks
// it against the password file passFile. The dialog's remember flag is left
// alone: the command line has no box to tick. Nothing when it is accepted,
// else why not.
std::optional<QString> refusePassword(const QString &password, const QString &passFile);

} // namespace qvic::cli

#pragma once

#include <QString>

#include <optional>

namespace qvic::cli {

// The password of a send, from where the operator gave it: the first line of
// passwordFile ("-" for standard input) when given; else asked on the terminal
// without echo when standard input is one; else the first line of standard
// input. The line end is not part of it, and nothing else is trimmed: the
// password dialog takes the typed text as it is. Nothing, with the reason in
// *error, when it cannot be read.
std::optional<QString> readPassword(const std::optional<QString> &passwordFile, QString *error);

// Whether the password opens a send, checked as the password dialog checks
// it against the password file passFile. The dialog's remember flag is left
// alone: the command line has no box to tick. Nothing when it is accepted,
// else why not.
std::optional<QString> refusePassword(const QString &password, const QString &passFile);

} // namespace qvic::cli

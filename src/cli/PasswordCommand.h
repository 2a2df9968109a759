#pragma once

#include <QString>

namespace qvic::cli {

class PasswordReader;

// How `qv-instant-crawl password` ended.
struct PasswordOutcome
{
    bool done = false;
    bool first = false; // no password was saved before
    QString problem;    // why nothing changed
};

// Sets the first password in passFile, or changes the saved one, with the rules
// and words of the password change window: the current password (asked only
// when one is saved), the new one, and the new one again. The file is replaced
// whole, readable by its owner only; a first password also gets "remember" off.
PasswordOutcome setPassword(const QString &passFile, PasswordReader &reader);

} // namespace qvic::cli

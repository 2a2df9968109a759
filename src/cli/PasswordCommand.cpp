#include "cli/PasswordCommand.h"

#include "access/PasswordStore.h"
#include "cli/CliPassword.h"

#include <QScopeGuard>

#include <optional>

namespace qvic::cli {

PasswordOutcome setPassword(const QString &passFile, PasswordReader &reader)
{
    const PasswordStore store(passFile);
    PasswordOutcome outcome;
    QString saved = store.loadPassword();
    outcome.first = saved.isEmpty();
    std::optional<QString> current, typed, again;
    // What was typed leaves memory with the command.
    const auto cleared = qScopeGuard([&] {
        for (std::optional<QString> *text : {&current, &typed, &again})
            if (*text)
                (*text)->fill(QChar(0));
        saved.fill(QChar(0));
    });
    QString error;
    if ((!outcome.first && !(current = reader.next("Current password: ", &error)))
        || !(typed = reader.next("New password: ", &error)) || !(again = reader.next("New password again: ", &error))) {
        outcome.problem = error;
        return outcome;
    }
    const auto check = outcome.first ? PasswordStore::checkFirst(*typed)
                                     : PasswordStore::checkChange(*current, *typed, saved);
    const QString unchanged = outcome.first ? QStringLiteral("No password was set.")
                                            : QStringLiteral("The old password stays in force.");
    if (check != PasswordStore::ChangeCheck::Accepted) {
        outcome.problem = PasswordStore::refusalWords(check) + u' ' + unchanged;
        return outcome;
    }
    if (*again != *typed) {
        outcome.problem = QStringLiteral("The new password was typed differently the second time. ") + unchanged;
        return outcome;
    }
    if (!store.storePassword(*typed, &error) || (outcome.first && !store.recordRemember(false, &error))) {
        outcome.problem = QStringLiteral("The new password could not be saved: %1 %2").arg(error, unchanged);
        return outcome;
    }
    outcome.done = true;
    return outcome;
}

} // namespace qvic::cli

#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

// What every subcommand prints: its answer on standard output, problems on
// standard error as "qv-instant-crawl: ...", and with --json every outcome as
// one JSON object on standard output, a refusal too.
namespace qvic::cli {

// Writes and flushes text in the locale's encoding; false when it did not all go out.
bool print(FILE *stream, const QString &text);

// Whether refusals are also told as JSON ({"error": ..., "exitStatus": ...}).
void setJsonOutput(bool json);

// Tells why the command stops and gives the exit status.
int refuse(const QString &problem, int status = 1, const QString &hint = {});

void warn(const QStringList &warnings);

// Prints what the operator asked for: 0, or a refusal when it never reached
// them (a full disk, a closed pipe).
int answer(const QString &text);

} // namespace qvic::cli

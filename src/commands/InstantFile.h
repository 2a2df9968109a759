#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

namespace qvic {

struct SharedState;

// Where the command builders take the time of their stamp from; tests pass a
// fixed one. The stamp shows the sending computer's local time.
using Clock = std::function<QDateTime()>;
QDateTime systemClock();

inline const QString kStartInstantCrawl = QStringLiteral("@START_INSTANT_CRAWL");
inline const QString kStopInstantCrawl = QStringLiteral("@STOP_INSTANT_CRAWL");

// Line 1 of every command file: "Time=MM/DD/YYYY hh:mm:ss AM" (or PM), a
// 12-hour clock in local time, "/" and ":" whatever the system's conventions.
QString timeStampLine(const QDateTime &when);

// Whether a document name can travel in the start command: the command carries
// it between commas, the player reads it in Windows-1252, and a backslash would
// put it in a folder of the player's. Any of these would start the wrong crawl.
bool documentNameFitsCommand(const QString &name);

// Writes the player's command file state.instantFile (Windows-1252, CR LF,
// replaced atomically): the time stamp, then "Message=" and the message. For
// exactly "@START_INSTANT_CRAWL" the message gains the crawl's seven
// parameters: state.currentFileName and the six fields of the settings file
// beside state.currentFilePath, the background colour as hexadecimal digits.
// False, with the reason in *error, when the settings file is missing or
// unreadable, holds fewer than six fields or a colour that is no 32-bit whole
// number, or when the command file cannot be written; the previous command
// file then stays whole.
bool createInstantFile(const QString &message, const SharedState &state,
                       const Clock &clock = systemClock, QString *error = nullptr);

} // namespace qvic

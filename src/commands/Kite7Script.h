#pragma once

#include "commands/InstantFile.h"

#include <QString>

namespace qvic {

struct SharedState;

// The crawl text as the Kite-7 script carries it: the characters that shape
// the script or the event command around it (< > ` @ ; , and ") are dropped,
// and every CR becomes the device's line-break byte 0x14 (so CR LF gives 0x14 LF).
QString kite7Text(const QString &message);

// The device scripts: eight blocks, 0 to 7, of "<payload>" groups joined by
// the spacer `0.1`. The start script crawls state.kite7Message with the
// position, speed and repetition of the state; the stop script stops the crawl.
QString kite7StartScript(const SharedState &state);
QString kite7StopScript();

// Write state.instantFile (Windows-1252, CR LF, replaced atomically) with
// the time stamp and the event command that hands the script to the player's
// serial port state.kite7ComPort. False, with the reason in *error, when
// the file cannot be written; the previous file then stays whole.
bool createKite7Msg(const SharedState &state, const Clock &clock = systemClock,
                    QString *error = nullptr);
bool createKite7StopCrawlMsg(const SharedState &state, const Clock &clock = systemClock,
                             QString *error = nullptr);

} // namespace qvic

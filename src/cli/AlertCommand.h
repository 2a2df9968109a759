#pragma once

namespace qvic::cli {

struct Options;

// qv-instant-crawl alert SOURCE: reads the CAP document of options.source,
// decides each of its alerts in document order (see planAlert) and starts or
// stops their crawls through the one send engine, every send logged with its
// alert. Everything given is checked before the password is asked for; a
// document, looks file or areas file that is refused sends nothing (exit 1).
// Otherwise 0, or 2 when a player failed; 128 plus a signal's number when one
// cancelled a send (the alerts after it are left).
int runAlert(const Options &options, int argc, char *argv[]);

} // namespace qvic::cli

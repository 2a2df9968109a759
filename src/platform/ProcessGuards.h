#pragma once

namespace qvic {

// The program holds the operator's password in memory while it asks for it,
// checks it and sends: no core dump of the process is ever written, so none can
// carry it off (whatever the shell's `ulimit -c` says).
void keepSecretsOutOfCoreDumps();

// A write past the file-size limit (RLIMIT_FSIZE) fails with its error instead
// of ending the program by SIGXFSZ, so a send still reports, logs and cleans up.
void reportOversizeWritesAsErrors();

} // namespace qvic

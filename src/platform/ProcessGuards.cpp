#include "platform/ProcessGuards.h"

#include <csignal>

#include <sys/prctl.h>
#include <sys/resource.h>

namespace qvic {

void keepSecretsOutOfCoreDumps()
{
    // Not dumpable: no core, and other processes of the user cannot attach to read it.
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    const rlimit none{0, 0};
    ::setrlimit(RLIMIT_CORE, &none);
}

void reportOversizeWritesAsErrors()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace qvic

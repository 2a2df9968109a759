#pragma once

#include "cli/CliOptions.h"

#include <QString>

namespace qvic::cli {

// What 'qv-instant-crawl COMMAND --help' prints: the command's usage, its
// options, its output and its exit status.
QString helpText(Command command);

} // namespace qvic::cli

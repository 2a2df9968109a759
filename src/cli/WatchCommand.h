#pragma once

namespace qvic::cli {

struct Options;

// qv-instant-crawl watch URL: polls the feed every options.interval seconds and
// acts on its alerts as the alert command does (see FeedWatch), until SIGTERM,
// SIGINT or SIGHUP, which cancel a send under way and end it with the state
// saved (exit 0). Everything given and the password are checked before the
// first poll: a refusal exits 1. A failed poll never ends it.
int runWatch(const Options &options, int argc, char *argv[]);

} // namespace qvic::cli

// The signals that stop a station program, taken in one place instead of where they land.
#pragma once

#include <signal.h>

namespace vesk {

// Blocks SIGINT, SIGTERM and SIGHUP (the session that started the program ended) on the calling
// thread, and so on every thread it starts afterwards: the program then takes them where it
// chooses, by sigwait or a signalfd on the returned set, and ends the station in order. Call it
// before the station starts any thread.
sigset_t stop_signals_block();

}  // namespace vesk

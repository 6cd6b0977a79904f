#include "platform/stop_signals.h"

#include <pthread.h>

namespace vesk {

sigset_t stop_signals_block() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  return set;
}

}  // namespace vesk

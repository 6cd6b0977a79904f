// The link states' names and their trace line.
#include "ale/link/link_state.h"

#include <iterator>

#include "db/log.h"
#include "db/options.h"

namespace vesk {

namespace {

constexpr const char* kLinkStateNames[] = {
    "NULL STATE",
    "SCANNING STOPPED",
    "SCANNING",
    "PAUSE SCAN TO LISTEN FOR CALL",
    "PAUSE SCAN TO LISTEN FOR CALL AFTER WORD SYNC",
    "LISTEN FOR ACTIVITY BEFORE CALL",
    "IND WAIT COMPLETION OF RESPONSE",
    "IND WAIT COMPLETION OF CALL",
    "IND WAIT COMPLETION OF ACKNOWLEDGEMENT",
    "IND WAIT ACKNOWLEDGEMENT",
    "IND WAIT RESPONSE",
    "LINKED IDLE",
    "IND LINKED WAIT COMPLETION OF INITIAL FRAME",
    "IND LINKED WAIT COMPLETION OF ACKNOWLEDGEMENT",
    "IND LINKED WAIT COMPLETION OF RESPONSE",
    "IND LINKED WAIT ACKNOWLEDGEMENT",
    "IND LINKED WAIT RESPONSE",
    "LINKED BRINGING DOWN LINK",
    "NET WAIT COMPLETION OF RESPONSE",
    "NET WAIT COMPLETION OF CALL",
    "NET WAIT COMPLETION OF ACKNOWLEDGEMENT",
    "NET WAIT ACKNOWLEDGEMENT",
    "NET WAIT RESPONSE",
    "NET LINKED WAIT COMPLETION OF INITIAL FRAME",
    "NET LINKED WAIT COMPLETION OF ACKNOWLEDGEMENT",
    "NET LINKED WAIT COMPLETION OF RESPONSE",
    "NET LINKED WAIT ACKNOWLEDGEMENT",
    "NET LINKED WAIT RESPONSE",
    "LISTEN BEFORE THIS WAS SOUND",
    "LISTEN BEFORE THIS IS SOUND",
    "THIS WAS SOUND IN PROGRESS",
    "THIS IS SOUND IN PROGRESS",
};
static_assert(std::size(kLinkStateNames) == 32);

}  // namespace

const char* ale_link_state_name(int state) {
  if (state < 0 || state >= static_cast<int>(std::size(kLinkStateNames))) return "UNKNOWN STATE";
  return kLinkStateNames[state];
}

void ale_trace_state() {
  if (!db_get_trace_states()) return;
  log_printf("State = %s\n", ale_link_state_name(ale_link_state()));
}

}  // namespace vesk

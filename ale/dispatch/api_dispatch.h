// The API events' dispatcher: runs each request and timer expiry that the engine's worker takes
// from the API queue (ale/engine/api_event.h) by the module that owns it. It sits above every
// other ale/ folder, as it calls the link, the message queues and the transfers.
#pragma once

#include "ale/engine/api_event.h"

namespace vesk {

// Runs one event by its kind and frees it, whatever the kind.
void api_dispatch(ApiEvent* event);
// Routes one timer expiry by its event number.
void api_dispatch_timer(int event_number);

// Where api_dispatch_timer sends each timer number.
enum class TimerRoute {
  Nothing,
  LinkStateMachine,
  VoiceId,
  RadioPort,
  LqaAgeing,
  RadioKeepAlive,
  TunerPort,
  AntennaSwitchPort,
  TncPort,
  RemoteCommandReply,
  SgcSetupStep,
  AmdRetry,
  KeyTransmitter,
  DelayedFrequencyLoad,
  MemoriesPrompt,
  EmulationPort,
  FileTransferReport,
  Unknown,
};
TimerRoute api_timer_route(int event_number);

}  // namespace vesk

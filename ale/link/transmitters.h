// The call transmitters: each writes one kind of frame (sounding, scanning call, response,
// acknowledgement, the frames inside a link, the clear) from the frame addresses and the queued
// sections (ale/frames/frame_sections.h), in the signalling the station uses. The link state
// machine runs them at key-down.
//
// The lead-in of a call made while scanning is the tuner's tune sound ("atu_tune.wav") when
// the tone-tune option is on, else the lead-in tune blocks. The frame's words are kept back
// during the sound and queued once its last block has gone to the feed, so sound and frame
// go out as one transmission.
#pragma once

namespace vesk {

void ale_tx_twas_sounding();
void ale_tx_tis_sounding();
void ale_tx_call_scanning();
void ale_tx_call_sclc();
void ale_tx_response();
void ale_tx_ack();
void ale_tx_linked_call();
void ale_tx_linked_response();
void ale_tx_linked_ack();
void ale_tx_clear();

}  // namespace vesk

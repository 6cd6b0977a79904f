// The serial output family: one set of operations per port that sends bytes.
//
// radio CAT      radio_send   radio_send_now   radio_slot_next   radio_send_ack/nak   1015, 50 ms
// emulation      emul_send    emul_send_now    emul_slot_next    emul_send_ack        1088, 50 ms
// tuner          atu_send     atu_send_now     atu_slot_next     (timer only)         1042, 50 ms
// antenna switch ant_send     ant_send_now     ant_slot_next     (timer only)         1044, 50 ms
// TNC            tnc_send     tnc_send_now     tnc_slot_next     (timer only)         1046, 500 ms
//
// The send operations return 0, or -1 when the message was refused (see radio/serial_queue.h);
// callers that do not care may ignore it.
#pragma once

#include <cstdint>
#include <functional>

namespace vesk {

// Creation at engine start (each empties its queue and ring).
void emul_queue_init();
void atu_queue_init();
void ant_queue_init();
void tnc_queue_init();
// Stops the radio pacing timer, empties the radio queue and ring, runs the radio set-up,
// clears `radio_linked_flag` and records the current channel's transmit frequency.
void radio_port_init();

uint8_t* radio_slot_next();
int radio_send(const uint8_t* bytes, int count);
int radio_send_now(const uint8_t* bytes, int count);
void radio_send_ack();
// A negative answer: the same as an acknowledgement (the rejected command is not repeated).
void radio_send_nak();
void radio_send_next();
void radio_queue_timer(int timer_id);
// A pause of a command sequence: the calling thread sleeps `ms`, and the radio queue keeps the
// pause after the command handed over last, so the radio sees it too when the queue is behind.
void radio_pause_ms(int ms);

uint8_t* emul_slot_next();
int emul_send(const uint8_t* bytes, int count);
int emul_send_now(const uint8_t* bytes, int count);
void emul_send_ack();
void emul_send_next();
void emul_queue_timer(int timer_id);

uint8_t* atu_slot_next();
int atu_send(const uint8_t* bytes, int count);
int atu_send_now(const uint8_t* bytes, int count);
void atu_send_next();
void atu_queue_timer(int timer_id);

uint8_t* ant_slot_next();
int ant_send(const uint8_t* bytes, int count);
int ant_send_now(const uint8_t* bytes, int count);
void ant_send_next();
void ant_queue_timer(int timer_id);

uint8_t* tnc_slot_next();
int tnc_send(const uint8_t* bytes, int count);
int tnc_send_now(const uint8_t* bytes, int count);
void tnc_send_next();
void tnc_queue_timer(int timer_id);

// Port writes: the message of one slot of the port's ring (the slot's address, its length
// byte first), written when the port is open.
void radio_port_write(const uint8_t* slot);
void emul_port_write(const uint8_t* slot);
void atu_port_write(const uint8_t* slot);
void ant_port_write(const uint8_t* slot);
void tnc_port_write(const uint8_t* slot);

// 1 while the transmitter is keyed, else 0.
int ptt_is_active();

}  // namespace vesk

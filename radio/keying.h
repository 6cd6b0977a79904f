// Transmitter keying and the antenna tuner's tune before a transmission.
//
// Keying is a CAT command of the radio's own set (radio/drivers/driver_steps.h), or the RTS
// and/or DTR line of a serial port (`ptt_lines_on`), or both. `ptt_off` runs on the audio
// thread at the end of every ALE transmission: it only queues the unkey and changes lines,
// both of which return at once whatever the radio or its port does.
//
// The tuner helpers drive the AT200PC (bytes framed by RTS pulses on the tuner port) and the
// line-driven tuners (DTR and RTS pulses); channel setting and muting use them too.
#pragma once

#include <cstdint>

namespace vesk {

class SerialPort;

// 1 when the transmitter was keyed; 0 when the channel is receive-only or the radio port is
// closed (the latter logged).
int ptt_on();
int ptt_off();
int ptt_on_manual();
int ptt_off_manual();
void ptt_toggle();
void ptt_lines_on();
void ptt_lines_off();
void atu_tune_before_tx();
void radio_prepare_tx_freq();

// The operator's individual-call dialog sets it; a sounding clears it.
void radio_set_operator_call_flag(int on);
int radio_operator_call_flag();

// The port whose lines key and mute: the radio port when the alternate PTT port number
// equals the re-opened radio port number, else the PTT-line port.
SerialPort& radio_line_port();

// Tuner helpers.
// One AT200PC message: RTS up, wait, RTS down, wait, the bytes on the tuner port, wait.
void atu_at200pc_message(const uint8_t* bytes, int count, int rts_ms, int gap_ms, int after_ms);
// Bypass: ";" then ",", with short (10, 10, 20 ms) or long (50, 50, 100 ms) pulses.
void atu_at200pc_bypass(bool long_pulses);
// Tune: "-", ":", then "C" and the 16-bit value 20,480,000,000 / rx_hz. `after_first_ms` is
// the wait after "-". A frequency of 0, or one so low that the value does not fit 16 bits,
// sends nothing and writes a line.
void atu_at200pc_tune(int rx_hz, int after_first_ms);
// The AT200PC tune value of a frequency; -1 when there is none (0 Hz, or too low).
int atu_at200pc_value(int rx_hz);
// DTR (RTS) on the tuner port for the pulse length option, off, then 100 ms.
void atu_dtr_pulse();
void atu_rts_pulse();

}  // namespace vesk

namespace vesk {

// The radio's own tuner commands (tuner type RADIO CAT); 1 when a command went out. The scan
// stop (`at_scan_stop`) switches only the radios whose row says so.
int radio_cat_tuner_on(bool at_scan_stop = false);
int radio_cat_tuner_off(bool at_scan_stop = false);
int radio_cat_tuner_start();
// The operator's tuner stop: what the radio's row names (bypass, off, or nothing).
int radio_cat_tuner_stop();
// True for the Kenwood models that take the tuner, attenuator and muting commands.
bool kenwood_model_full_featured();

// The transmit frequency last tuned: the channel a channel setting put on the radio, or the
// one a transmit preparation set. The keying lines' stamp while scanning, where a call's
// frequency comes with its channel and no transmit preparation runs.
int radio_tuned_tx_freq();
void radio_set_tuned_tx_freq(int hz);

}  // namespace vesk

// The operations of each driver family: how radio control commands a radio of the family.
// Radio control decides from the radio's row (radio/drivers/radio_types.h) whether an
// operation applies, then calls the family's; an operation a family lacks is null and is
// skipped. Each takes the configured radio type's row; the builders read the configured type
// for the bus address.
#pragma once

#include <cstdint>
#include <string>

#include "db/database.h"
#include "radio/drivers/radio_types.h"
#include "radio/reply_dispatch.h"
#include "radio/setup_table.h"

namespace vesk {

// What a request for an antenna port came to.
enum class AntennaResult : uint8_t {
  Selected,    // the port was selected
  NoSuchPort,  // the radio has no such port (nothing sent)
  NotNow,      // the identified model takes no antenna command (nothing sent)
};

// Off switches the tuner off where the family has such a command; elsewhere it bypasses it.
enum class TunerStep : uint8_t { On, Bypass, Start, Off };

struct FamilyOps {
  bool built = false;  // the family's driver exists (else its radio port stays closed)

  // The basic driver steps.
  void (*set_freq)(const RadioTypeRow& row, uint32_t hz) = nullptr;
  void (*set_mode)(const RadioTypeRow& row, int mode) = nullptr;
  void (*ptt_on)(const RadioTypeRow& row, int tx_mode) = nullptr;
  void (*ptt_off)(const RadioTypeRow& row) = nullptr;
  // A family's own keying sequence, in place of the command keying and whatever the keying
  // lines (`manual`: the operator's keying). False when the type has none: it is keyed by
  // `ptt_on` and `ptt_off` as any other.
  bool (*keying)(const RadioTypeRow& row, bool on, bool manual) = nullptr;

  // Channel setting, tuning and split.
  void (*channel_freq_mode)(const RadioTypeRow& row, const ChannelRecord& ch) = nullptr;
  void (*tune_channel)(const RadioTypeRow& row, const ChannelRecord& ch) = nullptr;  // manual tuning
  void (*set_freq_mode)(const RadioTypeRow& row, const ChannelRecord& ch) = nullptr;
  void (*split_freq_mode)(const RadioTypeRow& row, const ChannelRecord& working) = nullptr;
  // The transmit frequency and mode before a transmission; `changed`: another frequency than
  // the last one.
  void (*prepare_tx)(const RadioTypeRow& row, int tx_hz, int tx_mode, bool changed) = nullptr;
  void (*scan_split)(const RadioTypeRow& row, bool on) = nullptr;

  // Receiver, antenna and tuner. The tuner step returns 1 when a command went out.
  void (*attenuator)(const RadioTypeRow& row, bool on) = nullptr;
  void (*set_af_gain)(const RadioTypeRow& row, int level) = nullptr;
  void (*mute_af_gain)(const RadioTypeRow& row, int level) = nullptr;
  // Receiver muting on or off at `level`, for a radio with a muting of its own (in place of
  // mute_af_gain).
  void (*mute)(const RadioTypeRow& row, bool on, int level) = nullptr;
  // The link hooks' muting (link made: unmuted; link ended: muted), for a radio whose link
  // steps differ from its muting.
  void (*link_mute)(const RadioTypeRow& row, bool linked) = nullptr;
  AntennaResult (*select_antenna)(const RadioTypeRow& row, int port) = nullptr;
  int (*tuner)(const RadioTypeRow& row, TunerStep step) = nullptr;

  // Set-up: the lines before the port opens, and the commands after its steps.
  void (*setup_before_port)(const RadioSetupRow& setup) = nullptr;
  // The radio port's settings when the family gives them: 1 with `settings` filled, 0 to open
  // the port without new settings, -1 to leave it closed.
  int (*port_settings)(std::string& settings) = nullptr;
  // The model's own start step among the port steps (SetupStart::Driver).
  void (*setup_start)(const RadioTypeRow& row) = nullptr;
  void (*setup_commands)(const RadioTypeRow& row, const RadioSetupRow& setup) = nullptr;
  // A channel added to or replaced in the station's table (radios that keep it in a memory).
  void (*store_channel)(const RadioTypeRow& row, const ChannelRecord& channel) = nullptr;
  // The engine's refresh after a channel change or a return to listening.
  void (*refresh)(const RadioTypeRow& row) = nullptr;
  // The keep-alive poll (timer 1028): sends it and returns the period until the next, 0 for none.
  int (*keepalive)(const RadioTypeRow& row) = nullptr;
  // The radio's own step at the station's shut-down (the plug-in's command 9, the generic
  // file's STOP sequence), for the shut-down to call.
  void (*shutdown)(const RadioTypeRow& row) = nullptr;

  // Replies and the model timers 1025 to 1027.
  RadioReplyParser on_reply = nullptr;
  RadioTimerStep on_timer = nullptr;

  // Frequency commands beside set_freq, for the retune for TNC data (radio/tnc_retune.h): the
  // transmit frequency of radios that take receive and transmit frequencies apart, the VFO B
  // frequency, and a frequency through the model's channel-select command.
  void (*set_tx_freq)(const RadioTypeRow& row, uint32_t hz) = nullptr;
  void (*set_vfo_b_freq)(const RadioTypeRow& row, uint32_t hz) = nullptr;
  void (*select_channel_freq)(const RadioTypeRow& row, uint32_t hz) = nullptr;
};

extern const FamilyOps kIcomCivOps;
extern const FamilyOps kKenwoodOps;
extern const FamilyOps kKenwoodTkOps;
extern const FamilyOps kYaesuFiveByteOps;
extern const FamilyOps kYaesuAsciiOps;
extern const FamilyOps kTenTecOps;
extern const FamilyOps kTenTecReceiverOps;
extern const FamilyOps kIcomMarineOps;
extern const FamilyOps kAlincoSkantiOps;
extern const FamilyOps kFramedBinaryOps;
extern const FamilyOps kHarrisOps;
extern const FamilyOps kJrcReceiverOps;
extern const FamilyOps kTextRadioOps;
extern const FamilyOps kChannelRadioOps;
extern const FamilyOps kGenericFileOps;
extern const FamilyOps kPluginLibraryOps;

// The operations of a family; a family without a driver has an empty record.
const FamilyOps& family_ops(DriverFamily family);
inline const FamilyOps& radio_ops(const RadioTypeRow& row) { return family_ops(row.family); }

// The row of the configured radio type.
const RadioTypeRow& configured_radio();

}  // namespace vesk

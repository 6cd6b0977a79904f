// The operations of the radios tuned by whole channels: the R&S EK890/EK896, the SEA 235, the
// HF90M and the XK2100. Each tunes a channel with its set's channel command (channel_set,
// radio/drivers/channel_radios.h); the EK89x and the SEA 235 take a mode alone in the scratch
// channel 0 at the emulator's frequency.
//
// The HF90M's memory load (259 lines for 256 channels) hands each line over only while the
// radio queue has room, so no queued command is ever overwritten.
#include <string>

#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "radio/channel.h"
#include "radio/dispatch.h"
#include "radio/drivers/channel_radios.h"
#include "radio/drivers/receivers.h"
#include "radio/family_ops.h"
#include "radio/radio_setup.h"
#include "radio/serial_output.h"
#include "radio/serial_queue.h"
#include "radio/text_steps.h"

namespace vesk {

namespace {

// The HF90M's memory load waits while this many commands are queued (the queue holds 150).
constexpr int kLoadQueueRoom = 100;

bool memory_channels() { return db_get_memory_channels() == 1; }

void tune(const RadioTypeRow& row, const ChannelRecord& ch) {
  CatCommand c;
  switch (row.channel_set) {
    case ChannelSet::Ek89x:
      if (ek890_tune(ch, c)) cat_send(c);
      break;
    case ChannelSet::Sea235:
      if (sea235_tune(ch, c)) cat_send(c);
      break;
    case ChannelSet::Hf90m:
      if (hf90m_select(ch, c)) cat_send(c);
      break;
    case ChannelSet::Xk2100:
      if (memory_channels()) {
        text_send(row, "RCL" + std::string(ch.number < 10 ? "0" : "") + std::to_string(ch.number == 0 ? 1 : ch.number));
      } else if (xk2100_tune(ch, c)) {
        cat_send(c);
      }
      break;
    case ChannelSet::None: break;
  }
}

void tune_scan_channel(const RadioTypeRow& row) {
  ChannelRecord scan{};
  if (db_copy_channel(db_current_scan_channel(), &scan) >= 0) tune(row, scan);
}

// The sets without a mode command take the mode in the scratch channel 0.
bool mode_by_channel(const RadioTypeRow& row) {
  return row.channel_set == ChannelSet::Ek89x || row.channel_set == ChannelSet::Sea235;
}

void set_mode(const RadioTypeRow& row, int m) {
  if (!mode_by_channel(row)) {
    text_set_mode(row, m);
    return;
  }
  ChannelRecord ch{};
  ch.rx_mode = ch.tx_mode = m;
  ch.rx_freq_hz = ch.tx_freq_hz = radio_vfo_freq();
  db_store_channel(0, ch);
  tune(row, ch);
}

// The XK2100 without memory channels sends the frequency alone while the mode stays.
void channel_freq_mode(const RadioTypeRow& row, const ChannelRecord& ch) {
  if (row.channel_set != ChannelSet::Xk2100) {
    tune(row, ch);
    return;
  }
  if (!memory_channels() && !radio_mode_due(ch)) {
    text_set_freq(row, static_cast<uint32_t>(ch.rx_freq_hz));
    return;
  }
  tune(row, ch);
  if (!memory_channels()) radio_mode_remember(ch);
}

void set_freq_mode(const RadioTypeRow& row, const ChannelRecord& ch) {
  if (row.freq_mode_outside_scan) tune(row, ch);
}

void split_freq_mode(const RadioTypeRow& row, const ChannelRecord&) { tune_scan_channel(row); }

// The XK2100 before a transmission: its memory channel again, or the transmit frequency.
void prepare_tx(const RadioTypeRow& row, int tx_hz, int, bool) {
  if (row.channel_set != ChannelSet::Xk2100) return;
  if (memory_channels()) tune_scan_channel(row);
  else text_set_freq(row, static_cast<uint32_t>(tx_hz));
}

// The HF90M's channel memory: the load line, a record per channel in use, the end record and
// the volume; each line waits for room in the radio queue.
void hf90m_load(const RadioTypeRow& row) {
  auto hand_over = [](const CatCommand& c) {
    while (serial_queue_count(SQ_RADIO) >= kLoadQueueRoom) radio_pause_ms(kRadioReplyTimeoutMs);
    cat_send(c);
  };
  hand_over(receiver_text(row.number, "L1808"));
  for (int n = 1; n <= 256; ++n) {
    ChannelRecord ch{};
    if (db_copy_channel(n, &ch) >= 0 && ch.in_use == 1) hand_over(hf90m_memory_record(ch));
  }
  hand_over(receiver_text(row.number, ":00000001FF"));
  hand_over(receiver_text(row.number, "V05"));
}

void setup_start(const RadioTypeRow& row) {
  if (row.channel_set == ChannelSet::Hf90m) hf90m_load(row);
  else text_setup_start(row);
}

void setup_commands(const RadioTypeRow& row, const RadioSetupRow&) {
  if (row.setup_done_line != nullptr) radio_setup_line(row.setup_done_line);
}

}  // namespace

const FamilyOps kChannelRadioOps{
    .built = true,
    .set_freq = text_set_freq,
    .set_mode = set_mode,
    .ptt_on = text_ptt_on,
    .ptt_off = text_ptt_off,
    .channel_freq_mode = channel_freq_mode,
    .tune_channel = tune,
    .set_freq_mode = set_freq_mode,
    .split_freq_mode = split_freq_mode,
    .prepare_tx = prepare_tx,
    .attenuator = text_attenuator,
    .setup_before_port = text_setup_before_port_line,
    .setup_start = setup_start,
    .setup_commands = setup_commands,
    .on_reply = text_on_reply,
};

}  // namespace vesk

#include "radio/drivers/icom_civ.h"

#include <string_view>

#include "radio/drivers/cat_encode.h"
#include "radio/setup_table.h"
#include "radio/serial_output.h"

namespace vesk {

namespace {

struct CivModeRow {
  int mode;
  uint8_t civ;
};
constexpr CivModeRow kCivModes[] = {
    {MODE_LSB, 0x00}, {MODE_LSB_D, 0x00}, {MODE_USB, 0x01}, {MODE_USB_D, 0x01}, {MODE_AM, 0x02},
    {MODE_CW, 0x03},  {MODE_FSK, 0x04},   {MODE_RTTY, 0x04}, {MODE_FM, 0x05},  {MODE_FMW, 0x06},
    {MODE_FSK_R, 0x08}, {23, 0x12},       {24, 0x13},
};

// 1A s ...: the data-mode sub-command of a form, the type's own for the form it uses.
uint8_t data_mode_sub(int type, bool long_form) {
  const RadioTypeRow& row = radio_type_row(type);
  return row.civ_data_mode == (long_form ? CivDataMode::Long : CivDataMode::Short) ? row.civ_data_mode_sub : 0x06;
}

// True when the CI-V set-up steps of `type` hold `code`.
bool setup_has_step(int type, std::string_view code) {
  const RadioSetupRow* row = radio_setup_row(type);
  if (row == nullptr) return false;
  for (const SetupCode& c : setup_codes(row->lines.steps))
    if (c.code == code) return true;
  return false;
}
}  // namespace

const std::array<CivFixedRow, static_cast<std::size_t>(CivFixed::Count)> kCivFixedCommands{{
    {CivFixed::ReadFreq, {0x03}, 1, true},
    {CivFixed::ReadMode, {0x04}, 1, true},
    {CivFixed::VfoMode, {0x07}, 1, true},
    {CivFixed::VfoA0, {0x07, 0xA0}, 2, false},
    {CivFixed::VfoB1, {0x07, 0xB1}, 2, true},
    {CivFixed::DualWatchOff, {0x07, 0xC0}, 2, false},
    {CivFixed::DualWatchOn, {0x07, 0xC1}, 2, true},
    {CivFixed::MemoryWrite, {0x09}, 1, false},
    {CivFixed::SplitOn, {0x0F, 0x01}, 2, false},
    {CivFixed::SplitOff, {0x0F, 0x00}, 2, false},
    {CivFixed::AttenuatorOn, {0x11, 0x12}, 2, false},
    {CivFixed::AttenuatorOff, {0x11, 0x00}, 2, false},
    {CivFixed::Ant1, {0x12, 0x00}, 2, false},
    {CivFixed::Ant2, {0x12, 0x01}, 2, false},
    {CivFixed::Ant3, {0x12, 0x02}, 2, false},
    {CivFixed::Ant4, {0x12, 0x03}, 2, false},
    {CivFixed::Tt586PttOn, {0x16, 0x00, 0x01}, 3, false},
    {CivFixed::Tt586PttOff, {0x16, 0x00, 0x02}, 3, false},
    {CivFixed::PreampOff, {0x16, 0x02, 0x00}, 3, false},
    {CivFixed::PreampOn, {0x16, 0x02, 0x01}, 3, true},
    {CivFixed::AgcFast, {0x16, 0x12, 0x01}, 3, false},
    {CivFixed::AgcMid, {0x16, 0x12, 0x02}, 3, true},
    {CivFixed::AgcSlow, {0x16, 0x12, 0x03}, 3, true},
    {CivFixed::Function22Off, {0x16, 0x22, 0x00}, 3, true},
    {CivFixed::NrOff, {0x16, 0x40, 0x00}, 3, false},
    {CivFixed::AutoNotchOff, {0x16, 0x41, 0x00}, 3, false},
    {CivFixed::ManualNotchOff, {0x16, 0x48, 0x00}, 3, false},
    {CivFixed::RttyFilterOff, {0x16, 0x49, 0x00}, 3, false},
    {CivFixed::TwinPeakOff, {0x16, 0x4F, 0x00}, 3, false},
    {CivFixed::NrOn, {0x16, 0x40, 0x01}, 3, true},
    {CivFixed::AutoNotchOn, {0x16, 0x41, 0x01}, 3, true},
    {CivFixed::ManualNotchOn, {0x16, 0x48, 0x01}, 3, true},
    {CivFixed::RttyFilterOn, {0x16, 0x49, 0x01}, 3, true},
    {CivFixed::TwinPeakOn, {0x16, 0x4F, 0x01}, 3, true},
    {CivFixed::FilterWide, {0x1A, 0x07, 0x00}, 3, false},
    {CivFixed::FilterMid, {0x1A, 0x07, 0x01}, 3, true},
    {CivFixed::FilterNarrow, {0x1A, 0x07, 0x02}, 3, true},
    {CivFixed::PttOn, {0x1C, 0x00, 0x01}, 3, false},
    {CivFixed::PttOff, {0x1C, 0x00, 0x00}, 3, false},
    {CivFixed::TunerOff, {0x1C, 0x01, 0x00}, 3, false},
    {CivFixed::TunerOn, {0x1C, 0x01, 0x01}, 3, false},
    {CivFixed::TunerStart, {0x1C, 0x01, 0x02}, 3, false},
}};

uint8_t civ_address_for(int type) { return radio_type_row(type).civ_address; }

uint8_t civ_radio_address() { return civ_address_for(driver_radio_type()); }
int civ_get_radio_type() { return driver_radio_type(); }
bool civ_is_type(int type) { return radio_type_family(type) == DriverFamily::IcomCiv; }

uint8_t civ_mode_byte(int mode) {
  for (const CivModeRow& r : kCivModes) {
    if (r.mode == mode) return r.civ;
  }
  return 0x00;
}

bool civ_type_takes(int type, CivStep step) {
  if (!civ_is_type(type)) return false;
  const RadioTypeRow& r = radio_type_row(type);
  switch (step) {
    case CivStep::FreqModeSplit: return r.split_sets_freq_mode;
    case CivStep::ModeFromEmulation: return r.emulation_sets_mode;
    case CivStep::TxFreqPrep: return r.split_select != SplitSelect::None;
    case CivStep::TxFreqPrepVfoA0: return r.tx_prep_vfo_a0;
    case CivStep::VfoSelect: return r.split_select == SplitSelect::Vfo;
    case CivStep::MainSubSelect: return r.split_select == SplitSelect::MainSub;
    case CivStep::ModeResendKeying: return r.manual_ptt_swaps_data_mode;
    case CivStep::VfoA0AfterTnc: return r.vfo_a_after_tnc;
    case CivStep::Ptt: return r.ptt_command && !r.civ_ptt_function_16;
    case CivStep::PttTt586: return r.ptt_command && r.civ_ptt_function_16;
    case CivStep::SplitScan: return r.scan_start_splits;
    case CivStep::SplitOffShutdown: return r.split_off_at_shutdown;
    case CivStep::SplitOffSetup: return setup_has_step(type, "S");
    case CivStep::Attenuator: return r.attenuator_command;
    case CivStep::Antenna12: return r.antenna_ports >= 2;
    case CivStep::Antenna3: return r.antenna_ports >= 3;
    case CivStep::Antenna4: return r.antenna_ports >= 4;
    case CivStep::AntennaChannelOnly: return r.antenna_on_channel_only;
    case CivStep::Tuner: return r.tuner_command;
    case CivStep::AfLevelSetting: return r.af_level_command;
    case CivStep::AfLevelMute: return r.mute_by_command;
    case CivStep::SetupAttPreamp: return setup_has_step(type, "T");
    case CivStep::SetupAgcFast: return setup_has_step(type, "A");
    case CivStep::SetupDualWatchOff: return setup_has_step(type, "W");
    case CivStep::SetupNrAutoNotchOff: return setup_has_step(type, "R");
    case CivStep::SetupManualNotchOff: return setup_has_step(type, "M");
    case CivStep::SetupRttyFilterOff: return setup_has_step(type, "Y");
    case CivStep::SetupTwinPeakOff: return setup_has_step(type, "K");
    case CivStep::SetupFilterWide: return setup_has_step(type, "F");
    case CivStep::DataModeShort: return r.civ_data_mode == CivDataMode::Short;
    case CivStep::DataModeLong: return r.civ_data_mode == CivDataMode::Long;
    case CivStep::FourByteFreq: return r.civ_four_byte_freq;
    case CivStep::Count: return false;
  }
  return false;
}

CatCommand civ_frame(int type, std::initializer_list<uint8_t> body) {
  CatCommand c;
  c.put(kCivPreamble).put(kCivPreamble).put(civ_address_for(type)).put(kCivController);
  for (uint8_t b : body) c.put(b);
  c.put(kCivEnd);
  return c;
}

CatCommand civ_frame_set_freq(int type, uint32_t hz) {
  uint8_t bcd[5];
  const int n = radio_type_row(type).civ_four_byte_freq ? 4 : 5;
  bcd_lsb_first(hz, bcd, n);
  CatCommand c;
  c.put(kCivPreamble).put(kCivPreamble).put(civ_address_for(type)).put(kCivController).put(0x05);
  for (int i = 0; i < n; ++i) c.put(bcd[i]);
  c.put(kCivEnd);
  return c;
}

CatCommand civ_frame_set_mode(int type, int mode) { return civ_frame(type, {0x06, civ_mode_byte(mode)}); }

CatCommand civ_frame_data_mode(int type, bool on) {
  return civ_frame(type, {0x1A, data_mode_sub(type, false), static_cast<uint8_t>(on ? 0x01 : 0x00)});
}

CatCommand civ_frame_data_mode_step(int type, int mode) {
  if (mode != MODE_LSB_D && mode != MODE_USB_D) return CatCommand{};
  switch (radio_type_row(type).civ_data_mode) {
    case CivDataMode::Short: return civ_frame_data_mode(type, true);
    case CivDataMode::Long: return civ_frame(type, {0x1A, data_mode_sub(type, true), 0x01, 0x01});
    case CivDataMode::None: break;
  }
  return CatCommand{};
}

CatCommand civ_frame_af_gain(int type, int level) {
  // The hundreds as a binary byte, tens and units as two BCD digits: 255 gives 02 55. A level
  // outside the range would make a byte that is no BCD.
  level = level < 0 ? 0 : (level > 255 ? 255 : level);
  const int h = level / 100;
  return civ_frame(type, {0x14, 0x01, static_cast<uint8_t>(h), bcd_byte(level % 100)});
}

CatCommand civ_frame_fixed(int type, CivFixed id) {
  const CivFixedRow& row = kCivFixedCommands[static_cast<std::size_t>(id)];
  CatCommand c;
  c.put(kCivPreamble).put(kCivPreamble).put(civ_address_for(type)).put(kCivController);
  for (int i = 0; i < row.body_length; ++i) c.put(row.body[i]);
  c.put(kCivEnd);
  return c;
}

int civ_send_fixed(CivFixed id) { return cat_send(civ_frame_fixed(driver_radio_type(), id)); }

int civ_set_freq(uint32_t hz) { return cat_send(civ_frame_set_freq(driver_radio_type(), hz)); }

int civ_set_mode(int mode) {
  const int type = driver_radio_type();
  int r = cat_send(civ_frame_set_mode(type, mode));
  const CatCommand data = civ_frame_data_mode_step(type, mode);
  if (data.length > 0) r = cat_send(data);
  return r;
}

int civ_data_mode_on() { return cat_send(civ_frame_data_mode(driver_radio_type(), true)); }
int civ_data_mode_off() { return cat_send(civ_frame_data_mode(driver_radio_type(), false)); }
int civ_data_mode_on_long() {
  const int type = driver_radio_type();
  return cat_send(civ_frame(type, {0x1A, data_mode_sub(type, true), 0x01, 0x01}));
}
int civ_data_mode_off_long() {
  const int type = driver_radio_type();
  return cat_send(civ_frame(type, {0x1A, data_mode_sub(type, true), 0x00, 0x00}));
}

int civ_select_vfo(int v) {
  return cat_send(civ_frame(driver_radio_type(), {0x07, static_cast<uint8_t>(v == 0 ? 0x00 : 0x01)}));
}
int civ_select_main_sub(int w) {
  return cat_send(civ_frame(driver_radio_type(), {0x07, static_cast<uint8_t>(w == 0 ? 0xD0 : 0xD1)}));
}

int civ_vfo_a0() { return civ_send_fixed(CivFixed::VfoA0); }
int civ_dual_watch_off() { return civ_send_fixed(CivFixed::DualWatchOff); }
int civ_split_on() { return civ_send_fixed(CivFixed::SplitOn); }
int civ_split_off() { return civ_send_fixed(CivFixed::SplitOff); }
int civ_attenuator_on() { return civ_send_fixed(CivFixed::AttenuatorOn); }
int civ_attenuator_off() { return civ_send_fixed(CivFixed::AttenuatorOff); }
int civ_select_ant1() { return civ_send_fixed(CivFixed::Ant1); }
int civ_select_ant2() { return civ_send_fixed(CivFixed::Ant2); }
int civ_select_ant3() { return civ_send_fixed(CivFixed::Ant3); }
int civ_select_ant4() { return civ_send_fixed(CivFixed::Ant4); }
int civ_set_af_gain(int level) { return cat_send(civ_frame_af_gain(driver_radio_type(), level)); }
int civ_tt586_ptt_on() { return civ_send_fixed(CivFixed::Tt586PttOn); }
int civ_tt586_ptt_off() { return civ_send_fixed(CivFixed::Tt586PttOff); }
int civ_preamp_off() { return civ_send_fixed(CivFixed::PreampOff); }
int civ_agc_fast() { return civ_send_fixed(CivFixed::AgcFast); }
int civ_nr_off() { return civ_send_fixed(CivFixed::NrOff); }
int civ_auto_notch_off() { return civ_send_fixed(CivFixed::AutoNotchOff); }
int civ_manual_notch_off() { return civ_send_fixed(CivFixed::ManualNotchOff); }
int civ_rtty_filter_off() { return civ_send_fixed(CivFixed::RttyFilterOff); }
int civ_twin_peak_off() { return civ_send_fixed(CivFixed::TwinPeakOff); }
int civ_filter_wide() { return civ_send_fixed(CivFixed::FilterWide); }
int civ_ptt_on() { return civ_send_fixed(CivFixed::PttOn); }
int civ_ptt_off() { return civ_send_fixed(CivFixed::PttOff); }
int civ_tuner_off() { return civ_send_fixed(CivFixed::TunerOff); }
int civ_tuner_on() { return civ_send_fixed(CivFixed::TunerOn); }
int civ_tuner_start() { return civ_send_fixed(CivFixed::TunerStart); }

int civ_memory_write(int channel_number, uint32_t rx_hz, int rx_mode) {
  cat_send(civ_frame(driver_radio_type(), {0x08, bcd_byte(channel_number % 100)}));
  civ_set_freq(rx_hz);
  civ_set_mode(rx_mode);
  return civ_send_fixed(CivFixed::MemoryWrite);
}

namespace {
template <std::size_t N>
int emul_answer(const std::array<uint8_t, N>& frame) {
  const int r = emul_send(frame.data(), static_cast<int>(N));
  emul_send_ack();
  return r;
}
}  // namespace

int civ_emul_send_ok() { return emul_answer(kCivEmulationOk); }
int civ_emul_send_ng() { return emul_answer(kCivEmulationNg); }
int civ_emul_send_jam() { return emul_answer(kCivJam); }

CatReply civ_parse_reply(const uint8_t* frame, int length) {
  if (frame == nullptr || length < 5) return CatReply::Ignore;
  if (frame[0] != kCivPreamble || frame[1] != kCivPreamble) return CatReply::Ignore;
  if (frame[4] == kCivOk) return CatReply::Ack;
  if (frame[4] == kCivNg) return CatReply::Nak;
  return CatReply::Ignore;
}

void civ_on_reply(const uint8_t* frame, int length) {
  switch (civ_parse_reply(frame, length)) {
    case CatReply::Ack: cat_ack(); break;
    case CatReply::Nak: cat_nak(); break;
    case CatReply::Ignore: break;
  }
}

}  // namespace vesk

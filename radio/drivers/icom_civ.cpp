#include "radio/drivers/icom_civ.h"

#include "radio/drivers/cat_encode.h"
#include "radio/serial_output.h"

namespace vesk {

namespace {

// Which types take each step; a list ends at the first 0.
struct CivStepRow {
  CivStep step;
  int types[32];
};

constexpr CivStepRow kCivSteps[] = {
    {CivStep::FreqModeSplit,
     {DB_IC78, DB_IC703, DB_IC706, DB_IC706MKII, DB_IC706MKIIG, DB_IC707, DB_IC718, DB_IC725, DB_IC726,
      DB_IC728, DB_IC729, DB_IC735, DB_IC736, DB_IC737, DB_IC738, DB_IC746, DB_IC746PRO, DB_IC751,
      DB_IC756, DB_IC756PRO, DB_IC756PROII, DB_IC756PROIII, DB_IC761, DB_IC765, DB_IC775DSP, DB_IC781,
      DB_IC7000, DB_IC7700, DB_IC7800, DB_TT586, DB_IC7200}},
    {CivStep::ModeFromEmulation,
     {DB_IC78, DB_IC703, DB_IC706, DB_IC706MKII, DB_IC706MKIIG, DB_IC718, DB_IC735, DB_IC746,
      DB_IC746PRO, DB_IC756, DB_IC756PRO, DB_IC756PROII, DB_IC756PROIII, DB_IC7000, DB_IC7700,
      DB_IC7800, DB_R71, DB_R72, DB_R75, DB_R7000, DB_R7100, DB_R8500, DB_R9000, DB_R9500, DB_TT586,
      DB_R10, DB_R20, DB_IC7200}},
    {CivStep::TxFreqPrep,
     {DB_IC746, DB_IC746PRO, DB_IC756, DB_IC756PRO, DB_IC756PROII, DB_IC756PROIII, DB_IC765,
      DB_IC775DSP, DB_IC781, DB_IC7700, DB_IC7800}},
    {CivStep::TxFreqPrepVfoA0, {DB_GENERIC_ICOM}},
    {CivStep::VfoSelect, {DB_IC746, DB_IC746PRO, DB_IC765, DB_IC775DSP, DB_IC781}},
    {CivStep::MainSubSelect, {DB_IC756, DB_IC756PRO, DB_IC756PROII, DB_IC756PROIII, DB_IC7700, DB_IC7800}},
    {CivStep::ModeResendKeying,
     {DB_IC703, DB_IC746PRO, DB_IC756PRO, DB_IC756PROII, DB_IC756PROIII, DB_IC7700, DB_IC7800, DB_IC7200}},
    {CivStep::VfoA0AfterTnc,
     {DB_IC746, DB_IC746PRO, DB_IC756, DB_IC756PRO, DB_IC756PROII, DB_IC756PROIII, DB_IC765,
      DB_IC775DSP, DB_IC781, DB_IC7000, DB_IC7700, DB_IC7800, DB_IC7200}},
    {CivStep::Ptt,
     {DB_GENERIC_ICOM, DB_IC78, DB_IC703, DB_IC706, DB_IC706MKII, DB_IC706MKIIG, DB_IC718, DB_IC725,
      DB_IC726, DB_IC728, DB_IC729, DB_IC736, DB_IC737, DB_IC738, DB_IC746, DB_IC746PRO, DB_IC751,
      DB_IC756, DB_IC756PRO, DB_IC756PROII, DB_IC756PROIII, DB_IC761, DB_IC765, DB_IC775DSP, DB_IC781,
      DB_IC7000, DB_IC7700, DB_IC7800, DB_IC7200}},
    {CivStep::PttTt586, {DB_TT586}},
    {CivStep::SplitScan,
     {DB_IC703, DB_IC746, DB_IC746PRO, DB_IC756, DB_IC756PRO, DB_IC756PROII, DB_IC756PROIII, DB_IC765,
      DB_IC775DSP, DB_IC781, DB_IC7700, DB_IC7800}},
    {CivStep::SplitOffShutdown,
     {DB_IC746, DB_IC746PRO, DB_IC756, DB_IC756PRO, DB_IC756PROII, DB_IC756PROIII, DB_IC765, DB_IC7000,
      DB_IC7700, DB_IC7800, DB_IC7200}},
    {CivStep::SplitOffSetup, {DB_IC706, DB_IC706MKII, DB_IC706MKIIG, DB_IC707, DB_IC718}},
    {CivStep::Attenuator,
     {DB_IC703, DB_IC706MKIIG, DB_IC746, DB_IC746PRO, DB_IC756, DB_IC756PRO, DB_IC756PROII,
      DB_IC756PROIII, DB_IC7000, DB_IC7700, DB_IC7800, DB_R9500, DB_IC7200}},
    {CivStep::Antenna12, {DB_IC746, DB_IC746PRO, DB_IC756PRO, DB_IC756PROII, DB_IC756PROIII, DB_IC7800, DB_R9500}},
    {CivStep::Antenna3, {DB_IC7800, DB_R9500}},
    {CivStep::Antenna4, {DB_IC7800}},
    {CivStep::AntennaChannelOnly, {DB_R9500}},
    {CivStep::Tuner,
     {DB_IC703, DB_IC746PRO, DB_IC756PRO, DB_IC756PROII, DB_IC756PROIII, DB_IC7000, DB_IC7700, DB_IC7800,
      DB_IC7200}},
    {CivStep::AfLevelSetting,
     {DB_IC78, DB_IC703, DB_IC718, DB_IC746, DB_IC746PRO, DB_IC756, DB_IC756PRO, DB_IC756PROII,
      DB_IC756PROIII, DB_IC7000, DB_IC7700, DB_IC7800, DB_R75, DB_R8500, DB_IC7200}},
    {CivStep::AfLevelMute,
     {DB_IC78, DB_IC703, DB_IC718, DB_IC746, DB_IC746PRO, DB_IC756PRO, DB_IC756PROII, DB_IC756PROIII,
      DB_IC7000, DB_IC7700, DB_IC7800, DB_R75, DB_R8500, DB_IC7200, DB_R9500}},
    {CivStep::SetupAttPreamp,
     {DB_IC78, DB_IC703, DB_IC706MKIIG, DB_IC718, DB_IC746, DB_IC746PRO, DB_IC756PRO, DB_IC756PROII,
      DB_IC756PROIII, DB_IC7000, DB_IC7700, DB_IC7800, DB_IC7200}},
    {CivStep::SetupAgcFast,
     {DB_IC703, DB_IC706MKIIG, DB_IC718, DB_IC746, DB_IC746PRO, DB_IC756PRO, DB_IC756PROII,
      DB_IC756PROIII, DB_IC7000, DB_IC7700, DB_IC7800, DB_IC7200}},
    {CivStep::SetupDualWatchOff, {DB_IC756, DB_IC756PRO, DB_IC756PROII, DB_IC756PROIII, DB_IC7700, DB_IC7800}},
    {CivStep::SetupNrAutoNotchOff,
     {DB_IC703, DB_IC718, DB_IC756PRO, DB_IC756PROII, DB_IC756PROIII, DB_IC7000, DB_IC7700, DB_IC7800,
      DB_IC7200}},
    {CivStep::SetupManualNotchOff,
     {DB_IC756PRO, DB_IC756PROII, DB_IC756PROIII, DB_IC7000, DB_IC7700, DB_IC7800, DB_IC7200}},
    {CivStep::SetupRttyFilterOff, {DB_IC756PRO, DB_IC756PROII, DB_IC756PROIII, DB_IC7700, DB_IC7800}},
    {CivStep::SetupTwinPeakOff, {DB_IC756PROIII, DB_IC7000, DB_IC7700, DB_IC7800, DB_IC7200}},
    {CivStep::SetupFilterWide, {DB_IC756PROII}},
    {CivStep::DataModeShort, {DB_IC703, DB_IC746PRO, DB_IC756PRO, DB_IC756PROII, DB_IC756PROIII}},
    {CivStep::DataModeLong, {DB_IC7700, DB_IC7800, DB_IC7200}},
    {CivStep::FourByteFreq, {DB_IC735, DB_TT586}},
};

struct CivModeRow {
  int mode;
  uint8_t civ;
};
constexpr CivModeRow kCivModes[] = {
    {MODE_LSB, 0x00}, {MODE_LSB_D, 0x00}, {MODE_USB, 0x01}, {MODE_USB_D, 0x01}, {MODE_AM, 0x02},
    {MODE_CW, 0x03},  {MODE_FSK, 0x04},   {MODE_RTTY, 0x04}, {MODE_FM, 0x05},  {MODE_FMW, 0x06},
    {MODE_FSK_R, 0x08}, {23, 0x12},       {24, 0x13},
};

// 1A s ...: the data-mode sub-command is 04 on the IC-703 (short form) and IC-7200 (long
// form), 06 on every other type.
uint8_t data_mode_sub(int type, bool long_form) {
  if (long_form) return type == DB_IC7200 ? 0x04 : 0x06;
  return type == DB_IC703 ? 0x04 : 0x06;
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

uint8_t civ_address_for(int type) {
  for (const CivAddressRow& r : kCivAddressTable) {
    if (r.type == type) return r.address;
  }
  return kCivDefaultAddress;
}

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
  for (const CivStepRow& row : kCivSteps) {
    if (row.step != step) continue;
    for (int t : row.types) {
      if (t == 0) break;
      if (t == type) return true;
    }
    return false;
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
  const int n = civ_type_takes(type, CivStep::FourByteFreq) ? 4 : 5;
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
  if (civ_type_takes(type, CivStep::DataModeShort)) return civ_frame_data_mode(type, true);
  if (civ_type_takes(type, CivStep::DataModeLong)) return civ_frame(type, {0x1A, data_mode_sub(type, true), 0x01, 0x01});
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

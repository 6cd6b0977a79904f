#include "ale/link/aqc.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "ale/engine/events.h"
#include "ale/engine/timer.h"
#include "ale/frames/frame_sections.h"
#include "ale/link/call_setup.h"
#include "ale/link/channel_quality.h"
#include "ale/link/link_state.h"
#include "ale/words/word_build.h"
#include "db/database.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"

namespace vesk {

namespace {

constexpr int kOperationDelayMs = 100;
constexpr int kReqResponseWaitMs = 25000;

// Linking protection: each pair is a calling cycle of its own, its first word under a new
// seed (word 0), its FROM word under the same seed's word 1; message words after an in-link
// pair go on from there. Untagged, the words would find no seed and nothing would go out.
constexpr int kPairFirstTag = 1;
constexpr int kPairFromTag = 2;
constexpr int kOrderWordTag = 5;

void send_pair(int preamble, std::string_view address, int first_de, int second_de) {
  const std::string six = aqc_six_chars(address);
  ale_builder_tx_word(
      ale_word_with_tag(aqc_address_word(preamble, std::string_view(six).substr(0, 3), first_de), kPairFirstTag));
  ale_builder_tx_word(
      ale_word_with_tag(aqc_address_word(ALE_FROM, std::string_view(six).substr(3, 3), second_de), kPairFromTag));
}

int channel_quality() { return aqc_channel_quality(db_current_channel_index()); }

void sounding(int preamble, const char* own) {
  const int n = std::min(aqc_sounding_pairs(db_count_group_channels()), kAqcDeMax);
  const int quality = channel_quality();
  for (int de = n; de >= 1; --de) send_pair(preamble, own, de, quality);
}

// The called list of a request, as the frame addresses.
void set_called(const char* const* addresses, int count) {
  AddressList list;
  for (int i = 0; i < count; ++i)
    if (addresses[i] != nullptr && addresses[i][0] != '\0') list.emplace_back(addresses[i]);
  ale_set_called_list(list);
}

// A call to the called list: individual for one address, group for several.
void start_call() {
  timer_start(ale_called_count() > 1 ? EV_INITIATE_GROUP_CALL : EV_INITIATE_INDIVIDUAL_CALL, kOperationDelayMs);
}

void order_flags(int ack) {
  AqcTxSettings& s = aqc_tx_settings();
  s.first_flag = ack != 0 ? 1 : 0;
  ale_no_reply_set(ack != 0 ? 0 : 1);
  s.second_flag = 1;
  s.second_code = AQC_CODE_DATA;
}

void queue_order_words(const AleWord* words, int count) {
  auto* section = new FrameSection;
  section->kind = SECTION_WORDS;
  // Enciphered under linking protection, as the message words around them are.
  for (int i = 0; i < count; ++i) section->words.push_back(ale_word_with_tag(words[i], kOrderWordTag));
  if (ale_section_push_traffic(section) == 0) delete section;
}

void operator_text(const char* text, int first_flag) {
  AqcTxSettings& s = aqc_tx_settings();
  s.second_flag = 1;
  s.first_flag = first_flag;
  s.second_code = AQC_CODE_OPERATOR;
  ale_no_reply_set(1);
  ale_queue_traffic_text(text);
}

const char* const* request_list(const AqcOrderRequest& r, std::array<const char*, kAqcRequestAddressesMax>& out) {
  for (int i = 0; i < kAqcRequestAddressesMax; ++i) out[static_cast<std::size_t>(i)] = r.addresses[static_cast<std::size_t>(i)].c_str();
  return out.data();
}

}  // namespace

// ---- builders ----

void aqc_build_tis_sounding(const char* own) { sounding(ALE_TIS, own); }
void aqc_build_twas_sounding(const char* own) { sounding(ALE_TWAS, own); }

void aqc_build_scanning_call(const char* called, const char* own, int channels) {
  const int m = std::min(aqc_scanning_call_pairs(channels), kAqcDeMax);
  for (int de = m; de >= 1; --de) send_pair(ALE_TO, called, de, 0);
  send_pair(ALE_TIS, own, kAqcDeMax, channel_quality());
}

void aqc_build_call(const char* const* addresses, int count, const char* own) {
  for (int i = 0; i < count; ++i)
    if (addresses[i] != nullptr && addresses[i][0] != '\0') send_pair(ALE_TO, addresses[i], count == 1 ? 0 : count, 0);
  send_pair(ALE_TIS, own, kAqcDeMax, channel_quality());
}

void aqc_build_response(const char* called, const char* own) {
  send_pair(ALE_TO, called, 0, 0);
  send_pair(ALE_TIS, own, 0, 0);
}

void aqc_build_ack(const char* own) { send_pair(ALE_TIS, own, 0, 0); }

void aqc_build_inlink(const char* const* addresses, int count, const char* own) {
  int de = count == 1 ? 0 : count;
  for (int i = 0; i < count; ++i) {
    if (addresses[i] == nullptr || addresses[i][0] == '\0') continue;
    send_pair(ALE_TO, addresses[i], de, 0);
    if (de > 0) --de;
  }
  const AqcTxSettings& s = aqc_tx_settings();
  send_pair(ALE_THRU, own, s.first_code + 8 * s.first_flag, s.second_code + 8 * s.second_flag);
}

// ---- orderwire ----

std::array<AleWord, 3> aqc_channel_definition_words(const AqcChannelDefinition& d) {
  const uint32_t rx_lsb = d.rx_mode == 0 ? 1 : 0, tx_lsb = d.tx_mode == 0 ? 1 : 0;
  const AleWord cmd = static_cast<uint32_t>(ALE_CMD) << kAlePreambleShift | kAqcCommandChannel << 16 |
                      (static_cast<uint32_t>(d.channel) & 0xFF) << 8 | rx_lsb << 6 | tx_lsb << 4;
  const AleWord rx = static_cast<uint32_t>(ALE_DATA) << kAlePreambleShift | (static_cast<uint32_t>(d.rx_hz / 100) & 0x1FFFFF);
  const AleWord tx = static_cast<uint32_t>(ALE_REP) << kAlePreambleShift | (static_cast<uint32_t>(d.tx_hz / 100) & 0x1FFFFF);
  return {cmd, rx, tx};
}

int aqc_command_code(AleWord word) { return static_cast<int>((word >> 16) & 0x1F); }

bool aqc_parse_channel_definition(const AleWord* words, int count, AqcChannelDefinition* out) {
  if (count < 3 || ale_word_type(words[0]) != ALE_CMD || aqc_command_code(words[0]) != kAqcCommandChannel) return false;
  out->channel = static_cast<int>((words[0] >> 8) & 0xFF);
  out->rx_mode = ((words[0] >> 6) & 3) == 0 ? 1 : 0;
  out->tx_mode = ((words[0] >> 4) & 3) == 0 ? 1 : 0;
  out->rx_hz = static_cast<int>(words[1] & 0x1FFFFF) * 100;
  out->tx_hz = static_cast<int>(words[2] & 0x1FFFFF) * 100;
  return true;
}

AleWord aqc_slot_assignment_word(int slot, int value) {
  return static_cast<uint32_t>(ALE_CMD) << kAlePreambleShift | kAqcCommandSlot << 16 |
         (static_cast<uint32_t>(slot) & 0x1F) << 11 | (static_cast<uint32_t>(value) & 0x7FF);
}

bool aqc_parse_slot_assignment(AleWord word, int* slot, int* value) {
  if (ale_word_type(word) != ALE_CMD || aqc_command_code(word) != kAqcCommandSlot) return false;
  *slot = static_cast<int>((word >> 11) & 0x1F);
  *value = static_cast<int>(word & 0x7FF);
  return true;
}

// ---- operations ----

void aqc_send_nak() {
  operator_text("NAK", 0);
  timer_start(EV_INITIATE_INDIVIDUAL_CALL, kOperationDelayMs);
}

void aqc_send_ack() {
  operator_text("ACK", 0);
  timer_start(EV_INITIATE_INDIVIDUAL_CALL, kOperationDelayMs);
}

void aqc_send_req(const char* address) {
  if (address == nullptr || address[0] == '\0') return;
  ale_set_called(address);
  operator_text("REQ", 1);
  timer_start(EV_INITIATE_INDIVIDUAL_CALL, kOperationDelayMs);
  timer_start(EV_TWACK_RESP_TIMER, kReqResponseWaitMs);
}

void aqc_terminate_other(const char* address) {
  if (address == nullptr || address[0] == '\0') return;
  ale_set_called(address);
  AqcTxSettings& s = aqc_tx_settings();
  s.second_flag = 1;
  s.first_flag = 0;
  s.second_code = AQC_CODE_TERMINATE;
  ale_no_reply_set(1);
  timer_start(EV_INITIATE_INDIVIDUAL_CALL, kOperationDelayMs);
}

void aqc_terminate_own() {
  AqcTxSettings& s = aqc_tx_settings();
  s.second_flag = 0;
  s.first_flag = 0;
  ale_set_called("?@?");
  s.second_code = AQC_CODE_TERMINATE;
  ale_no_reply_set(0);
  ale_end_link_set(1);
  timer_start(EV_INITIATE_CLEAR, kOperationDelayMs);
}

void aqc_call_with_amd(const char* const* addresses, int count, const char* text, int ack) {
  AqcTxSettings& s = aqc_tx_settings();
  s.first_flag = ack != 0 ? 1 : 0;
  ale_no_reply_set(ack != 0 ? 0 : 1);
  s.second_flag = 1;
  set_called(addresses, count);
  // The text is a string of dictionary codes: it goes out as coded AMD words, which the
  // receiver expands, not as characters of an ordinary AMD.
  if (text != nullptr && text[0] != '\0') {
    auto* section = new FrameSection;
    section->kind = SECTION_CODED;
    section->bytes.assign(text, text + std::strlen(text));
    if (ale_section_push_traffic(section) == 0) delete section;
  }
  s.second_code = AQC_CODE_DATA;
  start_call();
}

void aqc_send_channel_command(const AqcOrderRequest& request) {
  std::array<const char*, kAqcRequestAddressesMax> list{};
  set_called(request_list(request, list), request.count);
  const std::array<AleWord, 3> words = aqc_channel_definition_words(request.channel);
  queue_order_words(words.data(), 3);
  if (request.channel.channel == 0) {
    ChannelRecord rec{};
    db_copy_channel(0, &rec);
    rec.rx_freq_hz = request.channel.rx_hz;
    rec.tx_freq_hz = request.channel.tx_hz;
    rec.rx_mode = request.channel.rx_mode;
    rec.tx_mode = request.channel.tx_mode;
    db_store_channel(0, rec);
    ale_channel_return_arm();
  }
  order_flags(request.ack);
  start_call();
}

void aqc_send_slot_assignment(const AqcOrderRequest& request) {
  std::array<const char*, kAqcRequestAddressesMax> list{};
  set_called(request_list(request, list), request.count);
  const AleWord word = aqc_slot_assignment_word(request.slot, request.slot_value);
  queue_order_words(&word, 1);
  order_flags(request.ack);
  start_call();
}

}  // namespace vesk

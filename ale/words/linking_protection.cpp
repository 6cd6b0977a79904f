#include "ale/words/linking_protection.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>

#include "ale/words/word_build.h"
#include "ale/words/word_queue.h"
#include "db/ale_chars.h"
#include "db/database.h"
#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"

namespace vesk {

namespace {

constexpr uint8_t kSb[256] = {
    156, 242, 20,  193, 142, 203, 178, 101, 151, 122, 96,  23,  146, 249, 120, 65,  7,   76,  103, 109, 102, 74,
    48,  125, 83,  157, 181, 188, 195, 202, 241, 4,   3,   236, 208, 56,  176, 237, 173, 196, 221, 86,  66,  189,
    160, 222, 27,  129, 85,  68,  90,  228, 80,  220, 67,  99,  9,   92,  116, 207, 14,  171, 29,  61,  107, 2,
    93,  40,  231, 198, 238, 180, 217, 124, 25,  62,  94,  108, 214, 110, 42,  19,  165, 8,   185, 45,  187, 162,
    212, 150, 57,  224, 186, 215, 130, 51,  13,  95,  38,  22,  254, 34,  175, 0,   17,  200, 158, 136, 139, 161,
    123, 135, 39,  230, 199, 148, 209, 91,  155, 240, 159, 219, 225, 141, 210, 31,  106, 144, 244, 24,  145, 89,
    1,   177, 252, 52,  60,  55,  71,  41,  226, 100, 105, 36,  10,  47,  115, 113, 169, 132, 140, 168, 163, 59,
    227, 233, 88,  128, 167, 211, 183, 194, 28,  149, 30,  77,  79,  78,  251, 118, 253, 153, 197, 201, 232, 46,
    138, 223, 245, 73,  243, 111, 143, 229, 235, 246, 37,  213, 49,  192, 87,  114, 170, 70,  104, 11,  147, 137,
    131, 112, 239, 164, 133, 248, 15,  179, 172, 16,  98,  204, 97,  64,  247, 250, 82,  127, 255, 50,  69,  32,
    121, 206, 234, 190, 205, 21,  33,  35,  216, 182, 12,  63,  84,  26,  191, 152, 72,  58,  117, 119, 43,  174,
    54,  218, 126, 134, 53,  81,  5,   18,  184, 166, 154, 44,  6,   75};

struct Inverse {
  uint8_t v[256]{};
  constexpr Inverse() {
    for (int i = 0; i < 256; ++i) v[kSb[i]] = static_cast<uint8_t>(i);
  }
};
constexpr Inverse kInv;

constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

int month_days(int month) { return (month >= 1 && month <= 12) ? kMonthDays[month - 1] : 31; }

void next_minute(LpSeed& s) {
  s.minute = (s.minute + 1) % 1440;
  if (s.minute != 0) return;
  if (++s.day > month_days(s.month)) {
    s.day = 1;
    if (++s.month > 12) s.month = 1;
  }
}

void previous_minute(LpSeed& s) {
  if (--s.minute >= 0) return;
  s.minute = 1439;
  if (--s.day >= 1) return;
  if (--s.month < 1) s.month = 12;
  s.day = month_days(s.month);
}

void next_second(LpSeed& s) {
  if (++s.seconds <= 59) return;
  s.seconds = 0;
  next_minute(s);
}

void previous_second(LpSeed& s) {
  if (--s.seconds >= 0) return;
  s.seconds = 59;
  previous_minute(s);
}

int bcd(int a, int b) { return (a % 10) << 4 | (b % 10); }

AleClock clock_at(int64_t utc_ms) {
  const std::time_t t = static_cast<std::time_t>(utc_ms / 1000);
  std::tm tm{};
  gmtime_r(&t, &tm);
  AleClock c;
  c.ms = static_cast<int32_t>(utc_ms % 1000);
  c.second = tm.tm_sec;
  c.minute = tm.tm_min;
  c.hour = tm.tm_hour;
  c.day = tm.tm_mday;
  c.month = tm.tm_mon;
  c.year = tm.tm_year;
  return c;
}

// The key of the working channel; false when the channel or its key record is missing.
bool channel_key(LpKey* key, int* freq, bool transmit) {
  const int index = db_current_channel_index();
  ChannelRecord ch{};
  if (index < 0 || db_copy_channel(index, &ch) != 0) return false;
  LpKeyRecord rec{};
  if (ch.lp_key < 0 || ch.lp_key >= kLpKeyCount || db_copy_lp_key(ch.lp_key, &rec) != 0 || rec.valid == 0)
    return false;
  *key = lp_key_from_halves(rec.key_high, rec.key_low);
  if (freq != nullptr) *freq = transmit ? db_get_current_tx_freq() : db_get_current_rx_freq();
  return true;
}

int channel_tx_level() {
  const int index = db_current_channel_index();
  ChannelRecord ch{};
  LpKeyRecord rec{};
  if (db_copy_channel(index, &ch) != 0 || db_copy_lp_key(ch.lp_key, &rec) != 0) return 1;
  return (rec.levels & (1 << 2)) != 0 ? 2 : 1;
}

// Whether the word receiver would take a reading, without recording it as the last word taken:
// most readings tried are those of wrong seeds, never handed on.
bool admissible(uint32_t w) {
  bool aqc = false;
  return ale_word_admissible(w, &aqc);
}

// Whether a reading makes sense as one of the words a seed is tried on: the address words of
// calling cycles, leading calls and endings, all of three basic-38 characters. (The word
// receiver's own admission also takes any word with the AQC-ALE bit pattern, half of all random
// readings, which would let most wrong seeds pass.)
bool reading_makes_sense(uint32_t w) {
  return ale_char_in_38set(ale_word_char1(w)) && ale_char_in_38set(ale_word_char2(w)) &&
         ale_char_in_38set(ale_word_char3(w)) && admissible(w);
}

// An AQC-ALE station also reads AQC-ALE address words: an address preamble, the AQC-ALE bit
// pattern and three base-40 characters (a value below 40 cubed).
bool aqc_reading_makes_sense(uint32_t w) {
  if (db_get_aqc_mode() == 0 || !ale_word_aqc_pattern(w)) return false;
  const uint32_t type = ale_word_type(w);
  if (type != ALE_TO && type != ALE_TIS && type != ALE_TWAS && type != ALE_THRU && type != ALE_FROM) return false;
  return ((w >> 4) & 0xFFFF) < 40 * 40 * 40 && admissible(w);
}

// Tries a seed on a word: packs it, deciphers, tests. The reading goes to the seed's last word.
bool try_seed(LpSeed& seed, const LpKey& key, uint32_t word) {
  lp_seed_pack(seed);
  seed.last = seed.level == 0 ? (word & kAleWordBits) : lp_decrypt_word(word, key, seed.packed);
  return reading_makes_sense(seed.last) || aqc_reading_makes_sense(seed.last);
}

uint32_t decipher(LpSeed& seed, const LpKey& key, uint32_t word) {
  lp_seed_pack(seed);
  seed.last = seed.level == 0 ? (word & kAleWordBits) : lp_decrypt_word(word, key, seed.packed);
  return seed.last;
}

bool aqc_from_reading(uint32_t w) {
  return db_get_aqc_mode() != 0 && ale_word_type(w) == ALE_FROM && ale_word_aqc_pattern(w);
}

// The first word of an AQC-ALE address pair (any address word but FROM).
bool aqc_pair_first(uint32_t w) {
  const uint32_t type = ale_word_type(w);
  return aqc_reading_makes_sense(w) && type != ALE_FROM;
}

// Tries a seed on the word after `previous`, read under the same seed: after the first word of
// an AQC-ALE pair only its FROM word makes sense (a wrong seed reads some address word far
// more often than a FROM word).
bool try_seed_after(LpSeed& seed, const LpKey& key, uint32_t word, uint32_t previous) {
  if (!try_seed(seed, key, word)) return false;
  return !aqc_pair_first(previous) || aqc_from_reading(seed.last);
}

// The address an AQC-ALE pair spells (its base-40 characters, the fill '@' dropped from the
// end), and whether this station knows it: one of its own, another station's or a net's.
bool aqc_pair_known(uint32_t first, uint32_t from) {
  if (!aqc_pair_first(first) || !aqc_from_reading(from)) return false;
  static constexpr char kDigits[] = "*0123456789?@ABCDEFGHIJKLMNOPQRSTUVWXYZ-";
  std::string six;
  for (const uint32_t w : {first, from}) {
    const uint32_t value = (w >> 4) & 0xFFFF;
    if (value >= 40 * 40 * 40) return false;
    six += kDigits[value / 1600];
    six += kDigits[value / 40 % 40];
    six += kDigits[value % 40];
  }
  const std::string address = six[0] == '@' ? six.substr(0, 3) : six.substr(0, six.find('@'));
  return !address.empty() && (db_find_own_address_index(address.c_str()) >= 0 ||
                              db_find_other_address_index(address.c_str()) >= 0 ||
                              db_find_net_index(address.c_str()) >= 0);
}

bool ending_word(uint32_t w) { return ale_word_type(w) == ALE_TIS || ale_word_type(w) == ALE_TWAS; }

// The candidates for now on the working channel (rebuilt once a second or on a new channel).
void refresh_candidates(LpRxState& r) {
  const int64_t now_ms = station().clock().utc_ms();
  const int channel = db_current_channel_index();
  if (now_ms / 1000 == r.key_second && channel == r.key_channel) return;
  r.key_second = now_ms / 1000;
  r.key_channel = channel;
  int freq = 0;
  r.key_ok = channel_key(&r.key, &freq, false);
  AleClock now = clock_at(now_ms - now_ms % 1000);
  if (!r.key_ok) now = AleClock{};  // a zero time: no seed of a missing key reads a word
  lp_build_candidates(r.candidates, now, freq);
}

void parser_end() { ale_post_parser_end(); }

void log_unreadable(LpRxState& r) {
  const int64_t now = station().clock().mono_ms();
  if (now - r.unreadable_logged_ms < 60000) return;
  r.unreadable_logged_ms = now;
  log_printf("[%s][%s][LP: PROTECTED WORDS HEARD THAT THIS CHANNEL'S KEY DOES NOT READ]\n", log_time_stamp().c_str(),
             log_current_channel_stamp().c_str());
}

void take_mailbox(LpRxState& r) {
  const int64_t m = r.mailbox.exchange(-1, std::memory_order_acq_rel);
  if (m < 0) return;
  r.state = static_cast<int>(m & 0xFF);
  r.count = static_cast<int>(m >> 8);
}

void post_mailbox(int state, int count) {
  lp_rx_state().mailbox.store(static_cast<int64_t>(count) << 8 | state, std::memory_order_release);
}

// Search: all nine candidates on the word.
void search(LpRxState& r, uint32_t word) {
  refresh_candidates(r);
  r.match_count = 0;
  for (int i = 0; i < kLpCandidates; ++i)
    if (try_seed(r.candidates[static_cast<std::size_t>(i)], r.key, word)) r.matches[static_cast<std::size_t>(r.match_count++)] = i;
  if (r.match_count == 0) {
    parser_end();
    return;
  }
  auto word_of = [&r](int m) { return r.candidates[static_cast<std::size_t>(r.matches[static_cast<std::size_t>(m)])].last; };
  if (r.match_count == 1) {
    r.current = r.matches[0];
    r.state = ending_word(word_of(0)) ? LP_RX_ENDING : LP_RX_CALLING;
    return;
  }
  int chosen = -1;
  for (uint32_t type : {static_cast<uint32_t>(ALE_TO), static_cast<uint32_t>(ALE_THRU), static_cast<uint32_t>(ALE_TWAS)}) {
    for (int m = 0; m < r.match_count && chosen < 0; ++m)
      if (ale_word_type(word_of(m)) == type) chosen = m;
    if (chosen >= 0) break;
  }
  if (chosen < 0) chosen = r.match_count - 1;
  r.current = r.matches[static_cast<std::size_t>(chosen)];
  r.state = LP_RX_SEVERAL;
}

void several(LpRxState& r, uint32_t word) {
  std::array<uint32_t, kLpCandidates> before{};  // each seed's reading of the word before
  const int handed = r.current;
  int kept = 0;
  for (int m = 0; m < r.match_count; ++m) {
    const int i = r.matches[static_cast<std::size_t>(m)];
    LpSeed& c = r.candidates[static_cast<std::size_t>(i)];
    const uint32_t previous = c.last;
    before[static_cast<std::size_t>(i)] = previous;
    bool pass;
    if (c.word == 0) {
      c.word = 1;
      pass = try_seed_after(c, r.key, word, previous);
    } else {
      c.word = 0;
      pass = try_seed(c, r.key, word);
      if (!pass) {
        c.word = 2;
        pass = try_seed(c, r.key, word);
      }
      if (!pass) {
        lp_seed_next_step(c);
        pass = try_seed(c, r.key, word);
      }
    }
    if (pass) r.matches[static_cast<std::size_t>(kept++)] = i;
  }
  r.match_count = kept;
  if (kept == 0) {
    parser_end();
    return;
  }
  auto reading = [&r](int i) { return r.candidates[static_cast<std::size_t>(i)].last; };
  auto previous = [&before](int i) { return before[static_cast<std::size_t>(i)]; };
  if (kept > 1) {
    // An AQC-ALE pair that several seeds read: the one under which it spells an address this
    // station knows, when only one does.
    int known = -1, count = 0;
    for (int m = 0; m < kept; ++m) {
      const int i = r.matches[static_cast<std::size_t>(m)];
      if (aqc_pair_known(previous(i), reading(i))) {
        known = i;
        ++count;
      }
    }
    if (count == 1) {
      r.matches[0] = known;
      kept = r.match_count = 1;
    }
  }
  // The reading handed on is that of a seed still in the running.
  if (kept == 1 || std::find(r.matches.begin(), r.matches.begin() + kept, r.current) == r.matches.begin() + kept)
    r.current = r.matches[0];
  const uint32_t w = reading(r.current);
  const uint32_t first = previous(r.current);
  // A pair's FROM word read under another seed than the one whose reading of the first word
  // was handed on: this seed's reading of that word replaces it.
  if (r.current != handed && aqc_pair_first(first) && aqc_from_reading(w)) r.corrected = first;
  if (kept > 1) return;
  if (aqc_from_reading(w) && aqc_pair_first(first) && ale_word_type(first) == ALE_THRU)
    r.state = LP_RX_AFTER;  // the message words of an in-link frame go on under its seed
  else if (ending_word(w))
    r.state = LP_RX_ENDING;
  else if (ale_word_type(w) == ALE_DATA && r.last_handed == 0x400000)
    r.state = LP_RX_FOLLOWING;
  else
    r.state = LP_RX_CALLING;
}

void calling(LpRxState& r, uint32_t word) {
  LpSeed& c = r.candidates[static_cast<std::size_t>(r.current)];
  const uint32_t previous = c.last;
  if (c.word == 1) {
    // A new calling cycle or address pair under a fresh seed, of this step or the next.
    LpSeed same = c, next = c;
    same.word = 0;
    lp_seed_next_step(next);
    const bool same_reads = try_seed(same, r.key, word), next_reads = try_seed(next, r.key, word);
    r.alternate_kept = same_reads && next_reads;
    if (r.alternate_kept) r.alternate = next;  // decided by the pair's FROM word
    if (same_reads) {
      c = same;
    } else if (next_reads) {
      c = next;
    } else {
      c.word = 2;
      decipher(c, r.key, word);
      r.state = LP_RX_AFTER;
      return;
    }
  } else {
    c.word = 1;
    bool pass = try_seed_after(c, r.key, word, previous);
    if (r.alternate_kept) {
      // Both seeds read the pair's first word: the one under which its FROM word reads is
      // the sender's (when both do, the one under which the pair spells an address this
      // station knows), and its reading of the first word replaces the one handed on.
      r.alternate_kept = false;
      LpSeed other = r.alternate;
      other.word = 1;
      if (try_seed_after(other, r.key, word, r.alternate.last) &&
          (!pass || (!aqc_pair_known(previous, c.last) && aqc_pair_known(r.alternate.last, other.last)))) {
        r.corrected = r.alternate.last;
        c = other;
        pass = true;
      }
    }
    if (!pass) {
      r.state = LP_RX_SEARCH;
      return;
    }
  }
  const uint32_t type = ale_word_type(c.last);
  // An AQC-ALE FROM word ends an address pair: the next pair comes under a fresh seed; after
  // the pair of a THRU word (the last of an in-link frame) the message words go on under its
  // seed.
  if (aqc_from_reading(c.last) && aqc_pair_first(previous) && ale_word_type(previous) == ALE_THRU)
    r.state = LP_RX_AFTER;
  else if ((type == ALE_FROM && !aqc_from_reading(c.last)) || type == ALE_CMD)
    r.state = LP_RX_SEARCH;
  else if (type == ALE_TIS || type == ALE_TWAS)
    r.state = LP_RX_ENDING;
  else if (type == ALE_DATA)
    r.state = (c.word == 1 && ale_word_type(r.last_handed) == ALE_TO) ? LP_RX_FOLLOWING : LP_RX_ENDING;
}

void ending(LpRxState& r, uint32_t word) {
  LpSeed& c = r.candidates[static_cast<std::size_t>(r.current)];
  if (c.word == 1) {
    c.word = 0;
    if (try_seed(c, r.key, word)) return;
    LpSeed copy = c;
    lp_seed_next_step(copy);
    if (try_seed(copy, r.key, word)) {
      c = copy;
      return;
    }
    parser_end();
    return;
  }
  c.word = 1;
  if (!try_seed(c, r.key, word)) parser_end();
}

}  // namespace

uint32_t lp_encrypt_word(uint32_t word, const LpKey& key, const std::array<uint8_t, 8>& seed) {
  unsigned a = (word >> 16) & 0xFF, m = (word >> 8) & 0xFF, l = word & 0xFF;
  int k = 0, s = 0;
  auto step = [&k, &s] {
    k = (k + 1) % 7;
    s = (s + 1) % 8;
  };
  for (int round = 0; round < 8; ++round) {
    a = kSb[(a ^ m ^ key[static_cast<std::size_t>(k)] ^ seed[static_cast<std::size_t>(s)]) & 0xFF];
    step();
    l = kSb[(l ^ m ^ key[static_cast<std::size_t>(k)] ^ seed[static_cast<std::size_t>(s)]) & 0xFF];
    step();
    m = kSb[(a ^ m ^ l ^ key[static_cast<std::size_t>(k)] ^ seed[static_cast<std::size_t>(s)]) & 0xFF];
    step();
  }
  return a << 16 | m << 8 | l;
}

uint32_t lp_decrypt_word(uint32_t word, const LpKey& key, const std::array<uint8_t, 8>& seed) {
  unsigned a = (word >> 16) & 0xFF, m = (word >> 8) & 0xFF, l = word & 0xFF;
  int k = 3, s = 0;
  auto step = [&k, &s] {
    k = (k + 6) % 7;
    s = (s + 7) % 8;
  };
  for (int round = 0; round < 8; ++round) {
    step();
    m = (kInv.v[m] ^ a ^ l ^ key[static_cast<std::size_t>(k)] ^ seed[static_cast<std::size_t>(s)]) & 0xFF;
    step();
    l = (kInv.v[l] ^ m ^ key[static_cast<std::size_t>(k)] ^ seed[static_cast<std::size_t>(s)]) & 0xFF;
    step();
    a = (kInv.v[a] ^ m ^ key[static_cast<std::size_t>(k)] ^ seed[static_cast<std::size_t>(s)]) & 0xFF;
  }
  return a << 16 | m << 8 | l;
}

void lp_seed_pack(LpSeed& s) {
  // The seconds field as the level packs it (the seed keeps its own seconds for its steps).
  const int seconds = s.level == 1 ? 63 : (s.level == 2 ? (s.seconds & ~1) : s.seconds);
  const int f = s.freq;
  auto& p = s.packed;
  p[0] = static_cast<uint8_t>((s.month & 0xF) << 4 | ((s.day >> 1) & 0xF));
  p[1] = static_cast<uint8_t>((s.day & 1) << 7 | ((s.minute >> 4) & 0x7F));
  p[2] = static_cast<uint8_t>((s.minute & 0xF) << 4 | ((seconds >> 2) & 0xF));
  p[3] = static_cast<uint8_t>((seconds & 3) << 6 | ((s.word >> 2) & 0x3F));
  p[4] = static_cast<uint8_t>((s.word & 3) << 6 | ((f / 100000000) & 0x3F));
  p[5] = static_cast<uint8_t>(bcd(f / 10000000, f / 1000000));
  p[6] = static_cast<uint8_t>(bcd(f / 100000, f / 10000));
  p[7] = static_cast<uint8_t>(bcd(f / 1000, f / 100));
}

void lp_seed_set_time(LpSeed& s, const AleClock& c) {
  s.month = c.month + 1;
  s.day = c.day;
  s.minute = c.hour * 60 + c.minute;
  s.seconds = c.second;
  s.fortieths = c.ms / 40;
  s.word = 0;
}

void lp_seed_advance(LpSeed& s) {
  int words;
  switch (s.level) {
    case 0: return;
    case 1: words = 154; break;
    case 2: words = 6; break;
    case 3:
    case 4: words = 3; break;
    default: std::printf("Unknown LP Level.\n"); return;
  }
  s.word = (s.word + 1) % words;
  if (s.word == 0) lp_seed_next_step(s);
}

void lp_seed_next_step(LpSeed& s) {
  switch (s.level) {
    case 1: next_minute(s); break;
    case 2:
    case 3:
      next_second(s);
      next_second(s);
      break;
    case 4: next_second(s); break;
    default: break;
  }
  s.word = 0;
}

void lp_seed_previous_step(LpSeed& s) {
  switch (s.level) {
    case 1: previous_minute(s); break;
    case 2:
    case 3:
      previous_second(s);
      previous_second(s);
      break;
    case 4: previous_second(s); return;  // keeps its word number
    default: break;
  }
  s.word = 0;
}

LpKey lp_key_from_halves(int32_t high, int32_t low) {
  const auto h = static_cast<uint32_t>(high), l = static_cast<uint32_t>(low);
  return {static_cast<uint8_t>(h >> 16), static_cast<uint8_t>(h >> 8), static_cast<uint8_t>(h),
          static_cast<uint8_t>(l >> 24), static_cast<uint8_t>(l >> 16), static_cast<uint8_t>(l >> 8),
          static_cast<uint8_t>(l)};
}

void lp_build_candidates(std::array<LpSeed, kLpCandidates>& out, const AleClock& now, int freq) {
  LpSeed base;
  base.freq = freq;
  lp_seed_set_time(base, now);
  struct Row {
    int level, step, word;
  };
  constexpr Row kRows[kLpCandidates] = {{0, 0, 0},  {2, 0, 0}, {2, 0, 1}, {2, 1, 0}, {2, 1, 1},
                                        {2, -1, 0}, {2, -1, 1}, {1, 0, 0}, {1, 0, 1}};
  for (int i = 0; i < kLpCandidates; ++i) {
    LpSeed s = base;
    s.level = kRows[i].level;
    if (kRows[i].step > 0) lp_seed_next_step(s);
    if (kRows[i].step < 0) lp_seed_previous_step(s);
    s.word = kRows[i].word;
    lp_seed_pack(s);
    out[static_cast<std::size_t>(i)] = s;
  }
}

LpTxState& lp_tx_state() { return station().state<LpTxState>(); }
LpRxState& lp_rx_state() { return station().state<LpRxState>(); }

uint32_t lp_tx_word(uint32_t word, bool* ok) {
  *ok = true;
  if (db_get_lp() == 0) return word & kAleWordBits;
  LpTxState& t = lp_tx_state();
  std::lock_guard<std::mutex> hold(t.lock);
  const int tag = ale_word_tag(word);
  if (tag == 1 || tag == 3) {
    int freq = 0;
    t.ready = channel_key(&t.key, &freq, true);
    t.refused = !t.ready;
    if (!t.ready) {
      log_printf("[%s][%s][LP ERROR: NO VALID KEY FOR THIS CHANNEL, NOTHING SENT]\n", log_time_stamp().c_str(),
                 log_current_channel_stamp().c_str());
    } else {
      t.seed = LpSeed{};
      t.seed.level = channel_tx_level();
      t.seed.freq = freq;
      lp_seed_set_time(t.seed, clock_at(station().clock().utc_ms() + ale_tx_queued_ms() + ALE_WORD_MS));
    }
  }
  // Without a key for this frame nothing goes out, in clear or under an old key.
  if (!t.ready) {
    *ok = false;
    return 0;
  }
  switch (tag) {
    case 0:
      lp_seed_advance(t.seed);
      return word & kAleWordBits;
    case 1:
    case 3: break;
    case 2: t.seed.word = 1; break;
    case 4:
    case 5: lp_seed_advance(t.seed); break;
    default: return word & kAleWordBits;
  }
  lp_seed_pack(t.seed);
  return lp_encrypt_word(word & kAleWordBits, t.key, t.seed.packed);
}

bool lp_tx_frame_refused() {
  if (db_get_lp() == 0) return false;
  LpTxState& t = lp_tx_state();
  std::lock_guard<std::mutex> hold(t.lock);
  return t.refused;
}

bool lp_rx_trial(uint32_t word, uint32_t* out) {
  *out = word & kAleWordBits;
  if (db_get_lp() == 0) return ale_word_acceptable(*out);
  LpRxState& r = lp_rx_state();
  refresh_candidates(r);
  for (LpSeed seed : r.candidates) {
    if (try_seed(seed, r.key, word)) {
      *out = seed.last;
      return true;
    }
  }
  // A well-received word that no seed of this channel's key reads: protected traffic under
  // another key (or a garbled word; the line is written at most once a minute).
  if (r.key_ok) log_unreadable(r);
  return false;
}

uint32_t lp_rx_word(uint32_t word) {
  word &= kAleWordBits;
  if (db_get_lp() == 0) return word;
  LpRxState& r = lp_rx_state();
  take_mailbox(r);
  bool clear = false;  // handed on as it came
  const int entered = r.state;
  switch (r.state) {
    case LP_RX_SEARCH: search(r, word); break;
    case LP_RX_SEVERAL: several(r, word); break;
    case LP_RX_CALLING:
      if (r.current >= 0) calling(r, word);
      break;
    case LP_RX_FOLLOWING:
    case LP_RX_AFTER:
      if (r.current >= 0) {
        LpSeed& c = r.candidates[static_cast<std::size_t>(r.current)];
        lp_seed_advance(c);
        decipher(c, r.key, word);
      }
      break;
    case LP_RX_ENDING:
      if (r.current >= 0) ending(r, word);
      break;
    case LP_RX_TEXT:
      if (r.current >= 0) {
        LpSeed& c = r.candidates[static_cast<std::size_t>(r.current)];
        lp_seed_advance(c);
        if (ale_text_word_valid(word)) {
          c.last = word;
          clear = true;
        } else {
          decipher(c, r.key, word);
          r.state = LP_RX_AFTER;
        }
      }
      break;
    case LP_RX_DTM_WORDS:
    case LP_RX_DBM_GROUPS:
      if (r.current >= 0) {
        LpSeed& c = r.candidates[static_cast<std::size_t>(r.current)];
        lp_seed_advance(c);
        if (r.count > 0) {
          --r.count;
          c.last = word;
          clear = true;
        } else {
          decipher(c, r.key, word);
          r.state = LP_RX_AFTER;
        }
      }
      break;
    default: break;
  }
  (void)clear;
  if (r.current < 0) return word;
  const LpSeed& c = r.candidates[static_cast<std::size_t>(r.current)];
  // While several seeds read the frame's first words the one handed on may change: the kind
  // of word taken (141A or AQC-ALE) is that of its reading.
  if (entered == LP_RX_SEVERAL && r.match_count > 0) (void)ale_word_acceptable(c.last);
  r.display_level.store(c.level, std::memory_order_relaxed);
  r.last_handed = c.last;
  return c.last;
}

int lp_build_time_words(int sub_kind, AleWord* out, int room) {
  if (out == nullptr || room < 3) return 0;
  const AleClock c = clock_at(station().clock().utc_ms() + ale_tx_queued_ms() + ALE_WORD_MS);
  const int minute = c.hour * 60 + c.minute;
  const AleWord words[3] = {
      static_cast<AleWord>(ALE_CMD) << kAlePreambleShift | 126u << 14 |
          static_cast<AleWord>(db_minute_counter_class() & 7) << 11 | static_cast<AleWord>(c.second & 63) << 5 |
          static_cast<AleWord>((c.ms / 40) & 31),
      static_cast<AleWord>(ALE_DATA) << kAlePreambleShift | static_cast<AleWord>((c.month + 1) & 15) << 16 |
          static_cast<AleWord>(c.day & 31) << 11 | static_cast<AleWord>(minute & 0x7FF),
      static_cast<AleWord>(ALE_REP) << kAlePreambleShift,
  };
  for (int i = 0; i < 3; ++i) {
    ale_crc_add_word(words[i]);
    out[i] = sub_kind <= 2 ? ale_word_with_tag(words[i], 5) : words[i];
  }
  return 3;
}

uint32_t lp_rx_take_correction() {
  if (db_get_lp() == 0) return 0;
  LpRxState& r = lp_rx_state();
  const uint32_t w = r.corrected;
  r.corrected = 0;
  return w;
}

void lp_rx_expect_text() { post_mailbox(LP_RX_TEXT, 0); }
void lp_rx_expect_words(int n) { post_mailbox(LP_RX_DTM_WORDS, std::max(n, 0)); }
void lp_rx_expect_following() { post_mailbox(LP_RX_AFTER, 0); }
void lp_rx_expect_groups(int n) { post_mailbox(LP_RX_DBM_GROUPS, std::max(n, 0)); }

void lp_rx_reset() {
  LpRxState& r = lp_rx_state();
  r.mailbox.store(-1, std::memory_order_release);
  r.state = LP_RX_SEARCH;
  r.count = 0;
  r.alternate_kept = false;
  r.corrected = 0;
}

int lp_display_level() { return db_get_lp() != 0 ? lp_rx_state().display_level.load(std::memory_order_relaxed) : 0; }

void lp_init() {
  LpRxState& r = lp_rx_state();
  lp_rx_reset();
  r.current = -1;
  r.key_second = -1;
  std::lock_guard<std::mutex> hold(lp_tx_state().lock);
  lp_tx_state().ready = false;
}

}  // namespace vesk

// The steps a radio is handed back with when the station closes: each radio type's row names
// one of the lists below (`RadioTypeRow::shutdown_steps`), and radio/radio_shutdown.cpp runs
// it. Types whose release depends on their driver's state (remote control, a stored level, a
// pacing buffer, a command file, a library) release through their family's operations.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vesk {

// One step of a release. Steps marked `af` run only when the station mutes by command (they
// restore the normal audio level L).
enum class ShutdownKind : uint8_t {
  CivSplitOff,     // CI-V 0F 00
  CivAfGain,       // CI-V 14 01 with L
  KenwoodVfoA,     // FR0;
  KenwoodTxVfoA,   // FT0;
  KenwoodAf,       // AG0 + L as three digits + ';' for the newer models only
  Bytes,           // fixed bytes, through the queue
  Level3,          // text + L as three digits + tail
  LevelByte,       // text + L as one byte + tail
  Level255Now,     // text + the low eight bits of L x 2.55 + tail, written at once past the queue
  Picoa,           // "$PICOA,90,0" + the type's id digit + text, "*" + checksum when tail is "*"
  Pause,           // 200 ms
  FamilyAf,        // the family's audio level command with L (it keeps the radio's state)
  FamilyMuteOff,   // the family's muting off at L (a radio that restores its own level)
  FamilyShutdown,  // the family's own shut-down step
};

struct ShutdownStep {
  ShutdownKind kind = ShutdownKind::Pause;
  bool af = false;
  const char* text = nullptr;  // Bytes, Level*, Picoa: the bytes before the level
  uint8_t length = 0;
  const char* tail = nullptr;  // Level*, Picoa: the bytes after it
  uint8_t tail_length = 0;
};

namespace shutdown_step {

template <std::size_t N>
constexpr ShutdownStep bytes(const char (&b)[N], bool af = false) {
  return ShutdownStep{ShutdownKind::Bytes, af, b, static_cast<uint8_t>(N - 1)};
}
template <std::size_t N, std::size_t M>
constexpr ShutdownStep level(ShutdownKind kind, const char (&b)[N], const char (&t)[M]) {
  return ShutdownStep{kind, true, b, static_cast<uint8_t>(N - 1), t, static_cast<uint8_t>(M - 1)};
}

inline constexpr ShutdownStep kPause{ShutdownKind::Pause};
inline constexpr ShutdownStep kCivSplitOff{ShutdownKind::CivSplitOff};
inline constexpr ShutdownStep kCivAf{ShutdownKind::CivAfGain, true};
inline constexpr ShutdownStep kYaesuAf = level(ShutdownKind::Level3, "AG0", ";");
inline constexpr ShutdownStep kStarU = level(ShutdownKind::LevelByte, "*U", "\r");
inline constexpr ShutdownStep kYaesuOff = bytes("\x00\x00\x00\x00\x80");
inline constexpr ShutdownStep kYaesuSplitOff = bytes("\x00\x00\x00\x00\x01");
inline constexpr ShutdownStep kPicoaSpeakerOn{ShutdownKind::Picoa, true, ",SP,ON", 6};
inline constexpr ShutdownStep kPicoaRemoteOff{ShutdownKind::Picoa, false, ",REMOTE,OFF", 11, "*", 1};
inline constexpr ShutdownStep kFamilyAf{ShutdownKind::FamilyAf, true};
inline constexpr ShutdownStep kFamilyMuteOff{ShutdownKind::FamilyMuteOff, true};
inline constexpr ShutdownStep kFamilyShutdown{ShutdownKind::FamilyShutdown};

}  // namespace shutdown_step

// The release lists, named after the radios that share them.
inline constexpr ShutdownStep kReleaseCodan[] = {shutdown_step::bytes("mute off\r", true)};
inline constexpr ShutdownStep kReleaseCivAf[] = {shutdown_step::kCivAf};
inline constexpr ShutdownStep kReleaseCivSplitOffAf[] = {shutdown_step::kCivSplitOff, shutdown_step::kCivAf};
inline constexpr ShutdownStep kReleaseCivSplitOff[] = {shutdown_step::kCivSplitOff};
inline constexpr ShutdownStep kReleaseCivSplitOffPause[] = {shutdown_step::kCivSplitOff, shutdown_step::kPause};
inline constexpr ShutdownStep kReleaseIcomMarine[] = {shutdown_step::kPicoaSpeakerOn,
                                                      ShutdownStep{ShutdownKind::Pause, true},
                                                      shutdown_step::kPicoaRemoteOff, shutdown_step::kPause};
inline constexpr ShutdownStep kReleaseK505dsp[] = {shutdown_step::level(ShutdownKind::Level255Now, "\x02V", "\x03")};
inline constexpr ShutdownStep kReleaseKenwood[] = {ShutdownStep{ShutdownKind::KenwoodVfoA}, shutdown_step::kPause,
                                                   ShutdownStep{ShutdownKind::KenwoodTxVfoA}, shutdown_step::kPause,
                                                   ShutdownStep{ShutdownKind::KenwoodAf, true}};
inline constexpr ShutdownStep kReleaseYaesuTextAf[] = {shutdown_step::kYaesuAf};
inline constexpr ShutdownStep kReleaseYaesuOff[] = {shutdown_step::kYaesuOff};
inline constexpr ShutdownStep kReleaseFt757[] = {shutdown_step::bytes("\x00\x00\x00\x00\x04")};
inline constexpr ShutdownStep kReleaseFt767[] = {shutdown_step::bytes("\x00\x00\x00\x01\x00")};
inline constexpr ShutdownStep kReleaseFt817[] = {shutdown_step::bytes("\x01\x00\x00\x00\x07"),
                                                 shutdown_step::kYaesuOff};
inline constexpr ShutdownStep kReleaseYaesuSplitOff[] = {shutdown_step::kYaesuSplitOff};
inline constexpr ShutdownStep kReleaseFt980[] = {shutdown_step::bytes("\x00\x00\x00\x00\x00")};
inline constexpr ShutdownStep kReleaseFt1000mpQss[] = {
    shutdown_step::bytes("\x00\x00\x00\x00\x83"), shutdown_step::kPause, shutdown_step::kYaesuSplitOff,
    shutdown_step::kPause, shutdown_step::bytes("\x00\x00\x00\x00\x05")};
inline constexpr ShutdownStep kReleaseFrg8800[] = {shutdown_step::bytes("\x00\x00\x00\x80\x00")};
inline constexpr ShutdownStep kReleaseVr5000[] = {shutdown_step::bytes("\x80\x00\x00\x00\x00")};
inline constexpr ShutdownStep kReleaseRemoteOffH0[] = {shutdown_step::bytes("H0\r")};
inline constexpr ShutdownStep kReleaseHf90m[] = {shutdown_step::bytes("\x1B\x1B\x1B")};
inline constexpr ShutdownStep kReleaseRf350Alk[] = {
    shutdown_step::bytes("(1\n", true), ShutdownStep{ShutdownKind::Pause, true}, shutdown_step::bytes(",0\n"),
    shutdown_step::kPause, shutdown_step::bytes("'1\n"), shutdown_step::kPause, shutdown_step::bytes("\"1\n"),
    shutdown_step::kPause};
inline constexpr ShutdownStep kReleaseRf350Kwt[] = {shutdown_step::bytes("$1,Q1\r")};
inline constexpr ShutdownStep kReleaseStarU[] = {shutdown_step::kStarU};
inline constexpr ShutdownStep kReleaseTt588Rad[] = {shutdown_step::kStarU, shutdown_step::bytes("*C1A\x00\r")};
inline constexpr ShutdownStep kReleaseTt550[] = {shutdown_step::level(ShutdownKind::Level255Now, "V", "\r")};
inline constexpr ShutdownStep kReleaseRa6790gm[] = {shutdown_step::bytes("$1*S1\r")};
inline constexpr ShutdownStep kReleaseRa6830jd[] = {shutdown_step::bytes("$85*S1\r")};
inline constexpr ShutdownStep kReleasePcr[] = {shutdown_step::bytes("J407F\n", true), shutdown_step::bytes("H100\n")};
inline constexpr ShutdownStep kReleaseR3030Stx1[] = {shutdown_step::bytes("\x02" "01X0\r")};
inline constexpr ShutdownStep kReleaseR3030Stx2[] = {shutdown_step::bytes("\x02\x02" "01X0\r")};
inline constexpr ShutdownStep kReleaseR3030Stx3[] = {shutdown_step::bytes("\x02\x02\x02" "01X0\r")};
inline constexpr ShutdownStep kReleaseRemoteOffR0[] = {shutdown_step::bytes("$1*R0\r")};
inline constexpr ShutdownStep kReleaseTci8174[] = {shutdown_step::level(ShutdownKind::Level3, "{An3", "  }")};
inline constexpr ShutdownStep kReleaseR2411u[] = {shutdown_step::bytes("\x02" "1T\r")};
inline constexpr ShutdownStep kReleaseLcr2000[] = {shutdown_step::bytes("\x02" "001X0\r")};
inline constexpr ShutdownStep kReleaseEk2000[] = {shutdown_step::bytes("A00REM1\n")};
inline constexpr ShutdownStep kReleaseFamilyAfShutdown[] = {shutdown_step::kFamilyAf, shutdown_step::kFamilyShutdown};
inline constexpr ShutdownStep kReleaseFamilyMuteOff[] = {shutdown_step::kFamilyMuteOff};
inline constexpr ShutdownStep kReleaseFamilyMuteOffShutdown[] = {shutdown_step::kFamilyMuteOff,
                                                                 shutdown_step::kFamilyShutdown};
inline constexpr ShutdownStep kReleaseFamilyShutdown[] = {shutdown_step::kFamilyShutdown};

}  // namespace vesk

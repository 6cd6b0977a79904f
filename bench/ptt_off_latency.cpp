// How long `ptt_off` (the audio thread's release at the end of every transmission) holds its
// caller when the radio's port has stalled: the radio port is a pseudo-terminal whose other
// end never reads, filled until the device takes no more, so every unkey is either kept by
// the port or queued behind the stalled one. Prints the call times for a CAT-keyed Kenwood
// and an RTS-keyed Icom radio.
// Before pty.h, whose termios macros (ECHO) would clash with option names.
#include "db/options.h"

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "db/log.h"
#include "platform/station.h"
#include "radio/drivers/radio_types.h"
#include "radio/keying.h"
#include "radio/serial_output.h"
#include "radio/serial_queue.h"

using namespace vesk;

namespace {

using SteadyClock = std::chrono::steady_clock;

void run(const char* label, int radio_type, int rts_ptt, const std::string& device) {
  db_set_radio_type(radio_type);
  db_set_rts_ptt(rts_ptt);
  SerialPort& radio = serial_control(SERIAL_ROLE_RADIO);
  radio.close();
  radio.set_port_number(1);
  if (radio.open() != 0) {
    std::printf("cannot open %s: %s\n", device.c_str(), radio.last_error().c_str());
    return;
  }
  // Stall: write until the device keeps bytes back.
  std::vector<uint8_t> block(4096, 'x');
  for (int i = 0; i < 64; ++i) radio.output(block.data(), static_cast<int>(block.size()));
  serial_queue_reset(SQ_RADIO);  // an empty radio queue, without the radio set-up (it would reopen the port)
  std::vector<double> us;
  for (int i = 0; i < 2000; ++i) {
    const auto t0 = SteadyClock::now();
    ptt_off();
    us.push_back(std::chrono::duration<double, std::micro>(SteadyClock::now() - t0).count());
    if (i % 100 == 99) serial_queue_reset(SQ_RADIO);  // keep the queue from filling up
  }
  std::sort(us.begin(), us.end());
  std::printf("%-28s ptt_off: median %.1f us, p99 %.1f us, max %.1f us (%zu calls)\n", label, us[us.size() / 2],
              us[us.size() * 99 / 100], us.back(), us.size());
}

}  // namespace

int main() {
  int master = -1, slave = -1;
  char name[128];
  if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
    std::printf("no pseudo-terminal\n");
    return 1;
  }
  const auto dir = std::filesystem::temp_directory_path() / ("ptt_off_bench." + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "PORTS.MAP") << "1 " << name << "\n";
  {
    Station st(dir);
    StationScope scope(st);
    log_set_sink([](LogText, const std::string&) {});
    serial_timer_hooks().start = [](int, int) {};
    serial_timer_hooks().stop = [](int) {};
    run("KENWOOD, CAT keying", DB_KENWOOD, 0, name);
    run("IC-7000, RTS keying", DB_IC7000, 1, name);
  }
  std::filesystem::remove_all(dir);
  close(master);
  close(slave);
  return 0;
}

// TCP host port: the reply latency per line seen by a client, and the audio path's longest
// pause between processed capture blocks with and without an echo client attached while log
// lines pour out (a writer never waits on the network). Prints its figures; asserts nothing.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "command/host_port.h"
#include "db/log.h"
#include "db/options.h"
#include "modem/sound_card.h"
#include "platform/station.h"
#include "ui/station_app.h"

namespace {

using WallClock = std::chrono::steady_clock;

int connect_to(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Reads until `text` has come; false when the connection ends first.
bool read_until(int fd, const std::string& text, std::string* got) {
  char buf[4096];
  while (got->find(text) == std::string::npos) {
    const ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return false;
    got->append(buf, static_cast<std::size_t>(n));
  }
  return true;
}

// The longest time in ms between two counts of processed capture blocks over `seconds`.
double longest_audio_pause_ms(double seconds) {
  vesk::SoundCardState& card = vesk::sound_card();
  const auto end = WallClock::now() + std::chrono::duration<double>(seconds);
  int64_t last = card.rx_blocks_processed.load();
  auto last_t = WallClock::now();
  double longest = 0;
  while (WallClock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const int64_t now = card.rx_blocks_processed.load();
    const auto t = WallClock::now();
    if (now != last) {
      longest = std::max(longest, std::chrono::duration<double, std::milli>(t - last_t).count());
      last = now;
      last_t = t;
    }
  }
  return longest;
}

}  // namespace

int main() {
  using namespace vesk;
  const auto dir = std::filesystem::temp_directory_path() / "vesk_bench_host_port";
  std::filesystem::create_directories(dir);
  Station st(dir);
  StationScope scope(st);
  log_set_sink([](LogText, const std::string&) {});
  StationAppConfig config;
  config.audio_in = config.audio_out = "null";
  config.print = [](const std::string&) {};
  config.end_now = [](int) {};
  station_app_start(config);
  db_set_host_ip(htonl(INADDR_LOOPBACK));
  db_set_tcp_port(0);
  host_start();
  const int port = host_bound_port();
  if (port == 0) {
    std::printf("host port did not start\n");
    return 1;
  }

  // Reply latency: one line at a time, each sent when the previous reply has come.
  {
    const int fd = connect_to(port);
    std::vector<double> ms;
    std::string got;
    for (int i = 0; i < 30; ++i) {
      const auto t = WallClock::now();
      send(fd, "CH\n", 3, MSG_NOSIGNAL);
      got.clear();
      if (!read_until(fd, "OK\n\r", &got)) break;
      ms.push_back(std::chrono::duration<double, std::milli>(WallClock::now() - t).count());
    }
    close(fd);
    std::sort(ms.begin(), ms.end());
    if (!ms.empty())
      std::printf("reply latency per line (%zu lines, each reply paced %d ms): median %.1f ms, max %.1f ms\n",
                  ms.size(), kHostPaceMs, ms[ms.size() / 2], ms.back());
  }

  const double quiet = longest_audio_pause_ms(3.0);
  std::printf("audio path, no client: longest pause between capture blocks %.1f ms (a block is 26.25 ms)\n", quiet);

  // An echo client: a command line turns the echo on; a writer then pours out log lines.
  {
    const int fd = connect_to(port);
    std::atomic<bool> done{false};
    std::atomic<long> bytes{0};
    std::thread reader([&] {
      char buf[4096];
      while (!done.load()) {
        const ssize_t n = recv(fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n > 0) bytes += n;
        else std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    });
    send(fd, "CMD LIST CHANNELS\n", 18, MSG_NOSIGNAL);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::vector<double> write_us;
    std::thread writer([&] {
      StationScope s(st);
      for (int i = 0; i < 3000; ++i) {
        const auto t = WallClock::now();
        log_printf("[%s][BENCH ECHO LINE %d]\n", log_time_stamp().c_str(), i);
        write_us.push_back(std::chrono::duration<double, std::micro>(WallClock::now() - t).count());
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    });
    const double echoing = longest_audio_pause_ms(3.0);
    writer.join();
    done = true;
    reader.join();
    close(fd);
    std::sort(write_us.begin(), write_us.end());
    std::printf("audio path, echo client attached: longest pause between capture blocks %.1f ms\n", echoing);
    std::printf("log writer with echo on: median %.1f us, max %.1f us per line; client received %ld bytes\n",
                write_us[write_us.size() / 2], write_us.back(), bytes.load());
  }
  host_stop();
  station_app_shutdown();
  return 0;
}

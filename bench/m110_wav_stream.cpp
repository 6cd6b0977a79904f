// m110-wav decode of a very long recording: an 8-bit 48 kHz WAV of more than 2^31 samples
// (2 GB and a little more, by default) whose first seconds hold a 600S transmission and whose
// rest is a sparse hole, so the file costs almost no disk. Prints the file's size and sample
// count, the tool's wall time and peak resident memory, and whether the message came back.
// The file is removed afterwards. Asserts nothing.
//
//   m110_wav_stream [MEGABYTES [FOLDER]]   (default 2200 MB in /tmp)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "db/options.h"
#include "modem/resample.h"
#include "modem/serial_tone/m110_tx.h"
#include "platform/station.h"

namespace {

using namespace vesk;

void put_le(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// The transmission as 8-bit unsigned samples at 48 kHz.
std::vector<uint8_t> transmission(const std::vector<uint8_t>& message) {
  M110Transmitter tx;
  tx.set_carrier_step(m110_carrier_step_from_settings());
  tx.set_mode(m110_mode_from_name("600S"));
  const std::vector<float> x = tx.send(message.data(), message.size());
  std::vector<float> up(x.size() * 5);
  InterpolatorState st;
  snd_interpolate_by5(st, x.data(), up.data(), static_cast<int>(x.size()));
  std::vector<uint8_t> pcm(up.size());
  for (std::size_t i = 0; i < up.size(); ++i) {
    const float v = up[i] < -1.0f ? -1.0f : up[i] > 1.0f ? 1.0f : up[i];
    pcm[i] = static_cast<uint8_t>(128 + static_cast<int>(v * 127.0f));
  }
  return pcm;
}

}  // namespace

int main(int argc, char** argv) {
  const long long megabytes = argc > 1 ? std::atoll(argv[1]) : 2200;
  const std::filesystem::path folder = argc > 2 ? argv[2] : "/tmp";
  const std::filesystem::path tool = std::filesystem::canonical("/proc/self/exe").parent_path() / "../tools/m110-wav";
  const std::filesystem::path wav = folder / ("m110_wav_stream_" + std::to_string(getpid()) + ".wav");
  const std::filesystem::path out = wav.string() + ".out";

  Station station(".", std::make_unique<SimClock>());
  StationScope scope(station);
  db_set_default_options();
  std::vector<uint8_t> message(200);
  for (std::size_t i = 0; i < message.size(); ++i) message[i] = static_cast<uint8_t>('A' + i % 26);
  const std::vector<uint8_t> signal = transmission(message);

  const uint64_t data_bytes = static_cast<uint64_t>(megabytes) * 1000000ULL;
  if (data_bytes + 36 > 0xFFFFFFFFULL || data_bytes < signal.size()) {
    std::fprintf(stderr, "m110_wav_stream: %lld MB does not fit a WAV file with the transmission\n", megabytes);
    return 2;
  }
  std::vector<uint8_t> head = {'R', 'I', 'F', 'F'};
  put_le(head, static_cast<uint32_t>(36 + data_bytes), 4);
  for (char c : std::string("WAVEfmt ")) head.push_back(static_cast<uint8_t>(c));
  put_le(head, 16, 4);
  put_le(head, 1, 2);      // PCM
  put_le(head, 1, 2);      // mono
  put_le(head, 48000, 4);  // rate
  put_le(head, 48000, 4);  // bytes a second
  put_le(head, 1, 2);      // block
  put_le(head, 8, 2);      // bits
  for (char c : std::string("data")) head.push_back(static_cast<uint8_t>(c));
  put_le(head, static_cast<uint32_t>(data_bytes), 4);
  {
    std::ofstream f(wav, std::ios::binary);
    f.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
    f.write(reinterpret_cast<const char*>(signal.data()), static_cast<std::streamsize>(signal.size()));
    // Half a second of quiet after the transmission; the rest of the file is a hole.
    const std::vector<char> quiet(24000, static_cast<char>(0x80));
    f.write(quiet.data(), static_cast<std::streamsize>(quiet.size()));
  }
  std::filesystem::resize_file(wav, head.size() + data_bytes);

  const auto t0 = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    execl(tool.c_str(), "m110-wav", "decode", wav.c_str(), out.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

  std::ifstream got_file(out, std::ios::binary);
  const std::vector<uint8_t> got((std::istreambuf_iterator<char>(got_file)), std::istreambuf_iterator<char>());
  const bool back = got.size() >= message.size() && std::equal(message.begin(), message.end(), got.begin());
  std::printf("file %.2f GB, %llu samples (2^31 = %llu), exit status %d\n", (head.size() + data_bytes) / 1e9,
              static_cast<unsigned long long>(data_bytes), 1ULL << 31, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  std::printf("decode: %.1f s wall, peak resident memory %.1f MB, message back: %s\n", seconds,
              usage.ru_maxrss / 1024.0, back ? "yes" : "no");
  std::error_code ec;
  std::filesystem::remove(wav, ec);
  std::filesystem::remove(out, ec);
  return 0;
}

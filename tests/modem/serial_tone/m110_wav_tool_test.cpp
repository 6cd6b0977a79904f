// m110-wav decode streams its file: a recording far larger than the address space the tool is
// allowed (a transmission, then a long sparse stretch of silence) still gives the message back.
// bench/m110_wav_stream runs the same on a file of more than 2^31 samples and prints its memory.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace vesk {
namespace {

std::vector<uint8_t> read_bytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

void put_le(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kAddressSpaceLimitWorks = false;  // the sanitizers reserve vast address space
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kAddressSpaceLimitWorks = false;
#else
constexpr bool kAddressSpaceLimitWorks = true;
#endif
#else
constexpr bool kAddressSpaceLimitWorks = true;
#endif

TEST(M110WavTool, DecodeStreamsAFileLargerThanItsMemory) {
  test::TempDir dir;
  const std::string in = dir.path() + "/in.bin", tx = dir.path() + "/tx.wav", big = dir.path() + "/big.wav",
                    out = dir.path() + "/out.bin";
  std::vector<uint8_t> msg(200);
  for (std::size_t i = 0; i < msg.size(); ++i) msg[i] = static_cast<uint8_t>(i * 89 + 7);
  std::ofstream(in, std::ios::binary).write(reinterpret_cast<const char*>(msg.data()), static_cast<std::streamsize>(msg.size()));
  test::ChildProcess enc({test::program_path("tools/m110-wav"), "encode", "600S", in, tx});
  ASSERT_EQ(enc.wait(30000), 0) << enc.output();

  // The transmission's samples, then silence up to 40 MB of 16-bit samples at 48 kHz (about
  // seven minutes) left as a hole in the file.
  const std::vector<uint8_t> wav = read_bytes(tx);
  ASSERT_GT(wav.size(), 44u);
  const std::vector<uint8_t> samples(wav.begin() + 44, wav.end());
  const uint32_t data_bytes = 40u << 20;
  std::vector<uint8_t> head = {'R', 'I', 'F', 'F'};
  put_le(head, 36 + data_bytes, 4);
  for (char c : std::string("WAVEfmt ")) head.push_back(static_cast<uint8_t>(c));
  for (const auto& [value, bytes] : {std::pair{16u, 4}, {1u, 2}, {1u, 2}, {48000u, 4}, {96000u, 4}, {2u, 2}, {16u, 2}})
    put_le(head, value, bytes);
  for (char c : std::string("data")) head.push_back(static_cast<uint8_t>(c));
  put_le(head, data_bytes, 4);
  {
    std::ofstream f(big, std::ios::binary);
    f.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
    f.write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(samples.size()));
  }
  std::filesystem::resize_file(big, head.size() + data_bytes);

  // 32 MB of address space in all: the file cannot be held whole.
  std::vector<std::string> argv = {test::program_path("tools/m110-wav"), "decode", big, out};
  if (kAddressSpaceLimitWorks) argv.insert(argv.begin(), {"/usr/bin/env", "prlimit", "--as=33554432"});
  test::ChildProcess dec(argv);
  ASSERT_EQ(dec.wait(120000), 0) << dec.output();
  EXPECT_NE(dec.output().find("mode 600S"), std::string::npos) << dec.output();
  const std::vector<uint8_t> got = read_bytes(out);
  ASSERT_GE(got.size(), msg.size());
  EXPECT_TRUE(std::equal(msg.begin(), msg.end(), got.begin()));
}

}  // namespace
}  // namespace vesk

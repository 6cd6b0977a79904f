// The file-transfer cipher: DES against the worked example, the EDE block against libcrypto's
// DES-EDE3, and the byte-feedback mode (round trip, error spread, option off).
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <array>
#include <cstring>
#include <vector>

#include "ale/messages/transfer_cipher.h"
#include "db/database.h"
#include "db/options.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk::test {
namespace {

DesBlock block(uint64_t v) {
  DesBlock b{};
  for (int i = 7; i >= 0; --i, v >>= 8) b[static_cast<std::size_t>(i)] = static_cast<uint8_t>(v);
  return b;
}

const uint8_t kKeys[24] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,   // K1
                           0xFE, 0x9C, 0x98, 0x76, 0x54, 0x32, 0x10, 0x01,   // K2: byte 1 has 0x40 clear
                           0x13, 0x34, 0x57, 0x79, 0x9B, 0xBC, 0xDF, 0xF1};  // K3

DesBlock openssl_ede3(const uint8_t keys[24], const DesBlock& in) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  DesBlock out{};
  int n = 0;
  EXPECT_EQ(EVP_EncryptInit_ex(ctx, EVP_des_ede3_ecb(), nullptr, keys, nullptr), 1);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  EXPECT_EQ(EVP_EncryptUpdate(ctx, out.data(), &n, in.data(), 8), 1);
  EVP_CIPHER_CTX_free(ctx);
  return out;
}

TEST(TransferCipher, DesWorkedExample) {
  const uint8_t key[8] = {0x13, 0x34, 0x57, 0x79, 0x9B, 0xBC, 0xDF, 0xF1};
  const DesRoundKeys k = des_key_schedule(key);
  EXPECT_EQ(des_encrypt_block(block(0x0123456789ABCDEFull), k), block(0x85E813540F0AB405ull));
  EXPECT_EQ(des_decrypt_block(block(0x85E813540F0AB405ull), k), block(0x0123456789ABCDEFull));
}

TEST(TransferCipher, EdeBlockIsTripleDesWhenTheAdjustedBitIsClear) {
  TransferCipherContext ctx(kKeys);
  for (uint64_t v : {0ull, 0x0123456789ABCDEFull, 0xFFFFFFFFFFFFFFFFull, 0x5A5A00FF12345678ull})
    EXPECT_EQ(ctx.ede(block(v)), openssl_ede3(kKeys, block(v))) << std::hex << v;
  // With the bit set, the adjustment changes K2's schedule: the block is not textbook DES-EDE3.
  uint8_t keys[24];
  std::memcpy(keys, kKeys, 24);
  keys[9] |= 0x40;
  TransferCipherContext adjusted(keys);
  EXPECT_NE(adjusted.ede(block(0x0123456789ABCDEFull)), openssl_ede3(keys, block(0x0123456789ABCDEFull)));
}

TEST(TransferCipher, FeedbackModeRoundTripAndErrorSpread) {
  std::vector<uint8_t> plain(300);
  for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<uint8_t>(i * 7 + 3);
  std::vector<uint8_t> cipher(plain.size());
  TransferCipherContext enc(kKeys);
  for (std::size_t i = 0; i < plain.size(); ++i) cipher[i] = enc.encrypt(plain[i]);
  EXPECT_NE(cipher, plain);
  // Every frame starts from a zero register: the first keystream byte depends on the keys alone.
  TransferCipherContext again(kKeys);
  EXPECT_EQ(again.encrypt(0) ^ 0, cipher[0] ^ plain[0]);

  TransferCipherContext dec(kKeys);
  std::vector<uint8_t> back(plain.size());
  for (std::size_t i = 0; i < plain.size(); ++i) back[i] = dec.decrypt(cipher[i]);
  EXPECT_EQ(back, plain);

  // One damaged cipher byte garbles its own plain byte and the next two, and no more.
  std::vector<uint8_t> damaged = cipher;
  damaged[100] ^= 0x10;
  TransferCipherContext dec2(kKeys);
  std::vector<int> wrong;
  for (std::size_t i = 0; i < plain.size(); ++i)
    if (dec2.decrypt(damaged[i]) != plain[i]) wrong.push_back(static_cast<int>(i));
  EXPECT_EQ(wrong, (std::vector<int>{100, 101, 102}));
}

TEST(TransferCipher, OptionSwitchesTheFrameCipher) {
  TempDir dir;
  Station st(dir.path(), std::make_unique<SimClock>());
  StationScope scope(st);
  db_set_default_options();
  db_set_transfer_keys(kKeys);
  std::vector<uint8_t> bytes = {1, 2, 3, 4, 5};
  const std::vector<uint8_t> original = bytes;
  xfer_encrypt(bytes.data(), bytes.size());
  EXPECT_EQ(bytes, original);  // secure transfers off
  db_set_secure_transfers(1);
  xfer_encrypt(bytes.data(), bytes.size());
  EXPECT_NE(bytes, original);
  xfer_decrypt(bytes.data(), bytes.size());
  EXPECT_EQ(bytes, original);
}

}  // namespace
}  // namespace vesk::test

// The file-transfer cipher: triple DES (encrypt with K1, decrypt with K2, encrypt with K3) run
// as a byte-wide feedback cipher, as the stations that exchange enciphered files use it. Two
// points differ from textbook DES-EDE3 in 8-bit CFB, and are kept so that transfers
// interoperate:
// - the first bit of K2's first round key (the bit that PC-2 takes first) is forced to 0, which
//   changes the last round of the middle (decrypt) step;
// - after each byte the feedback register's bytes 1-7 all become its old byte 0, and byte 0
//   becomes the cipher byte (not a shift of the register).
// Standard single DES (the outer steps) comes from libcrypto; the middle step, which needs the
// adjusted round key, is done here. Every frame starts from a zero register.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vesk {

using DesBlock = std::array<uint8_t, 8>;
using DesRoundKeys = std::array<uint64_t, 16>;  // 48-bit round keys, round 1 first, PC-2's first bit on top

// The 16 round keys of an 8-byte key (parity bits ignored).
DesRoundKeys des_key_schedule(const uint8_t key[8]);
// One block with explicit round keys (decryption uses them in reverse order).
DesBlock des_encrypt_block(const DesBlock& in, const DesRoundKeys& keys);
DesBlock des_decrypt_block(const DesBlock& in, const DesRoundKeys& keys);

struct TransferCipher;  // holds libcrypto's schedules of K1 and K3

class TransferCipherContext {
 public:
  explicit TransferCipherContext(const uint8_t keys[24]);
  ~TransferCipherContext();
  TransferCipherContext(const TransferCipherContext&) = delete;
  TransferCipherContext& operator=(const TransferCipherContext&) = delete;

  // The EDE block under the three keys (with the K2 adjustment).
  DesBlock ede(const DesBlock& in) const;
  uint8_t encrypt(uint8_t plain);
  uint8_t decrypt(uint8_t cipher);

 private:
  TransferCipher* outer_;
  DesRoundKeys k2_;
  DesBlock enc_register_{};
  DesBlock dec_register_{};
};

// Enciphers or deciphers `length` bytes in place under the station's three transfer keys when
// the secure-transfers option is on; otherwise the bytes are left as they are.
void xfer_encrypt(uint8_t* bytes, std::size_t length);
void xfer_decrypt(uint8_t* bytes, std::size_t length);

}  // namespace vesk

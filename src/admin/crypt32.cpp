#include "admin/crypt32.h"

#include <cstdint>

namespace orbeta::Crypt32 {
namespace {

// Fixed for ever: the stored passwords are enciphered with them.
constexpr std::uint16_t kStartKey = 0x4F52;
constexpr std::uint16_t kMultiplier = 0xA1D3;
constexpr std::uint16_t kAddend = 0x2B67;

enum class Direction { kEncrypt, kDecrypt };

// Every byte is enciphered, whatever the length, so a long password is never cut short.
std::string Run(std::string_view input, Direction direction) {
  std::string output(input.size(), '\0');
  std::uint16_t key = kStartKey;
  for (std::size_t i = 0; i < input.size(); ++i) {
    const auto in = static_cast<std::uint8_t>(input[i]);
    const auto out = static_cast<std::uint8_t>(in ^ (key >> 8));
    output[i] = static_cast<char>(out);
    const std::uint8_t cipherByte = direction == Direction::kEncrypt ? out : in;
    key = static_cast<std::uint16_t>((key + cipherByte) * kMultiplier + kAddend);
  }
  return output;
}

}  // namespace

std::string Encrypt(std::string_view plain) { return Run(plain, Direction::kEncrypt); }
std::string Decrypt(std::string_view cipher) { return Run(cipher, Direction::kDecrypt); }

}  // namespace orbeta::Crypt32

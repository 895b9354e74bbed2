#include "admin/crypt32.h"

#include <gtest/gtest.h>

#include <random>

namespace orbeta {
namespace {

TEST(Crypt32, DecryptInvertsEncryptForAnyBytesAndLength) {
  std::mt19937 random(1234);
  for (std::size_t length : {0u, 1u, 2u, 17u, 254u, 255u, 256u, 1000u}) {
    std::string plain(length, '\0');
    for (char& c : plain) c = static_cast<char>(random());
    const std::string cipher = Crypt32::Encrypt(plain);
    EXPECT_EQ(cipher.size(), length);
    EXPECT_EQ(Crypt32::Decrypt(cipher), plain) << length;
  }
}

TEST(Crypt32, ConstantsNeverChange) {
  // Stored passwords are enciphered with these constants: this pins them.
  EXPECT_EQ(Crypt32::Encrypt("tulmar"), std::string("\x3b\x1c\x25\x49\x23\x99", 6));
  EXPECT_NE(Crypt32::Encrypt("tulmar"), "tulmar");
  // Feedback: a change in one byte changes every byte after it.
  const std::string a = Crypt32::Encrypt("aaaa"), b = Crypt32::Encrypt("abaa");
  EXPECT_EQ(a[0], b[0]);
  EXPECT_NE(a.substr(2), b.substr(2));
}

}  // namespace
}  // namespace orbeta

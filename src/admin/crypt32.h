// The cipher of the stored administrator password.
#pragma once

#include <string>
#include <string_view>

namespace orbeta::Crypt32 {

// A byte-wise stream cipher with cipher-text feedback into a 16-bit key register. The result
// has the length of the input, and may hold any byte, zero included.
std::string Encrypt(std::string_view plain);
std::string Decrypt(std::string_view cipher);

}  // namespace orbeta::Crypt32

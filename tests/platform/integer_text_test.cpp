#include "platform/integer_text.h"

#include <gtest/gtest.h>

namespace orbeta {
namespace {

TEST(IntegerText, StrictParsing) {
  struct Case {
    const char* text;
    std::optional<std::int32_t> value;
  };
  const Case cases[] = {
      {"114", 114},          {"  -7", -7},          {"+5", 5},
      {"0x1A", 26},          {"$ff", 255},          {"0xFFFFFFFF", -1},
      {"2147483647", 2147483647}, {"-2147483648", INT32_MIN},
      {"2147483648", std::nullopt}, {"0x100000000", std::nullopt},
      {"", std::nullopt},    {"  ", std::nullopt},  {"12abc", std::nullopt},
      {"F3", std::nullopt},  {"0x", std::nullopt},  {"-", std::nullopt},
      {"1 ", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseInteger(c.text), c.value) << c.text;
}

TEST(IntegerText, StrToIntNamesTheText) {
  try {
    StrToInt("F3");
    FAIL() << "no error";
  } catch (const std::invalid_argument& error) {
    EXPECT_STREQ(error.what(), "'F3' is not a valid integer value");
  }
}

}  // namespace
}  // namespace orbeta

#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace orbeta {
namespace {

TEST(Codepage, ConvertsBothWays) {
  struct Case {
    std::string cp1252;
    std::string utf8;
  };
  const Case cases[] = {
      {"plain ASCII", "plain ASCII"},
      {"caf\xE9 \xC0 \xDF", "caf\u00e9 \u00c0 \u00df"},
      {"\x80 \x8C\x9C \x85 \x93quoted\x94", "\u20ac \u0152\u0153 \u2026 \u201cquoted\u201d"},
      {"\x81\x8D\x8F\x90\x9D", "\u0081\u008d\u008f\u0090\u009d"},
      {std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Cp1252ToUtf8(c.cp1252), c.utf8);
    EXPECT_EQ(Utf8ToCp1252(c.utf8), c.cp1252);
  }
}

TEST(Codepage, EveryByteSurvivesTheRoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_TRUE(IsValidUtf8(Cp1252ToUtf8(all)));
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

TEST(Codepage, UnrepresentableAndMalformedBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToCp1252("\u4e2d\u6587 \U0001F600 \u0100"), "?? ? ?");
  EXPECT_EQ(Utf8ToCp1252("a\xFF" "b"), "a?b");
  EXPECT_EQ(Utf8ToCp1252("\xC3"), "?");               // cut short
  EXPECT_EQ(Utf8ToCp1252("\xC0\xAF"), "??");          // overlong "/"
  EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80"), "???");     // surrogate
  EXPECT_FALSE(IsValidUtf8("\xE2\x82"));
  EXPECT_TRUE(IsValidUtf8("\xE2\x82\xAC"));
}

}  // namespace
}  // namespace orbeta

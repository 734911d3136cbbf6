#include "base/encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace sheetwright::base {
namespace {

TEST(EncodingTest, Cp932ToUtf8) {
  struct Case {
    std::string cp932, utf8;
  };
  const Case cases[] = {
      {"", ""},
      {"L2300,1", "L2300,1"},
      {"\x93\x8C\x8B\x9E", "東京"},
      {"\x95\x5C\x83\x5C\x83\x7C", "表ソポ"},  // second bytes 0x5C and 0x7C
      {"\xB1\xB2", "ｱｲ"},                      // half-width katakana
      {"\x87\x40", "①"},                       // an NEC special character (CP932 only)
      {"\x81\x60", "～"},                      // CP932 maps this to the full-width tilde
      {"a\x80"
       "b",
       "a\xEF\xBF\xBD"
       "b"},                       // a byte that is no character
      {"a\x93", "a\xEF\xBF\xBD"},  // a lead byte cut off at the end
  };
  for (const Case& c : cases) EXPECT_EQ(Cp932ToUtf8(c.cp932), c.utf8) << c.utf8;
}

TEST(EncodingTest, Utf8ToCp932) {
  struct Case {
    std::string utf8, cp932;
  };
  const Case cases[] = {
      {"", ""},
      {"abc?", "abc?"},
      {"ＭＳ Ｐゴシック", "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E"},
      {"表", "\x95\x5C"},
      {"a😀b", "a?b"},  // no CP932 form: one '?' for the whole character
      {"a\x80"
       "b",
       "a?b"},  // a stray continuation byte does not swallow the 'b'
      {"a\xE6"
       "b",
       "a?b"},  // a cut-short sequence either
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8ToCp932(c.utf8), c.cp932) << c.utf8;
}

TEST(EncodingTest, RoundTripOfEveryDoubleByteCharacter) {
  int converted = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead >= 0xA0 && lead <= 0xDF) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      std::string bytes = {static_cast<char>(lead), static_cast<char>(trail)};
      std::string utf8 = Cp932ToUtf8(bytes);
      if (utf8 == "\xEF\xBF\xBD" || utf8.find("\xEF\xBF\xBD") != std::string::npos) continue;
      ++converted;
      std::string back = Utf8ToCp932(utf8);
      // Duplicates (NEC and IBM codes for one character) come back as the preferred code.
      EXPECT_EQ(Cp932ToUtf8(back), utf8) << std::hex << lead << " " << trail;
    }
  }
  EXPECT_GT(converted, 7000);  // JIS X 0208 alone has 6879 characters
}

TEST(EncodingTest, ValidUtf8) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("abc"));
  EXPECT_TRUE(IsValidUtf8("東京😀"));
  EXPECT_FALSE(IsValidUtf8("\x93\x8C\x8B\x9E"));  // CP932
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xE6\x9D"));          // cut short
  EXPECT_FALSE(IsValidUtf8("\xFF"));
}

TEST(EncodingTest, PlatformTextPrefersUtf8) {
  EXPECT_EQ(PlatformTextToUtf8("/data/東京"), "/data/東京");
  EXPECT_EQ(PlatformTextToUtf8("/data/\x93\x8C\x8B\x9E"), "/data/東京");
}

// A stray CR must not rewrite a terminal line: control bytes are shown escaped.
TEST(EncodingTest, MessageTextEscapesControlBytes) {
  EXPECT_EQ(MessageText("2\r"), "2\\r");
  EXPECT_EQ(MessageText(std::string("a\0b\x1B\t\x93\x8C", 7)), "a\u2400b\\x1B\\t東");
}

}  // namespace
}  // namespace sheetwright::base

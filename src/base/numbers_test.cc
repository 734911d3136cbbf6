#include "base/numbers.h"

#include <gtest/gtest.h>

#include <string>

#include "base/messages.h"

namespace sheetwright::base {
namespace {

TEST(NumbersTest, Integers) {
  struct Case {
    std::string text;
    std::optional<int32_t> expected;
  };
  const Case cases[] = {
      {"0", 0},
      {"1024", 1024},
      {"-7", -7},
      {"+7", 7},
      {"  12", 12},
      {"\t12", 12},
      {"007", 7},
      {"-0", 0},
      {"999999999", 999999999},
      {"-999999999", -999999999},
      {"1000000000", 1000000000},
      {"-1000000000", -1000000000},
      {"0000000012", 12},
      {"-000000012", -12},
      {"-12a", std::nullopt},
      {"12-", std::nullopt},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"4294967296", std::nullopt},  // would wrap to 0 in 32 bits
      {"4294967297", std::nullopt},  // would wrap to 1
      {"99999999999999999999999", std::nullopt},
      {"", std::nullopt},
      {" ", std::nullopt},
      {"-", std::nullopt},
      {"+", std::nullopt},
      {"12 ", std::nullopt},  // trailing blanks are not allowed
      {"1 2", std::nullopt},
      {"1.0", std::nullopt},
      {"1e3", std::nullopt},
      {"--1", std::nullopt},
      {"+-1", std::nullopt},
      {"12a", std::nullopt},
      {"\x82\x50", std::nullopt},  // a full-width digit is no digit
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TryParseInt(c.text), c.expected) << "'" << c.text << "'";
    if (c.expected) {
      EXPECT_EQ(StrToInt(c.text), *c.expected);
    } else {
      EXPECT_THROW(StrToInt(c.text), ConversionError) << "'" << c.text << "'";
    }
  }
}

TEST(NumbersTest, Decimals) {
  struct Case {
    std::string text;
    std::optional<double> expected;
  };
  const Case cases[] = {
      {"12", 12.0},
      {"-0.05", -0.05},
      {"+3.5", 3.5},
      {"1.5e3", 1500.0},
      {"1.5E-1", 0.15},
      {".5", 0.5},
      {"5.", 5.0},
      {" 35123.456 ", 35123.456},
      {"", std::nullopt},
      {" ", std::nullopt},
      {"abc", std::nullopt},
      {"1,5", std::nullopt},
      {"inf", std::nullopt},
      {"nan", std::nullopt},
      {"0x10", std::nullopt},
      {"1e400", std::nullopt},
      {"1e", std::nullopt},
      {"+-1", std::nullopt},
      {"1.2.3", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TryParseFloat(c.text), c.expected) << "'" << c.text << "'";
    if (c.expected) {
      EXPECT_EQ(StrToFloat(c.text), *c.expected);
    } else {
      EXPECT_THROW(StrToFloat(c.text), ConversionError) << "'" << c.text << "'";
    }
  }
}

std::string MessageOf(auto&& call) {
  try {
    call();
  } catch (const ConversionError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(NumbersTest, FailureTextsAreExactAndDecodeTheField) {
  EXPECT_EQ(MessageOf([] { StrToInt("12x"); }), "'12x' は整数ではありません");
  EXPECT_EQ(MessageOf([] { StrToInt(""); }), "'' は整数ではありません");
  EXPECT_EQ(MessageOf([] { StrToFloat("1..2"); }), "'1..2' は浮動小数点数ではありません");
  // The field is map data in CP932 ("東京"); the message is UTF-8.
  EXPECT_EQ(MessageOf([] { StrToInt("\x93\x8C\x8B\x9E"); }), "'東京' は整数ではありません");
}

}  // namespace
}  // namespace sheetwright::base

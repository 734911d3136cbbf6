#include "mapdata/fields.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace sheetwright::mapdata {
namespace {

struct TokenCase {
  std::string line;
  int n;
  std::string expected;
};

TEST(FieldTest, FieldsAsWritten) {
  const TokenCase cases[] = {
      {"a,b,c", 2, "b"},
      {"a,b,c", 3, "c"},
      {"a,b,c", 4, ""},
      {"a,b,", 3, ""},
      {"a,b,", 4, ""},
      {"abc", 1, "abc"},
      {"abc", 0, ""},
      {"abc", -1, ""},
      {"a,b,c", -2147483647 - 1, ""},
      {"a,b,c", 2147483647, ""},
      {"", 1, ""},
      {",", 1, ""},
      {",", 2, ""},
      {",x", 2, "x"},
      {" a , b ", 2, " b "},    // never trimmed
      {"\"a,b\",c", 1, "\"a"},  // never unquoted: a comma always separates
      {"L2300,3,1024,12", 1, "L2300"},
      {"L2300,3,1024,12", 3, "1024"},
      {"L2300,3,1024,12", 4, "12"},
      {"L2300,3,1024,12", 5, ""},
      {std::string("a\0b,c", 5), 1, std::string("a\0b", 3)},
      // Shift_JIS characters whose second byte is 0x5C ('\') or 0x7C ('|'): 表, ソ, ポ.
      {"A2,7,\x95\x5C\x83\x5C,\x83\x7C", 3, "\x95\x5C\x83\x5C"},
      {"A2,7,\x95\x5C\x83\x5C,\x83\x7C", 4, "\x83\x7C"},
  };
  for (const TokenCase& c : cases) {
    EXPECT_EQ(Field(c.line, c.n), c.expected) << "line '" << c.line << "' n=" << c.n;
  }
}

TEST(FieldTest, ViewPointsIntoTheLine) {
  std::string line = "x,yz,w";
  std::string_view field = Field(line, 2);
  EXPECT_EQ(field.data(), line.data() + 2);
}

// Fields by the most direct reading of the rule: cut the line at every comma.
std::vector<std::string> SplitAll(const std::string& line) {
  std::vector<std::string> fields(1);
  for (char c : line) {
    if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

TEST(FieldTest, AgreesWithSplittingAtEveryComma) {
  std::mt19937 rng(12345);
  const char alphabet[] = {',', 'a', '1', ' ', '\x5C', '\x7C', '\x83', '\x95', '\r', '\0'};
  for (int round = 0; round < 5000; ++round) {
    std::string line;
    int length = static_cast<int>(rng() % 12);
    for (int i = 0; i < length; ++i) line += alphabet[rng() % sizeof alphabet];
    std::vector<std::string> fields = SplitAll(line);
    for (int n = -1; n <= static_cast<int>(fields.size()) + 1; ++n) {
      std::string expected = n >= 1 && n <= static_cast<int>(fields.size()) ? fields[n - 1] : "";
      ASSERT_EQ(Field(line, n), expected) << "n=" << n;
    }
    // All at once: the same fields, however many are asked for.
    for (size_t count = 0; count <= fields.size() + 2; ++count) {
      std::vector<std::string_view> split(count, "stale");
      SplitFields(line, split);
      for (size_t k = 0; k < count; ++k) {
        ASSERT_EQ(split[k], Field(line, static_cast<int>(k + 1))) << "field " << k + 1;
      }
    }
  }
}

}  // namespace
}  // namespace sheetwright::mapdata

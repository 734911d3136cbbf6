#include "mapdata/arc_table.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/encoding.h"
#include "base/numbers.h"
#include "mapdata/mapdata_test_util.h"
#include "mapdata/fields.h"

namespace sheetwright::mapdata {
namespace {

using test_util::CollectingSink;
using test_util::Text;

class CountingProgress : public base::ProgressHook {
 public:
  void Step() override {
    if (++steps == cancel_at) throw base::ConversionCancelled();
  }
  int steps = 0;
  int cancel_at = -1;
};

TEST(ArcTableTest, StoresEveryLineAfterTheHeader) {
  ArcTable table;
  CollectingSink sink;
  CountingProgress progress;
  table.Load(Text("hdr,1,2,9\r\nL2300,3,1024,2\r\n35000.5,139000.25\r\n35001,139001\r\n"
                    "A junk line\r\n\r\nL7101,1,7,0"),
               sink, &progress);
  ASSERT_EQ(test_util::LastIndex(table), 5);
  const char* expected[] = {
      "L2300,3,1024,2", "35000.5,139000.25", "35001,139001", "A junk line", "", "L7101,1,7,0"};
  for (int s = 0; s <= 5; ++s) EXPECT_EQ(table.Line(s), expected[s]) << s;
  EXPECT_EQ(progress.steps, 7);  // the header and each of the six lines
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(table.FindArc(1024, sink), 0);
  EXPECT_EQ(table.FindArc(7, sink), 5);
  EXPECT_EQ(table.FindArc(8, sink), -1);
}

TEST(ArcTableTest, PointsOfAnArcFollowItsRecordLine) {
  std::string bytes = "h,,,14\r\n";
  for (int i = 0; i < 10; ++i) bytes += "35000," + std::to_string(i) + "\r\n";
  bytes += "L2300,1,55,3\r\n1,1\r\n2,2\r\n3,3\r\n";
  ArcTable table;
  CollectingSink sink;
  table.Load(Text(bytes), sink);
  int slot = table.FindArc(55, sink);
  ASSERT_EQ(slot, 10);
  int count = base::StrToInt(Field(table.Line(slot), 4));
  ASSERT_EQ(slot + count, test_util::LastIndex(table));
  EXPECT_EQ(table.Line(slot + 1), "1,1");
  EXPECT_EQ(table.Line(slot + 3), "3,3");
}

TEST(ArcTableTest, HeaderOutcomes) {
  struct Case {
    std::string bytes;
    int expected_last;
    std::string expected_message;  // empty: none
  };
  const Case cases[] = {
      {"", -2, ""},  // no header line at all
      {"h,1,2,0", -1, ""},
      {"h,1,2,0\r\n", -1, ""},
      {"h,1,2,3\r\nL1,1,1,0\r\n", 0, ""},
      // The count sizes nothing: absurd counts cost nothing and the lines decide.
      {"h,1,2,2000000000\r\nL1,1,1,0\r\n", 0, ""},
      {"h,1,2,-5\r\nL1,1,1,0\r\nx\r\n", 1, ""},
      {"h,1,2,1\r\nL1,1,1,0\r\nb\r\nc\r\n", 2, ""},  // more lines than the count
      {"h,1,2\r\nL1,1,1,0\r\n", -2, "ARCファイルのレコード数不正=h,1,2 -->"},
      {"h,1,2,\r\nL1,1,1,0\r\n", -2, "ARCファイルのレコード数不正=h,1,2, -->"},
      {"h,1,2,,5\r\n", -2, "ARCファイルのレコード数不正=h,1,2,,5 -->"},
      {"\r\nL1,1,1,0\r\n", -2, "ARCファイルのレコード数不正= -->"},
      {"\x8A\x58,1,2\r\n", -2, "ARCファイルのレコード数不正=街,1,2 -->"},  // decoded from CP932
  };
  for (const Case& c : cases) {
    ArcTable table;
    CollectingSink sink;
    table.Load(Text(c.bytes), sink);
    EXPECT_EQ(test_util::LastIndex(table), c.expected_last) << c.bytes;
    std::vector<std::string> expected_messages;
    if (!c.expected_message.empty()) expected_messages.push_back(c.expected_message);
    EXPECT_EQ(sink.messages, expected_messages) << c.bytes;
    sink.messages.clear();
    EXPECT_EQ(table.FindArc(1, sink), c.expected_last >= 0 ? 0 : -1) << c.bytes;
  }
}

TEST(ArcTableTest, CountThatIsNotAnIntegerThrowsAndLeavesTheTableEmpty) {
  ArcTable table;
  CollectingSink sink;
  table.Load(Text("h,1,2,1\r\nL1,1,1,0\r\n"), sink);
  ASSERT_EQ(test_util::LastIndex(table), 0);
  try {
    table.Load(Text("h,1,2,1x\r\nL1,1,1,0\r\n"), sink);
    FAIL() << "no error";
  } catch (const base::ConversionError& e) {
    EXPECT_STREQ(e.what(), "'1x' は整数ではありません");
  }
  EXPECT_EQ(test_util::LastIndex(table), -1);
  EXPECT_EQ(table.FindArc(1, sink), -1);
}

TEST(ArcTableTest, CancelDuringTheLoadLeavesTheTableEmpty) {
  ArcTable table;
  CollectingSink sink;
  CountingProgress progress;
  progress.cancel_at = 3;
  EXPECT_THROW(
      table.Load(Text("h,1,2,3\r\nL1,1,1,0\r\nL1,1,2,0\r\nL1,1,3,0\r\n"), sink, &progress),
      base::ConversionCancelled);
  EXPECT_EQ(test_util::LastIndex(table), -1);
  EXPECT_EQ(table.FindArc(1, sink), -1);
}

TEST(ArcTableTest, ALaterShorterFileHidesTheEarlierLines) {
  auto file_of = [](int lines, int first_id) {
    std::string bytes = "h,1,2," + std::to_string(lines) + "\r\n";
    for (int i = 0; i < lines; ++i) bytes += "L2300,1," + std::to_string(first_id + i) + ",0\r\n";
    return bytes;
  };
  ArcTable table;
  CollectingSink sink;
  table.Load(Text(file_of(100, 1000)), sink);
  ASSERT_EQ(test_util::LastIndex(table), 99);
  EXPECT_EQ(table.FindArc(1050, sink), 50);
  table.Load(Text(file_of(40, 5000)), sink);
  EXPECT_EQ(test_util::LastIndex(table), 39);
  EXPECT_EQ(table.FindArc(1050, sink), -1);
  EXPECT_EQ(table.FindArc(1000, sink), -1);
  EXPECT_EQ(table.FindArc(5039, sink), 39);
  table.Reset();
  EXPECT_EQ(test_util::LastIndex(table), -1);
  EXPECT_EQ(table.FindArc(5000, sink), -1);
}

TEST(ArcTableTest, BadIdLinesAreReportedOnlyWhenAScanReachesThem) {
  ArcTable table;
  CollectingSink sink;
  // Loading never complains about ID fields.
  table.Load(Text("h,1,2,5\r\nL2300,1,10,0\r\nL2300,1,,0\r\nL2300,1,20,0\r\nL2300,1,x,0\r\n"),
               sink);
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(table.FindArc(10, sink), 0);
  EXPECT_TRUE(sink.messages.empty());
  // 20 stands behind the empty ID: the scan stops there, with the message, every time.
  for (int call = 1; call <= 2; ++call) {
    EXPECT_EQ(table.FindArc(20, sink), -1);
    ASSERT_EQ(sink.messages.size(), static_cast<size_t>(call));
    EXPECT_EQ(sink.messages.back(), "ARCファイルのアークID不正=L2300,1,,0");
  }
  EXPECT_EQ(table.FindArc(99, sink), -1);
  EXPECT_EQ(sink.messages.size(), 3u);
}

TEST(ArcTableTest, IdThatIsNotAnIntegerThrowsWhenReached) {
  ArcTable table;
  CollectingSink sink;
  table.Load(Text("h,1,2,3\r\nL2300,1,10,0\r\nL2300,1,1O,0\r\nL2300,1,20,0\r\n"), sink);
  EXPECT_EQ(table.FindArc(10, sink), 0);
  try {
    table.FindArc(20, sink);
    FAIL() << "no error";
  } catch (const base::ConversionError& e) {
    EXPECT_STREQ(e.what(), "'1O' は整数ではありません");
  }
  EXPECT_TRUE(sink.messages.empty());
}

// ---- The index against a plain front-to-back scan ----

struct Answer {
  int slot = -1;
  std::vector<std::string> messages;
  std::string error;  // what() of a ConversionError, if one was thrown
  bool operator==(const Answer&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Answer& a) {
  out << "slot " << a.slot << ", " << a.messages.size() << " message(s)";
  for (const auto& m : a.messages) out << " [" << m << "]";
  if (!a.error.empty()) out << ", error [" << a.error << "]";
  return out;
}

// The lookup exactly as the data format's original reader does it.
int ScanPidSrc(const std::vector<std::string>& slots, int32_t id, base::MessageSink& sink) {
  for (size_t s = 0; s < slots.size(); ++s) {
    const std::string& line = slots[s];
    if (line.empty() || line[0] != 'L') continue;
    std::string_view field = Field(line, 3);
    if (field.empty()) {
      sink.Show("ARCファイルのアークID不正=" + base::MessageText(line));
      return -1;
    }
    if (base::StrToInt(field) == id) return static_cast<int>(s);
  }
  return -1;
}

template <typename Lookup>
Answer Ask(Lookup lookup) {
  Answer a;
  CollectingSink sink;
  try {
    a.slot = lookup(sink);
  } catch (const base::ConversionError& e) {
    a.error = e.what();
  }
  a.messages = sink.messages;
  return a;
}

std::string RandomArcLine(std::mt19937& rng, int id_range) {
  std::uniform_int_distribution<int> pick(0, 99);
  int kind = pick(rng);
  std::string id = std::to_string(static_cast<int>(rng() % id_range));
  if (kind < 40) return "L" + std::to_string(2000 + rng() % 8000) + ",1," + id + ",2";
  if (kind < 75) return std::to_string(rng() % 40000) + ".5," + std::to_string(rng() % 90000);
  switch (kind % 12) {
    case 0:
      return "L2300,1,,0";  // empty ID
    case 1:
      return "L2300,1";  // no ID field at all
    case 2:
      return "L";
    case 3:
      return "L2300,1,7x,0";  // not an integer
    case 4:
      return "L2300,1," + id + " ,0";  // trailing blank: not an integer
    case 5:
      return "L2300,1, " + id + ",0";  // leading blank: an integer
    case 6:
      return "L2300,1,-" + id + ",0";
    case 7:
      return "L2300,1,99999999999,0";  // out of 32-bit range
    case 8:
      return "A6242,1,,0";  // not an arc record: never looked at
    case 9:
      return "l2300,1,,0";  // lower case: not an arc record either
    case 10:
      return "";
    default:
      return "L9999,5," + id;
  }
}

TEST(ArcTableTest, IndexAnswersExactlyAsAScan) {
  std::mt19937 rng(2024);
  for (int round = 0; round < 400; ++round) {
    int line_count = static_cast<int>(rng() % 60);
    int id_range = 1 + static_cast<int>(rng() % 30);
    // Bad ID lines are rare in real files; vary how often they turn up so that some tables have
    // none and the index alone answers.
    bool clean = round % 3 == 0;
    std::vector<std::string> slots;
    std::string bytes = "h,1,2," + std::to_string(rng() % 100) + "\r\n";
    for (int i = 0; i < line_count; ++i) {
      std::string line = RandomArcLine(rng, id_range);
      if (clean && !line.empty() && line[0] == 'L' && !base::TryParseInt(Field(line, 3)))
        continue;
      slots.push_back(line);
      bytes += line + (rng() % 2 ? "\r\n" : "\n");
    }
    ArcTable table;
    CollectingSink load_sink;
    table.Load(Text(bytes), load_sink);
    ASSERT_TRUE(load_sink.messages.empty());
    ASSERT_EQ(test_util::LastIndex(table), static_cast<int>(slots.size()) - 1);
    for (int s = 0; s <= test_util::LastIndex(table); ++s) ASSERT_EQ(table.Line(s), slots[s]);
    for (int32_t id = -2; id <= id_range + 1; ++id) {
      Answer want = Ask([&](base::MessageSink& sink) { return ScanPidSrc(slots, id, sink); });
      Answer got = Ask([&](base::MessageSink& sink) { return table.FindArc(id, sink); });
      ASSERT_EQ(got, want) << "round " << round << ", id " << id << "\n" << bytes;
    }
  }
}

TEST(ArcTableTest, AnyBytesLoadAndAnswer) {
  std::mt19937 rng(77);
  const char alphabet[] = {'L',  'A',  '1',    '2',  ',',    ',', '\r',
                           '\n', '\n', '\x1A', '\0', '\x83', '-'};
  for (int round = 0; round < 2000; ++round) {
    std::string bytes;
    int length = static_cast<int>(rng() % 80);
    for (int i = 0; i < length; ++i) bytes += alphabet[rng() % sizeof alphabet];
    ArcTable table;
    CollectingSink sink;
    try {
      table.Load(Text(bytes), sink);
    } catch (const base::ConversionError&) {
      EXPECT_EQ(test_util::LastIndex(table), -1);
      continue;
    }
    // The lines by hand: cut at Ctrl-Z, split at LF, drop one CR before each LF.
    std::string text = bytes.substr(0, bytes.find('\x1A'));
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
      size_t lf = text.find('\n', start);
      size_t end = lf == std::string::npos ? text.size() : lf;
      std::string line = text.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      start = end + 1;
    }
    std::vector<std::string> slots;
    if (lines.empty()) {
      ASSERT_EQ(test_util::LastIndex(table), -2);
    } else if (Field(lines[0], 4).empty()) {
      ASSERT_EQ(test_util::LastIndex(table), -2);
      ASSERT_EQ(sink.messages.size(), 1u);
    } else {
      slots.assign(lines.begin() + 1, lines.end());
      ASSERT_EQ(test_util::LastIndex(table), static_cast<int>(slots.size()) - 1);
      for (size_t s = 0; s < slots.size(); ++s) ASSERT_EQ(table.Line(s), slots[s]);
    }
    for (int32_t id = 0; id < 25; ++id) {
      Answer want = Ask([&](base::MessageSink& s) { return ScanPidSrc(slots, id, s); });
      Answer got = Ask([&](base::MessageSink& s) { return table.FindArc(id, s); });
      ASSERT_EQ(got, want) << "id " << id;
    }
  }
}

}  // namespace
}  // namespace sheetwright::mapdata

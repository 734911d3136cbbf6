// The four table loaders over one fuzzed file, each checked against a plain model of the loading
// rules (header count, which lines are stored, what a slot holds, when the load fails), and every
// lookup (FindArc, FindPid, FindPid, FindMainRoad) checked against the front-to-back scan that
// the indexes must answer exactly like, messages and failures included.
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/common_test_util.h"
#include "mapdata/mapdata_test_util.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "base/numbers.h"
#include "fuzz_support.h"
#include "mapdata/arc_table.h"
#include "mapdata/record_lines.h"
#include "mapdata/record_tables.h"
#include "mapdata/fields.h"

namespace {

using namespace sheetwright;
using base::ConversionError;
using mapdata::Field;
using test_util::CollectingSink;

// What a load must do with `text`: its message, whether it fails, the stored lines.
struct ModelLoad {
  bool throws = false;
  std::vector<std::string> messages;
  int last = -1;
  std::vector<std::string_view> stored;  // whole lines (arc table) or record lines
};

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  mapdata::LineCursor cursor(text);
  while (!cursor.AtEnd()) lines.push_back(cursor.Next());
  return lines;
}

bool IsInt(std::string_view f) { return base::TryParseInt(f).has_value(); }

// `letter` 0 stores every line (the arc table); `int_fields` must hold integers in stored lines.
ModelLoad Model(const std::vector<std::string_view>& lines, int count_field, char letter,
                std::vector<int> int_fields) {
  ModelLoad m;
  if (lines.empty()) {
    m.last = -2;
    return m;
  }
  std::string_view count = Field(lines[0], count_field);
  if (count.empty()) {
    m.messages.push_back("ARCファイルのレコード数不正=" + base::MessageText(lines[0]) + " -->");
    m.last = -2;
    return m;
  }
  if (!IsInt(count)) {
    m.throws = true;
    return m;
  }
  for (size_t i = 1; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    if (letter != 0 && (line.empty() || line[0] != letter)) continue;
    for (int f : int_fields) {
      if (!IsInt(Field(line, f))) {
        m.throws = true;
        return m;
      }
    }
    m.stored.push_back(line);
  }
  m.last = static_cast<int>(m.stored.size()) - 1;
  return m;
}

struct Scan {
  int slot = -1;
  bool throws = false;
  std::vector<std::string> messages;
};

// FindArc as the front-to-back scan over the stored lines.
Scan ScanArc(const std::vector<std::string_view>& stored, int32_t id) {
  Scan s;
  for (size_t i = 0; i < stored.size(); ++i) {
    std::string_view line = stored[i];
    if (line.empty() || line[0] != 'L') continue;
    std::string_view f = Field(line, 3);
    if (f.empty()) {
      s.messages.push_back("ARCファイルのアークID不正=" + base::MessageText(line));
      return s;
    }
    auto v = base::TryParseInt(f);
    if (!v) {
      s.throws = true;
      return s;
    }
    if (*v == id) {
      s.slot = static_cast<int>(i);
      return s;
    }
  }
  return s;
}

void CheckArcTable(std::string_view text, const std::vector<std::string_view>& lines,
                   const std::set<int32_t>& ids) {
  ModelLoad want = Model(lines, 4, 0, {});
  mapdata::ArcTable table;
  CollectingSink sink;
  bool threw = false;
  try {
    table.Load(std::make_shared<const mapdata::FileText>(std::string(text)), sink);
  } catch (const ConversionError&) {
    threw = true;
  }
  FUZZ_CHECK(threw == want.throws, "Load failure");
  FUZZ_CHECK(sink.messages == want.messages, "Load messages");
  if (threw) {
    FUZZ_CHECK(test_util::LastIndex(table) == -1, "Load left a table after failing");
    return;
  }
  FUZZ_CHECK(test_util::LastIndex(table) == want.last, "last slot", std::to_string(test_util::LastIndex(table)));
  for (int s = 0; s < table.size(); ++s)
    FUZZ_CHECK(table.Line(s) == want.stored[s], "Line slot", std::to_string(s));
  for (int32_t id : ids) {
    Scan scan = ScanArc(want.stored, id);
    CollectingSink lookup_sink;
    int got = -1;
    bool lookup_threw = false;
    try {
      got = table.FindArc(id, lookup_sink);
    } catch (const ConversionError&) {
      lookup_threw = true;
    }
    FUZZ_CHECK(lookup_threw == scan.throws, "FindArc failure", std::to_string(id));
    if (!lookup_threw) FUZZ_CHECK(got == scan.slot, "FindArc slot", std::to_string(id));
    FUZZ_CHECK(lookup_sink.messages == scan.messages, "FindArc message", std::to_string(id));
  }
}

void CheckPolyTable(std::string_view text, const std::vector<std::string_view>& lines,
                    const std::set<int32_t>& ids, bool points) {
  const char letter = points ? 'P' : 'A';
  const int y_field = points ? 3 : 4;
  ModelLoad want = Model(lines, 5, letter, {2});
  mapdata::PolyTable table;
  CollectingSink sink;
  bool threw = false;
  try {
    auto file = std::make_shared<const mapdata::FileText>(std::string(text));
    if (points) {
      table.LoadPoints(file, sink);
    } else {
      table.LoadPolygons(file, sink);
    }
  } catch (const ConversionError&) {
    threw = true;
  }
  FUZZ_CHECK(threw == want.throws, points ? "LoadPoints failure" : "LoadPolygons failure");
  FUZZ_CHECK(sink.messages == want.messages, "polygon/point table messages");
  if (threw) {
    FUZZ_CHECK(test_util::LastIndex(table) == -1, "a failed load left a table");
    return;
  }
  FUZZ_CHECK(test_util::LastIndex(table) == want.last, "last slot", std::to_string(test_util::LastIndex(table)));
  for (int s = 0; s < table.size(); ++s) {
    const mapdata::PolyRec& r = table.Rec(s);
    std::string_view line = want.stored[s];
    FUZZ_CHECK(r.pid == *base::TryParseInt(Field(line, 2)), "Pid", std::to_string(s));
    FUZZ_CHECK(r.y_text == Field(line, y_field), "YText", std::to_string(s));
    FUZZ_CHECK(r.x_text == Field(line, y_field + 1), "XText", std::to_string(s));
  }
  for (int32_t id : ids) {
    int scan = -1;
    for (int s = 0; s < table.size() && scan < 0; ++s)
      if (table.Rec(s).pid == id) scan = s;
    FUZZ_CHECK(table.FindPid(id) == scan, "FindPid", std::to_string(id));
  }
}

void CheckAtrTable(std::string_view text, const std::vector<std::string_view>& lines,
                   const std::set<int32_t>& ids) {
  ModelLoad want = Model(lines, 5, 'L', {2, 3});
  mapdata::AttributeTable table;
  CollectingSink sink;
  bool threw = false;
  try {
    table.Load(std::make_shared<const mapdata::FileText>(std::string(text)), sink);
  } catch (const ConversionError&) {
    threw = true;
  }
  FUZZ_CHECK(threw == want.throws, "Load failure");
  FUZZ_CHECK(sink.messages == want.messages, "Load messages");
  if (threw) {
    FUZZ_CHECK(test_util::LastIndex(table) == -1, "a failed Load left a table");
    return;
  }
  FUZZ_CHECK(test_util::LastIndex(table) == want.last, "last slot", std::to_string(test_util::LastIndex(table)));
  for (int s = 0; s < table.size(); ++s) {
    const mapdata::AttributeRec& r = table.Rec(s);
    std::string_view line = want.stored[s];
    FUZZ_CHECK(r.arc_id == *base::TryParseInt(Field(line, 2)), "ArcId");
    FUZZ_CHECK(r.atr_value == *base::TryParseInt(Field(line, 3)), "AtrValue");
    if (r.atr_value != 0) FUZZ_CHECK(r.atr_text == Field(line, 4), "AtrText");
  }
  for (int32_t id : ids) {
    int scan = -1;
    for (int s = 0; s < table.size() && scan < 0; ++s)
      if (table.Rec(s).arc_id == id && table.Rec(s).atr_value != 0) scan = s;
    FUZZ_CHECK(table.FindMainRoad(id) == scan, "FindMainRoad", std::to_string(id));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string_view text = input.substr(0, std::min(input.find('\x1A'), input.size()));
  std::vector<std::string_view> lines = Lines(text);

  // Look up every ID the file mentions, its neighbours, and the extremes.
  std::set<int32_t> ids = {0, -1, 1, INT32_MIN, INT32_MAX};
  for (std::string_view line : lines) {
    for (int f = 2; f <= 3; ++f) {
      if (auto v = base::TryParseInt(Field(line, f))) {
        ids.insert(*v);
        if (*v != INT32_MAX) ids.insert(*v + 1);
      }
    }
    if (ids.size() > 200) break;
  }

  CheckArcTable(input, lines, ids);
  CheckPolyTable(input, lines, ids, false);
  CheckPolyTable(input, lines, ids, true);
  CheckAtrTable(input, lines, ids);
  return 0;
}

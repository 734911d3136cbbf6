// Broken map data, converted end to end: each case breaks one file of an otherwise complete mesh
// and checks the exact messages, the exact error, which layers changed or went missing, and that
// every other layer is drawn exactly as from the intact mesh (read back from the sheet picture and
// from the stored metafile). Every layer is on and has a colour (or label font colour) of its own,
// so a layer picture tells which row drew it.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "base/messages.h"
#include "conversion/convert_mesh.h"
#include "conversion/layer_rows.h"
#include "conversion/mesh_test_util.h"
#include "mapdata/mesh_files.h"
#include "output/wmf/wmf_reader_test_util.h"
#include "output/wmf/wmf_writer.h"
#include "picture/fixed_metrics_test_util.h"
#include "settings/layer_styles.h"
#include "settings/settings_file.h"

namespace sheetwright {
namespace {

using conversion::ConversionStep;
using conversion::ConversionSteps;
using conversion::test_util::TestMesh;
using settings::LayerKey;
using test_util::CollectingSink;
using test_util::TempFolder;

// Layer i is drawn in colour 0x10 * (i + 1); label font f in 0x1000 * (f + 1).
picture::ColorValue LayerColour(LayerKey key) { return 0x10u * (static_cast<int>(key) + 1); }
picture::ColorValue FontColour(settings::FontId id) { return 0x1000u * (static_cast<int>(id) + 1); }

const settings::LayerStyleTable& AllLayersOn() {
  static const settings::LayerStyleTable* table = [] {
    auto* t = new settings::LayerStyleTable;
    for (const settings::LayerDef& def : settings::LayerDefs()) {
      t->SetEnabled(def.key, true);
      t->SetColor(def.key, LayerColour(def.key));
    }
    for (const settings::FontDef& def : settings::FontDefs()) {
      picture::LabelFont font;
      font.color = FontColour(def.id);
      t->SetFont(def.id, font);
    }
    return t;
  }();
  return *table;
}

std::optional<LayerKey> KeyOfColour(picture::ColorValue colour) {
  for (const settings::LayerDef& def : settings::LayerDefs()) {
    if (def.font && FontColour(*def.font) == colour) return def.key;
    if (!def.font && LayerColour(def.key) == colour) return def.key;
  }
  return std::nullopt;
}

// What a layer picture holds, as comparable text; `drawn` when it has a visible figure or text.
struct LayerContent {
  std::string summary;
  bool drawn = false;
};

LayerContent Describe(const picture::Picture& layer) {
  LayerContent out;
  auto points = [&](uint32_t first, uint32_t count) {
    for (const picture::Point& p : layer.Points(first, count))
      out.summary += std::to_string(p.x) + "," + std::to_string(p.y) + " ";
    out.drawn = out.drawn || count >= 2;
  };
  for (const picture::Record& record : layer.records) {
    std::visit(picture::Overloaded{
                   [&](const picture::PolylineRec& r) {
                     out.summary += "polyline ";
                     points(r.first, r.count);
                   },
                   [&](const picture::PolygonRec& r) {
                     out.summary += "polygon ";
                     points(r.first, r.count);
                   },
                   [&](const picture::TextRec& r) {
                     out.summary += "text " + std::to_string(r.at.x) + "," +
                                    std::to_string(r.at.y) + " " + std::string(layer.Text(r)) + " ";
                     out.drawn = true;
                   },
                   [&](const picture::PenRec& r) {
                     out.summary += "pen " + std::to_string(r.width) + " ";
                   },
                   [&](const auto&) {},
               },
               record);
  }
  return out;
}

// The colour that names the layer: its label font's, else its solid brush's, else its solid pen's.
std::optional<LayerKey> KeyOfLayer(const picture::Picture& layer) {
  std::optional<picture::ColorValue> font, brush, pen;
  for (const picture::Record& record : layer.records) {
    if (auto* f = std::get_if<picture::FontRec>(&record); f && !font) font = layer.Font(*f)->color;
    if (auto* b = std::get_if<picture::BrushRec>(&record);
        b && !brush && b->style == picture::BrushStyle::kSolid)
      brush = b->color;
    if (auto* p = std::get_if<picture::PenRec>(&record);
        p && !pen && p->style == picture::PenStyle::kSolid)
      pen = p->color;
  }
  std::optional<picture::ColorValue> colour = font ? font : brush ? brush : pen;
  return colour ? KeyOfColour(*colour) : std::nullopt;
}

struct Outcome {
  std::optional<std::string> error;
  std::vector<std::string> messages;
  std::map<LayerKey, LayerContent> layers;
  picture::Picture sheet;
};

Outcome Convert(const TestMesh& mesh) {
  TempFolder folder;
  mesh.Write(folder / "mesh");
  picture::test_util::FixedMetrics metrics(8, 12);
  CollectingSink sink;
  Outcome out;
  conversion::ConversionServices services{AllLayersOn(), metrics, sink};
  try {
    conversion::ConvertMesh(folder / "mesh", services, out.sheet);
  } catch (const base::ConversionError& e) {
    out.error = e.what();
  }
  out.messages = sink.messages;
  for (const picture::Record& record : out.sheet.records) {
    if (auto* layer = std::get_if<picture::LayerRec>(&record)) {
      const picture::Picture& picture = *out.sheet.Layer(*layer);
      std::optional<LayerKey> key = KeyOfLayer(picture);
      EXPECT_TRUE(key.has_value()) << "a layer without a colour of its own";
      if (!key) continue;
      EXPECT_FALSE(out.layers.count(*key)) << settings::Def(*key).name << " drawn twice";
      out.layers[*key] = Describe(picture);
    }
  }
  return out;
}

const Outcome& Intact() {
  static const Outcome* intact = new Outcome(Convert(TestMesh()));
  return *intact;
}

// The layers whose colours appear in the stored metafile's drawing operations.
std::set<LayerKey> LayersInWmf(const picture::Picture& sheet) {
  std::string bytes = output::EncodeWmf(sheet, output::NominalSize{});
  output::wmftest::Playback playback = output::wmftest::Play(output::wmftest::ParseWmf(bytes));
  EXPECT_TRUE(playback.faults.empty()) << playback.faults.front();
  std::set<LayerKey> keys;
  for (const output::wmftest::DrawOp& op : playback.ops) {
    std::optional<uint32_t> colour;
    if (!op.text.bytes.empty()) {
      colour = op.state.text_color;
    } else if (op.function == output::wmf::kPolygon && op.state.brush) {
      colour = op.state.brush->color;
    } else if (op.state.pen) {
      colour = op.state.pen->color;
    }
    if (colour)
      if (auto key = KeyOfColour(*colour)) keys.insert(*key);
  }
  return keys;
}

// The layer rows in drawing order.
std::vector<LayerKey> RowOrder() {
  std::vector<LayerKey> keys;
  for (const ConversionStep& step : ConversionSteps())
    if (step.row > 0) keys.push_back(step.key);
  return keys;
}

enum class Change { kMissing, kEmpty, kDifferent };

struct BadInputCase {
  BadInputCase(const char* name, const char* file, std::function<std::string(std::string)> edit,
               std::vector<std::string> messages, std::map<LayerKey, Change> changed,
               std::optional<std::string> error = std::nullopt,
               std::optional<LayerKey> fails_at = std::nullopt)
      : name(name),
        file(file),
        edit(std::move(edit)),
        messages(std::move(messages)),
        changed(std::move(changed)),
        error(std::move(error)),
        fails_at(fails_at) {}
  const char* name;
  const char* file;  // relative to the mesh folder
  std::function<std::string(std::string)> edit;
  std::vector<std::string> messages;
  std::map<LayerKey, Change> changed;  // every other layer is drawn exactly as from the intact mesh
  std::optional<std::string> error;
  std::optional<LayerKey> fails_at;  // with error: the row during which the conversion ends
};

std::ostream& operator<<(std::ostream& os, const BadInputCase& c) { return os << c.name; }

// Edits of a file's text. Each fails the test when the text it works on is not there.
std::function<std::string(std::string)> Replace(std::string from, std::string to) {
  return [=](std::string text) {
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << "'" << from << "' not in the file";
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
  };
}
// Keeps the text up to and including `last`.
std::function<std::string(std::string)> CutAfter(std::string last) {
  return [=](std::string text) {
    size_t at = text.find(last);
    EXPECT_NE(at, std::string::npos) << "'" << last << "' not in the file";
    return at == std::string::npos ? text : text.substr(0, at + last.size());
  };
}
// Replaces the header line.
std::function<std::string(std::string)> FirstLine(std::string header) {
  return [=](std::string text) { return header + text.substr(text.find("\r\n")); };
}
std::function<std::string(std::string)> Becomes(std::string bytes) {
  return [=](std::string) { return bytes; };
}
// `count` bytes of noise in which no line begins with a record letter.
std::string Noise(size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(count, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  for (size_t i = 0; i < bytes.size(); ++i) {
    if ((i == 0 || bytes[i - 1] == '\n') && (bytes[i] == 'A' || bytes[i] == 'L' || bytes[i] == 'P'))
      bytes[i] = '#';
  }
  return bytes;
}

const std::string kHeaderMessage = "ARCファイルのレコード数不正=";

const BadInputCase kCases[] = {
    {"PolygonTableHeaderWithoutCount",
     "gaiku/GAIKU.PGN",
     FirstLine("PGN,533945,1,x,"),
     {kHeaderMessage + "PGN,533945,1,x, -->"},
     {{LayerKey::kGaikuName, Change::kMissing}}},
    // The arc table is loaded from this file four times (rows 1 and 39, and within rows 41 and
    // 42); each load shows the message. The prefecture arcs are read from the file itself.
    {"ArcTableHeaderWithoutCount",
     "gyousei/gyousei.arc",
     FirstLine("ARC,533945,1"),
     std::vector<std::string>(4, kHeaderMessage + "ARC,533945,1 -->"),
     {{LayerKey::kSityoPoly, Change::kMissing},
      {LayerKey::kTyomePoly, Change::kMissing},
      {LayerKey::kTyomeLine, Change::kMissing},
      {LayerKey::kSityoLine, Change::kMissing}}},
    {"ArcRecordWithoutLineType",
     "others/others.arc",
     Replace("L2300,1,1,2", "L2300,,1,2"),
     {"線種ID不正=L2300,,1,2"},
     {{LayerKey::kTetuLine, Change::kEmpty}}},
    {"PolygonRecordWithoutReferenceCount",
     "kasen/kasen.pgn",
     Replace("A5101,1,1,1040.0", "A5101,1,,1040.0"),
     std::vector<std::string>(2, "PGNファイルのレコード数不正=A5101,1,,1040.0,1040.0"),
     {{LayerKey::kKasenPoly, Change::kEmpty}, {LayerKey::kKasenLine, Change::kEmpty}}},
    {"NameRecordWithoutId",
     "mizu/mizu.atr",
     Replace("A5101,1,x", "A5101,,x"),
     {"PGNファイルのPID不正=A5101,,x,MIZU4,MIZU5,MIZU6,MIZU7"},
     {{LayerKey::kMizuName, Change::kEmpty}}},
    {"LineTypeNotAnInteger",
     "others/others.arc",
     Replace("L2300,1,1,2", "L2300,x,1,2"),
     {},
     {},
     "others/others.arc:2: 'x' は整数ではありません",
     LayerKey::kTetuLine},
    {"PolygonIdNotAnInteger",
     "tatemono/tatemono.pgn",
     Replace("A3001,1,", "A3001,one,"),
     {},
     {},
     "tatemono/tatemono.pgn:2: 'one' は整数ではありません",
     LayerKey::kTatemonoName},
    {"CoordinateNotANumber",
     "kasen/kasen.arc",
     Replace("1000.0,900.0", "abc,900.0"),
     {},
     {},
     "kasen/kasen.arc:9: 'abc' は浮動小数点数ではありません",
     LayerKey::kKasencyuLine},
    {"ArcFileEndsInsideARecord",
     "road/roadntwk.arc",
     CutAfter("L2110,1,1,2\r\n400.0,0.0\r\n"),
     {},
     {},
     "road/roadntwk.arc:4: '' は浮動小数点数ではありません",
     LayerKey::kLoadLine},
    // The missing reference reads as an empty line: the fill keeps the arcs collected before it,
    // the outline the arcs drawn before it, so both layers look as before.
    {"PolygonFileEndsInsideARecord",
     "tatemono/tatemono.pgn",
     Replace("A3001,1,1,", "A3001,1,2,"),
     std::vector<std::string>(2, "PGNファイルのPID不正="),
     {}},
    {"NameOfAnUnknownPolygon",
     "mizu/mizu.atr",
     Replace("A5101,1,x", "A5101,99,x"),
     {"ATRID-NOTFOUND=99"},
     {{LayerKey::kMizuName, Change::kEmpty}}},
    {"ReferenceToAnUnknownArc",
     "kasen/kasen.pgn",
     Replace("1040.0\r\n1\r\n", "1040.0\r\n-7\r\n"),
     std::vector<std::string>(2, "ARCID-NOTFOUND=-7"),
     {{LayerKey::kKasenPoly, Change::kEmpty}, {LayerKey::kKasenLine, Change::kEmpty}}},
    {"HugeHeaderCount", "gaiku/GAIKU.PGN", FirstLine("PGN,533945,1,x,2147483647"), {}, {}},
    {"NegativeHeaderCount", "gyousei/gyousei.arc", FirstLine("ARC,533945,1,-5"), {}, {}},
    {"HeaderCountBeyond32Bits",
     "gaiku/GAIKU.PGN",
     FirstLine("PGN,533945,1,x,99999999999"),
     {},
     {},
     "gaiku/GAIKU.PGN:1: '99999999999' は整数ではありません",
     LayerKey::kGaikuName},
    // A point count beyond the file reads the next record line as a coordinate.
    {"HugePointCount",
     "others/others.arc",
     Replace("L2300,1,1,2", "L2300,1,1,2147483647"),
     {},
     {},
     "others/others.arc:5: 'L6200' は浮動小数点数ではありません",
     LayerKey::kTetuLine},
    {"NegativePointCount",
     "others/others.arc",
     Replace("L2300,1,1,2", "L2300,1,1,-3"),
     {},
     {{LayerKey::kTetuLine, Change::kEmpty}}},
    {"EmptyArcTableFile",
     "gyousei/gyousei.arc",
     Becomes(""),
     {},
     {{LayerKey::kSityoPoly, Change::kMissing},
      {LayerKey::kTyomePoly, Change::kMissing},
      {LayerKey::kTyomeLine, Change::kMissing},
      {LayerKey::kSityoLine, Change::kMissing},
      {LayerKey::kKenLine, Change::kEmpty}}},
    {"EmptyPointFile", "others/eki.pnt", Becomes(""), {}, {{LayerKey::kEkiName, Change::kMissing}}},
    {"EmptyNameFile",
     "gyousei/tyome.atr",
     Becomes(""),
     {},
     {{LayerKey::kTyomeName, Change::kEmpty}}},
    {"NoiseAsNameFile",
     "mizu/mizu.atr",
     Becomes(Noise(4096, 7)),
     {},
     {{LayerKey::kMizuName, Change::kEmpty}}},
    {"NoiseInAFileNoLayerReads", "others/tetudou.atr", Becomes(Noise(4096, 8)), {}, {}},
    // Text after a Ctrl-Z is not read: only the first premises name remains.
    {"CtrlZInMidFile",
     "others/zyouti.atr",
     Replace("\r\nA6242,",
             "\r\n\x1A"
             "A6242,"),
     {},
     {{LayerKey::kParkName, Change::kEmpty},
      {LayerKey::kSchoolName, Change::kEmpty},
      {LayerKey::kTempleName, Change::kEmpty},
      {LayerKey::kBotiName, Change::kEmpty}}},
    {"TenMegabyteLineThatIsNoRecord",
     "others/others.arc",
     Replace("50.0,2000.0\r\n", "50.0,2000.0\r\n#" + std::string(10 << 20, '9') + "\r\n"),
     {},
     {}},
};

class BadInputTest : public testing::TestWithParam<BadInputCase> {};

TEST_P(BadInputTest, ReportsExactlyAndLosesNothingElse) {
  const BadInputCase& c = GetParam();
  const Outcome& intact = Intact();
  TestMesh mesh;
  mesh.files()[c.file] = c.edit(mesh.files()[c.file]);
  Outcome broken = Convert(mesh);

  EXPECT_EQ(broken.error, c.error);
  EXPECT_EQ(broken.messages, c.messages);

  bool failed = false;
  for (LayerKey key : RowOrder()) {
    const char* name = settings::Def(key).name.data();
    failed = failed || (c.fails_at && key == *c.fails_at);
    auto got = broken.layers.find(key);
    if (failed) {
      EXPECT_EQ(got, broken.layers.end()) << name << " drawn after the conversion failed";
      continue;
    }
    auto change = c.changed.find(key);
    if (change != c.changed.end() && change->second == Change::kMissing) {
      EXPECT_EQ(got, broken.layers.end()) << name << " should be skipped";
      continue;
    }
    ASSERT_NE(got, broken.layers.end()) << name << " is missing";
    if (change == c.changed.end()) {
      EXPECT_EQ(got->second.summary, intact.layers.at(key).summary) << name << " changed";
    } else if (change->second == Change::kEmpty) {
      EXPECT_FALSE(got->second.drawn) << name << " should draw nothing";
    } else {
      EXPECT_NE(got->second.summary, intact.layers.at(key).summary) << name << " unchanged";
    }
  }

  // The stored file shows exactly the layers that drew something.
  std::set<LayerKey> drawn;
  for (const auto& [key, content] : broken.layers)
    if (content.drawn) drawn.insert(key);
  drawn.insert(LayerKey::kSumiLine);  // the corner marks, drawn on the sheet itself
  EXPECT_EQ(LayersInWmf(broken.sheet), drawn);
}

INSTANTIATE_TEST_SUITE_P(Cases, BadInputTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BadInputBaseline, IntactMeshDrawsEveryRow) {
  const Outcome& intact = Intact();
  EXPECT_FALSE(intact.error);
  EXPECT_TRUE(intact.messages.empty());
  for (LayerKey key : RowOrder()) {
    ASSERT_TRUE(intact.layers.count(key)) << settings::Def(key).name;
    EXPECT_TRUE(intact.layers.at(key).drawn) << settings::Def(key).name;
  }
}

// A NUL byte is data like any other: in a name it reaches the drawing unchanged, in a number it
// makes the number invalid, and the message shows the whole text with the NUL made visible.
TEST(BadInputNul, NulInANameIsWrittenUnchanged) {
  TestMesh mesh;
  mesh.files()["tatemono/tatemono.atr"] =
      Replace("OBJ5", std::string("O\0BJ5", 5))(mesh.files()["tatemono/tatemono.atr"]);
  Outcome out = Convert(mesh);
  ASSERT_FALSE(out.error);
  ASSERT_TRUE(out.layers.count(LayerKey::kTatemonoName));
  EXPECT_NE(out.layers[LayerKey::kTatemonoName].summary.find(std::string("O\0BJ5OBJ6", 9)),
            std::string::npos);
}

TEST(BadInputNul, NulInACoordinateFailsTheConversion) {
  TestMesh mesh;
  mesh.files()["kasen/kasen.arc"] =
      Replace("1000.0,900.0", std::string("1000.0,9\0"
                                          "00.0",
                                          12))(mesh.files()["kasen/kasen.arc"]);
  Outcome out = Convert(mesh);
  ASSERT_TRUE(out.error);
  EXPECT_EQ(*out.error, "kasen/kasen.arc:9: '9\u240000.' は浮動小数点数ではありません");
  EXPECT_FALSE(out.layers.count(LayerKey::kKasencyuLine));
  EXPECT_TRUE(out.layers.count(LayerKey::kMizuPoly));  // drawn before the river centre lines
}

// Which files each row reads: its own, and those its tables were last loaded from.
std::map<LayerKey, std::set<std::string>> FilesReadByRow() {
  auto rel = [](conversion::MeshPath field) {
    std::string path = mapdata::FileSet("").*field;
    return path.substr(1);
  };
  std::map<LayerKey, std::set<std::string>> reads;
  std::string arcs, polygons, points, attributes;
  for (const ConversionStep& step : ConversionSteps()) {
    if (step.load != conversion::TableLoad::kNone) {
      std::string file = rel(step.load_file);
      switch (step.load) {
        case conversion::TableLoad::kArcs:
          arcs = file;
          break;
        case conversion::TableLoad::kPolygons:
        case conversion::TableLoad::kPolygonsIfEmpty:
          polygons = file;
          break;
        case conversion::TableLoad::kPoints:
          points = file;
          break;
        case conversion::TableLoad::kRoadAttributes:
          attributes = file;
          break;
        default:
          break;
      }
    }
    if (step.row == 0) continue;
    reads[step.key] = {rel(step.file), arcs, polygons, points, attributes};
  }
  return reads;
}

// Any data file replaced by bytes of noise: the conversion ends normally or with a conversion
// error, and every row that does not read the file, up to where the conversion ended, is drawn
// exactly as from the intact mesh.
TEST(BadInputNoise, AnyFileOfNoiseSparesTheRowsThatDoNotReadIt) {
  const Outcome& intact = Intact();
  const auto reads = FilesReadByRow();
  unsigned seed = 1;
  TestMesh all;
  for (const auto& [file, bytes] : all.files()) {
    SCOPED_TRACE(file);
    TestMesh mesh;
    std::mt19937 random(seed++);
    std::string noise(2048, '\0');
    for (char& c : noise) c = static_cast<char>(random() % 7 == 0 ? '\n' : random());
    mesh.files()[file] = noise;
    Outcome out = Convert(mesh);
    for (LayerKey key : RowOrder()) {
      if (out.error && !out.layers.count(key)) break;  // the row the conversion ended in
      if (reads.at(key).count(file)) continue;
      ASSERT_TRUE(out.layers.count(key)) << settings::Def(key).name;
      EXPECT_EQ(out.layers.at(key).summary, intact.layers.at(key).summary)
          << settings::Def(key).name;
    }
  }
}

// A settings file whose lines end in CR CR LF (a CR LF file converted to CR LF once more, as some
// transfer tools do): the stray CR belongs to the line end, not to the value. Read as part of the
// value it would switch every layer off, drop every colour, and put a line break into the face
// names, which the next save then refuses to write.
TEST(BadSettingsFile, DoubledCarriageReturnsAreLineEnds) {
  TempFolder folder;
  const std::string ini = folder / "vellumist.ini";
  std::ofstream(ini, std::ios::binary)
      << "[CONVERT]\r\r\nKEN_LINE=ON\r\r\n[COLOR]\r\r\nKEN_LINE=255\r\r\n"
         "[FontCyo]\r\r\nName=IPAGothic\r\r\nSize=12\r\r\n";
  settings::LayerStyleTable table;
  settings::LoadSettings(ini, folder.path() + "/", table);
  EXPECT_TRUE(table.Style(LayerKey::kKenLine).enabled);
  EXPECT_EQ(table.Style(LayerKey::kKenLine).color, 255u);
  EXPECT_EQ(table.Font(settings::FontId::kCyo).face_name, "IPAGothic");
  EXPECT_EQ(table.Font(settings::FontId::kCyo).height, settings::FontHeightFromSize(12));
  EXPECT_NO_THROW(settings::SaveSettings(ini, table));
}

}  // namespace
}  // namespace sheetwright

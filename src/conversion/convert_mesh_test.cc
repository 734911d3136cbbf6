#include "conversion/convert_mesh.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <numeric>
#include <optional>
#include <variant>

#include "conversion/mesh_test_util.h"
#include "output/wmf/wmf_writer.h"
#include "picture/fixed_metrics_test_util.h"

namespace sheetwright::conversion {
namespace {

using picture::Picture;
using settings::FontId;
using settings::LayerKey;
using settings::LayerStyle;
using sheetwright::test_util::Native;
using test_util::CollectingSink;
using test_util::TempFolder;
using test_util::TestMesh;
using K = LayerKey;

constexpr picture::ColorValue ColorOf(LayerKey key) {
  return 0x00100000u + static_cast<uint32_t>(key);
}
std::string FaceOf(FontId id) { return "Face" + std::to_string(static_cast<int>(id)); }

// Every layer on with a colour and label face of its own, so each layer picture tells its key.
class TestStyles : public settings::StyleSource {
 public:
  TestStyles() {
    for (int k = 0; k < settings::kLayerCount; ++k) {
      styles_[k] = {true, ColorOf(static_cast<LayerKey>(k)), 3};
    }
    for (int f = 0; f < settings::kFontCount; ++f) fonts_[f].face_name = FaceOf(FontId(f));
  }
  LayerStyle Style(LayerKey key) const override {
    queried.push_back(key);
    return styles_[static_cast<int>(key)];
  }
  picture::LabelFont Font(FontId id) const override { return fonts_[static_cast<int>(id)]; }

  LayerStyle& operator[](LayerKey key) { return styles_[static_cast<int>(key)]; }
  picture::LabelFont& font(FontId id) { return fonts_[static_cast<int>(id)]; }
  void SetAll(bool enabled, int step) {
    for (auto& s : styles_) s.enabled = enabled, s.width_step = step;
  }

  mutable std::vector<LayerKey> queried;

 private:
  std::array<LayerStyle, settings::kLayerCount> styles_{};
  std::array<picture::LabelFont, settings::kFontCount> fonts_{};
};

// The key a layer picture was drawn for: its label face, else its solid pen or brush colour.
std::optional<LayerKey> KeyOf(const Picture& layer) {
  std::optional<uint32_t> color;
  for (const picture::Record& r : layer.records) {
    if (auto* f = std::get_if<picture::FontRec>(&r)) {
      for (int i = 0; i < settings::kFontCount; ++i) {
        if (layer.Font(*f)->face_name == FaceOf(FontId(i)))
          return settings::Def(FontId(i)).used_for;
      }
      return std::nullopt;
    }
    if (color) continue;
    if (auto* p = std::get_if<picture::PenRec>(&r); p && p->style == picture::PenStyle::kSolid) {
      color = p->color;
    }
    if (auto* b = std::get_if<picture::BrushRec>(&r);
        b && b->style == picture::BrushStyle::kSolid) {
      color = b->color;
    }
  }
  for (int k = 0; color && k < settings::kLayerCount; ++k) {
    if (ColorOf(LayerKey(k)) == *color) return LayerKey(k);
  }
  return std::nullopt;
}

std::vector<const Picture*> Layers(const Picture& sheet) {
  std::vector<const Picture*> layers;
  for (const picture::Record& r : sheet.records) {
    if (auto* l = std::get_if<picture::LayerRec>(&r)) layers.push_back(sheet.Layer(*l));
  }
  return layers;
}

std::vector<LayerKey> LayerKeys(const Picture& sheet) {
  std::vector<LayerKey> keys;
  for (const Picture* layer : Layers(sheet)) {
    auto key = KeyOf(*layer);
    EXPECT_TRUE(key.has_value()) << "a layer that no row would draw";
    if (key) keys.push_back(*key);
  }
  return keys;
}

const Picture* LayerOf(const Picture& sheet, LayerKey key) {
  for (const Picture* layer : Layers(sheet)) {
    if (KeyOf(*layer) == key) return layer;
  }
  return nullptr;
}

template <class Rec>
std::vector<Rec> RecordsOf(const Picture& picture) {
  std::vector<Rec> out;
  for (const picture::Record& r : picture.records) {
    if (auto* x = std::get_if<Rec>(&r)) out.push_back(*x);
  }
  return out;
}

const std::vector<LayerKey>& kRowOrder = test_util::RowOrder();

class ConvertMeshTest : public ::testing::Test {
 protected:
  // Converts `mesh` (written to a fresh folder) with the test styles.
  Picture Convert(const TestMesh& mesh) {
    mesh.Write(folder_.path() + "/mesh");
    Picture sheet;
    ConvertMesh(folder_.path() + "/mesh", Services(), sheet, stats_);
    return sheet;
  }
  ConversionServices Services() { return {styles_, metrics_, sink_, nullptr}; }
  std::vector<LayerKey> RowsWithout(std::initializer_list<LayerKey> skipped) {
    std::vector<LayerKey> rows;
    for (LayerKey k : kRowOrder) {
      if (std::find(skipped.begin(), skipped.end(), k) == skipped.end()) rows.push_back(k);
    }
    return rows;
  }

  TempFolder folder_;
  TestStyles styles_;
  picture::test_util::FixedMetrics metrics_{10, 20};
  CollectingSink sink_;
  ConversionStats stats_;
};

TEST_F(ConvertMeshTest, DrawsEveryRowInStackingOrderAboveTheCornerMarks) {
  Picture sheet = Convert(TestMesh());
  EXPECT_EQ(LayerKeys(sheet), kRowOrder);
  EXPECT_THAT(sink_.messages, ::testing::IsEmpty());
  // The corner marks come first, straight on the sheet, beneath every layer.
  auto first_layer = std::find_if(sheet.records.begin(), sheet.records.end(), [](auto& r) {
    return std::holds_alternative<picture::LayerRec>(r);
  });
  EXPECT_EQ(std::count_if(sheet.records.begin(), first_layer,
                          [](auto& r) { return std::holds_alternative<picture::LineRec>(r); }),
            8);
  EXPECT_EQ(RecordsOf<picture::LineRec>(sheet).size(), 8u);
  EXPECT_TRUE(std::holds_alternative<picture::BrushRec>(sheet.records[0]));
  // Styles are read when each row's turn comes: the marks first, then the rows in order.
  std::vector<LayerKey> expected_queries = {K::kSumiLine};
  expected_queries.insert(expected_queries.end(), kRowOrder.begin(), kRowOrder.end());
  EXPECT_EQ(styles_.queried, expected_queries);
}

TEST_F(ConvertMeshTest, EachFileIsReadOnceAndEachTableParsedOnce) {
  Convert(TestMesh());
  // 25 paths, of which others/tetudou.atr is missing and never read.
  EXPECT_EQ(stats_.file_reads, 24);
  // Arc tables of six themes, polygon tables of seven files, points, road attributes.
  EXPECT_EQ(stats_.table_parses, 6 + 7 + 1 + 1);
}

TEST_F(ConvertMeshTest, MeshWithoutFilesHoldsOnlyTheCornerMarksOrNothing) {
  std::filesystem::create_directories(folder_ / "empty");
  Picture sheet;
  ConvertMesh(folder_ / "empty", Services(), sheet);
  EXPECT_TRUE(Layers(sheet).empty());
  EXPECT_EQ(sheet.width, 20000);
  EXPECT_EQ(sheet.height, 15000);
  std::vector<picture::LineRec> lines = RecordsOf<picture::LineRec>(sheet);
  std::vector<std::pair<picture::Point, picture::Point>> got;
  for (auto& l : lines) got.push_back({l.from, l.to});
  std::vector<std::pair<picture::Point, picture::Point>> want = {{{0, 0}, {0, 50}},
                                                                 {{0, 0}, {50, 0}},
                                                                 {{19950, 0}, {20000, 0}},
                                                                 {{20000, 0}, {20000, 50}},
                                                                 {{0, 14950}, {0, 15000}},
                                                                 {{0, 15000}, {50, 15000}},
                                                                 {{20000, 14950}, {20000, 15000}},
                                                                 {{19950, 15000}, {20000, 15000}}};
  EXPECT_EQ(got, want);
  auto pens = RecordsOf<picture::PenRec>(sheet);
  ASSERT_EQ(pens.size(), 1u);
  EXPECT_EQ(pens[0].color, ColorOf(K::kSumiLine));
  auto brushes = RecordsOf<picture::BrushRec>(sheet);
  ASSERT_EQ(brushes.size(), 1u);
  EXPECT_EQ(brushes[0].style, picture::BrushStyle::kSolid);

  styles_[K::kSumiLine].enabled = false;
  sheet.records.push_back(picture::LineRec{});  // the sheet is reset, not appended to
  ConvertMesh(folder_ / "empty", Services(), sheet);
  EXPECT_TRUE(sheet.records.empty());
  EXPECT_EQ(sheet.width, 20000);
  EXPECT_THAT(sink_.messages, ::testing::IsEmpty());
}

// Pen widths follow the width step: step 1 is a hairline whatever the factor.
TEST_F(ConvertMeshTest, PenWidthsFollowTheStepAndEachRowsFactor) {
  struct Case {
    int step;
    int marks, factor20, factor30, factor40;
  };
  for (Case c : {Case{1, 1, 1, 1, 1}, Case{2, 10, 40, 60, 80}, Case{5, 25, 100, 150, 200}}) {
    styles_.SetAll(true, c.step);
    Picture sheet = Convert(TestMesh());
    EXPECT_EQ(RecordsOf<picture::PenRec>(sheet).at(0).width, c.marks) << c.step;
    std::map<LayerKey, int> want = {
        {K::kGaikuLine, c.factor20}, {K::kZyoLine, c.factor20},      {K::kTyomeLine, c.factor20},
        {K::kSityoLine, c.factor20}, {K::kLoadLine, c.factor20},     {K::kKuikiLine, c.factor20},
        {K::kTetuLine, c.factor30},  {K::kKasencyuLine, c.factor30}, {K::kSeaLine, c.factor30},
        {K::kKenLine, c.factor30},   {K::kHosyaLine, c.factor40},
    };
    for (auto [key, width] : want) {
      const Picture* layer = LayerOf(sheet, key);
      ASSERT_NE(layer, nullptr) << settings::Def(key).name;
      auto pens = RecordsOf<picture::PenRec>(*layer);
      ASSERT_FALSE(pens.empty());
      EXPECT_EQ(pens[0].width, width) << settings::Def(key).name << " step " << c.step;
    }
  }
}

TEST_F(ConvertMeshTest, WithoutTheAdministrativeArcsOnlyItsNameRowsRemain) {
  TestMesh mesh;
  mesh.Remove("gyousei/gyousei.arc");
  Picture sheet = Convert(mesh);
  EXPECT_EQ(LayerKeys(sheet),
            RowsWithout({K::kSityoPoly, K::kTyomePoly, K::kTyomeLine, K::kSityoLine, K::kKenLine}));
  EXPECT_THAT(sink_.messages, ::testing::IsEmpty());
}

TEST_F(ConvertMeshTest, CityFillNeedsTwoArcLinesTownFillOne) {
  TestMesh mesh;
  mesh.files()["gyousei/gyousei.arc"] = "ARC,533945,1,1\r\nL1102,1,9,0\r\n";
  Picture sheet = Convert(mesh);
  std::vector<LayerKey> keys = LayerKeys(sheet);
  EXPECT_THAT(keys, ::testing::Not(::testing::Contains(K::kSityoPoly)));
  EXPECT_THAT(keys, ::testing::Contains(K::kTyomePoly));
}

TEST_F(ConvertMeshTest, StationNamesNeedThePointFile) {
  TestMesh mesh;
  mesh.Remove("others/eki.pnt");
  EXPECT_EQ(LayerKeys(Convert(mesh)), RowsWithout({K::kEkiName}));
}

TEST_F(ConvertMeshTest, MissingFilesSkipOnlyTheirRows) {
  struct Case {
    const char* file;
    std::vector<LayerKey> skipped;
  };
  const std::vector<Case> cases = {
      {"others/zyouti.pgn",
       {K::kZyoPoly, K::kParkPoly, K::kSchoolPoly, K::kTemplePoly, K::kBotiPoly, K::kTetusikiPoly,
        K::kZyoLine, K::kParkLine, K::kSchoolLine, K::kTempleLine, K::kBotiLine, K::kTetusikiLine,
        K::kZyoName, K::kParkName, K::kSchoolName, K::kTempleName, K::kBotiName}},
      {"others/others.arc",
       {K::kZyoPoly, K::kParkPoly, K::kSchoolPoly, K::kTemplePoly, K::kBotiPoly, K::kTetusikiPoly,
        K::kZyoLine, K::kParkLine, K::kSchoolLine, K::kTempleLine, K::kBotiLine, K::kTetusikiLine,
        K::kTetuLine}},
      {"road/roadntwk.arc", {K::kLoadLine, K::kHosyaLine, K::kKuikiLine}},
      {"gaiku/GAIKU.PGN", {K::kGaikuPoly, K::kGaikuLine, K::kGaikuName}},
      {"gyousei/tyome.pgn", {K::kTyomePoly, K::kTyomeName, K::kTyomeLine}},
      {"kasen/kasen.arc", {K::kKasenPoly, K::kKasenLine, K::kKasencyuLine}},
      {"mizu/mizu.atr", {K::kMizuName}},
  };
  for (const Case& c : cases) {
    TestMesh mesh;
    mesh.Remove(c.file);
    TempFolder folder;
    mesh.Write(folder.path());
    Picture sheet;
    ConvertMesh(folder.path(), Services(), sheet);
    std::vector<LayerKey> want;
    for (LayerKey k : kRowOrder) {
      if (std::find(c.skipped.begin(), c.skipped.end(), k) == c.skipped.end()) want.push_back(k);
    }
    EXPECT_EQ(LayerKeys(sheet), want) << c.file;
  }
}

TEST_F(ConvertMeshTest, MainRoadsWithoutAttributesDrawAnEmptyLayer) {
  TestMesh mesh;
  mesh.Remove("road/road.atr");
  Picture sheet = Convert(mesh);
  EXPECT_EQ(LayerKeys(sheet), kRowOrder);
  const Picture* main_roads = LayerOf(sheet, K::kHosyaLine);
  ASSERT_NE(main_roads, nullptr);
  EXPECT_TRUE(RecordsOf<picture::PolylineRec>(*main_roads).empty());
  // With the attributes, only arc 1 (value 1) is a main road.
  Picture with = Convert(TestMesh());
  EXPECT_EQ(RecordsOf<picture::PolylineRec>(*LayerOf(with, K::kHosyaLine)).size(), 1u);
  EXPECT_EQ(RecordsOf<picture::PolylineRec>(*LayerOf(with, K::kLoadLine)).size(), 2u);
}

TEST_F(ConvertMeshTest, EachPremisesRowDrawsOnlyItsOwnClass) {
  const LayerKey fills[6] = {K::kZyoPoly,    K::kParkPoly, K::kSchoolPoly,
                             K::kTemplePoly, K::kBotiPoly, K::kTetusikiPoly};
  const LayerKey outlines[6] = {K::kZyoLine,    K::kParkLine, K::kSchoolLine,
                                K::kTempleLine, K::kBotiLine, K::kTetusikiLine};
  Picture sheet = Convert(TestMesh());
  for (int i = 0; i < 6; ++i) {
    // The south-west corner of class i's square, in drawing units.
    test_util::MapPoint c = TestMesh::PremisesCorner(i);
    picture::Point corner{static_cast<int32_t>(c.east * 10),
                          15000 - static_cast<int32_t>(c.north * 10)};
    for (LayerKey key : {fills[i], outlines[i]}) {
      const Picture* layer = LayerOf(sheet, key);
      ASSERT_NE(layer, nullptr);
      std::vector<picture::Point> first_points;
      for (auto& p : RecordsOf<picture::PolygonRec>(*layer)) {
        first_points.push_back(layer->points[p.first]);
      }
      for (auto& p : RecordsOf<picture::PolylineRec>(*layer)) {
        first_points.push_back(layer->points[p.first]);
      }
      EXPECT_EQ(first_points, std::vector<picture::Point>{corner}) << settings::Def(key).name;
    }
  }
}

TEST_F(ConvertMeshTest, NameRowsUseTheirOwnFontAndField) {
  styles_.font(FontId::kPark).height = -99;  // must not reach the school names
  Picture sheet = Convert(TestMesh());
  struct Case {
    LayerKey key;
    FontId font;
    std::string text;
  };
  for (const Case& c : std::vector<Case>{{K::kGaikuName, FontId::kGai, "GAI7"},
                                         {K::kTatemonoName, FontId::kObj, "OBJ5OBJ6"},
                                         {K::kSchoolName, FontId::kSchool, "ZYO4ZYO5"},
                                         {K::kParkName, FontId::kPark, "ZYO4ZYO5"},
                                         {K::kEkiName, FontId::kEki, "EKI4EKI5"},
                                         {K::kTyomeName, FontId::kCyo, "CYO5CYO6"},
                                         {K::kSityoName, FontId::kSi, "SI5SI6"}}) {
    const Picture* layer = LayerOf(sheet, c.key);
    ASSERT_NE(layer, nullptr) << settings::Def(c.key).name;
    auto fonts = RecordsOf<picture::FontRec>(*layer);
    ASSERT_FALSE(fonts.empty());
    EXPECT_EQ(*layer->Font(fonts[0]), styles_.Font(c.font)) << settings::Def(c.key).name;
    auto texts = RecordsOf<picture::TextRec>(*layer);
    ASSERT_EQ(texts.size(), 1u) << settings::Def(c.key).name;
    EXPECT_EQ(layer->Text(texts[0]), c.text) << settings::Def(c.key).name;
  }
  // One park, one school: each premises name row writes only its own class.
  EXPECT_EQ(RecordsOf<picture::TextRec>(*LayerOf(sheet, K::kZyoName)).size(), 1u);
}

TEST_F(ConvertMeshTest, LabelRowsIgnoreTheirColourAndWidth) {
  Picture before = Convert(TestMesh());
  styles_[K::kSchoolName].color = 0x123456;
  styles_[K::kSchoolName].width_step = 1;
  Picture after = Convert(TestMesh());
  const Picture* a = LayerOf(before, K::kSchoolName);
  const Picture* b = LayerOf(after, K::kSchoolName);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(output::EncodeWmf(*a, {}), output::EncodeWmf(*b, {}));
}

TEST_F(ConvertMeshTest, SwitchedOffRowsAreSkippedButAlwaysLoadsStillReport) {
  TestMesh mesh;
  // A bad header in the administrative arc file is reported by every load of it: the two loads
  // that always run, and the loads of the two boundary rows.
  mesh.files()["gyousei/gyousei.arc"] = "ARC\r\nL1101,1,1,0\r\n";
  styles_.SetAll(false, 3);
  Convert(mesh);
  EXPECT_EQ(sink_.messages.size(), 2u);
  sink_.messages.clear();
  styles_[K::kTyomeLine].enabled = true;
  styles_[K::kSityoLine].enabled = true;
  Picture sheet = Convert(mesh);
  EXPECT_THAT(LayerKeys(sheet), ::testing::IsEmpty());
  ASSERT_EQ(sink_.messages.size(), 4u);
  for (const std::string& m : sink_.messages) {
    EXPECT_EQ(m, "ARCファイルのレコード数不正=ARC -->");
  }
}

TEST_F(ConvertMeshTest, BadNumberEndsTheConversionKeepingEarlierLayers) {
  TestMesh mesh;
  mesh.files()["road/roadntwk.arc"] = "ARC,1,1,3\r\nL2110,1,1,2\r\n400.0,0.0\r\n4x0.0,2000.0\r\n";
  TempFolder folder;
  mesh.Write(folder.path());
  Picture sheet;
  try {
    ConvertMesh(folder.path(), Services(), sheet);
    FAIL() << "no error";
  } catch (const base::ConversionError& e) {
    // The message as the rule gives it, after the file and the line it stands on.
    EXPECT_EQ(std::string(e.what()),
              Native("road/roadntwk.arc") + ":4: '4x0.0' は浮動小数点数ではありません");
  }
  auto upto = std::find(kRowOrder.begin(), kRowOrder.end(), K::kLoadLine);
  EXPECT_EQ(LayerKeys(sheet), std::vector<LayerKey>(kRowOrder.begin(), upto));
}

TEST_F(ConvertMeshTest, ProgressIsSteppedAfterSetUpAndCanCancel) {
  struct CancelAt : base::ProgressHook {
    int steps = 0, cancel_at;
    std::vector<int> rows;
    explicit CancelAt(int n) : cancel_at(n) {}
    void Step() override {
      if (++steps == cancel_at) throw base::ConversionCancelled();
    }
    void Row(int row, int of) override { rows.push_back(of == 43 ? row : -1); }
  };
  TestMesh mesh;
  mesh.Write(folder_ / "m");
  CancelAt first(1);
  Picture sheet;
  EXPECT_THROW(ConvertMesh(folder_ / "m", {styles_, metrics_, sink_, &first}, sheet),
               base::ConversionCancelled);
  EXPECT_TRUE(sheet.records.empty());  // cancelled before the corner marks

  CancelAt never(1 << 30);
  ConvertMesh(folder_ / "m", {styles_, metrics_, sink_, &never}, sheet);
  EXPECT_GT(never.steps, 1);
  std::vector<int> every_row(43);
  std::iota(every_row.begin(), every_row.end(), 1);
  EXPECT_EQ(never.rows, every_row);  // each row's turn, drawn or not
}

// Messages and the fatal error name the data file (relative to the mesh) and the line; a data file
// that is a folder, a FIFO or a dangling link is skipped with a message, and a FIFO never blocks.
TEST_F(ConvertMeshTest, MessagesSayWhereAndOddFilesAreSkippedAloud) {
  TestMesh bad;
  bad.files()["gyousei/tyome.pgn"] = test_util::PolygonFile({{"A1202", 1, {99}, {450, 450}}});
  Convert(bad);
  ASSERT_FALSE(sink_.messages.empty());
  EXPECT_EQ(sink_.messages[0], "ARCID-NOTFOUND=99");
  EXPECT_EQ(sink_.places[0].file, Native("gyousei/tyome.pgn"));
  EXPECT_EQ(sink_.places[0].line, 3);

  TestMesh broken;
  broken.files()["road/roadntwk.arc"] = "ARC,1,1,3\r\nL2110,1,1,2\r\n400.0,0.0\r\n4x0.0,2000.0\r\n";
  try {
    Convert(broken);
    ADD_FAILURE() << "no error";
  } catch (const base::ConversionError& e) {
    EXPECT_EQ(std::string(e.what()),
              Native("road/roadntwk.arc") + ":4: '4x0.0' は浮動小数点数ではありません");
  }

#ifndef _WIN32  // FIFOs and symbolic links
  TestMesh odd;
  odd.Remove("gaiku/GAIKU.PGN");
  odd.Remove("gyousei/tyome.pgn");
  odd.Remove("mizu/mizu.atr");
  TempFolder folder;
  odd.Write(folder.path());
  std::filesystem::create_directory(folder.path() + "/gaiku/GAIKU.PGN");
  ASSERT_EQ(::mkfifo((folder.path() + "/gyousei/tyome.pgn").c_str(), 0600), 0);
  std::filesystem::create_symlink("/no/such/file", folder.path() + "/mizu/mizu.atr");
  sink_.messages.clear();
  Picture sheet;
  ConvertMesh(folder.path(), Services(), sheet);
  EXPECT_THAT(sink_.messages,
              ::testing::UnorderedElementsAre(
                  folder.path() + "/gaiku/GAIKU.PGN を読み飛ばします: フォルダです",
                  folder.path() + "/gyousei/tyome.pgn を読み飛ばします: 特殊ファイルです",
                  folder.path() + "/mizu/mizu.atr を読み飛ばします: リンク先がありません"));
#endif
}

}  // namespace
}  // namespace sheetwright::conversion

// The sample meshes converted with the example style, read back by independent readers: libwmf
// (wmf2svg) must accept every stored file, and the strict test reader must find every layer that
// is switched on and has data, in stacking order; libxml2 must read every SVG the converter
// stores, with its layers in the same order.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "conversion/batch.h"
#include "conversion/convert_mesh.h"
#include "conversion/layer_rows.h"
#include "conversion/mesh_folders.h"
#include "conversion/mesh_test_util.h"
#include "mapdata/mesh_files.h"
#include "mapdata/record_lines.h"
#include "output/svg/svg_reader_test_util.h"
#include "output/wmf/wmf_reader_test_util.h"
#include "output/wmf/wmf_writer.h"
#include "picture/font_library.h"
#include "process_test_util.h"
#include "settings/settings_file.h"

namespace sheetwright {
namespace {

namespace fs = std::filesystem;
using conversion::test_util::RowOrder;
using settings::FontId;
using settings::LayerKey;
using test_util::CollectingSink;
using test_util::ReadFileBytes;
using test_util::TempFolder;

const std::string kMeshes = SHEETWRIGHT_SOURCE_DIR "/examples/meshes";
const std::string kSettings = SHEETWRIGHT_SOURCE_DIR "/examples/vellumist.ini";

// The example style with a colour of its own for every layer and label font, so that each drawn
// operation tells which layer drew it.
class DistinctColours : public settings::StyleSource {
 public:
  explicit DistinctColours(const settings::StyleSource& base) : base_(base) {}
  static uint32_t Of(LayerKey key) { return 0x00100000u + static_cast<uint32_t>(key); }
  static uint32_t Of(FontId id) { return 0x00200000u + static_cast<uint32_t>(id); }
  settings::LayerStyle Style(LayerKey key) const override {
    settings::LayerStyle s = base_.Style(key);
    s.color = Of(key);
    return s;
  }
  picture::LabelFont Font(FontId id) const override {
    picture::LabelFont f = base_.Font(id);
    f.color = Of(id);
    return f;
  }

 private:
  const settings::StyleSource& base_;
};

// Stacking position of each key: the corner marks 0, the rows 1..43.
std::map<uint32_t, std::pair<int, LayerKey>> PositionsByColour() {
  std::map<uint32_t, std::pair<int, LayerKey>> out;
  out[DistinctColours::Of(LayerKey::kSumiLine)] = {0, LayerKey::kSumiLine};
  for (size_t i = 0; i < RowOrder().size(); ++i) {
    LayerKey key = RowOrder()[i];
    const settings::LayerDef& def = settings::Def(key);
    uint32_t colour = def.font ? DistinctColours::Of(*def.font) : DistinctColours::Of(key);
    out[colour] = {static_cast<int>(i) + 1, key};
  }
  return out;
}

// Whether a row has something to draw in a mesh: its file holds a record line of its code.
bool HasData(const std::string& mesh_folder, const conversion::ConversionStep& step) {
  mapdata::MeshFiles files = mapdata::FileSet(mesh_folder);
  auto found = mapdata::FindDataFile(files.*step.file);
  if (!found) return false;
  auto text = mapdata::FileText::Read(*found);
  mapdata::LineCursor lines(*text);
  lines.Next();  // the header
  while (!lines.AtEnd()) {
    std::string_view line = lines.Next();
    if (!mapdata::BeginsWith(line, step.code)) continue;
    if (step.drawer != conversion::DrawerKind::kMainRoads) return true;
    // A main road needs an attribute line marking an arc.
    auto atr = mapdata::FindDataFile(files.RoadAtr);
    if (!atr) return false;
    auto atr_text = mapdata::FileText::Read(*atr);
    mapdata::LineCursor atr_lines(*atr_text);
    atr_lines.Next();
    while (!atr_lines.AtEnd()) {
      std::string_view a = atr_lines.Next();
      size_t c1 = a.find(','), c2 = a.find(',', c1 + 1);
      if (a.size() > 0 && a[0] == 'L' && c2 != std::string_view::npos) {
        std::string_view value = a.substr(c2 + 1, a.find(',', c2 + 1) - c2 - 1);
        if (value != "0" && !value.empty()) return true;
      }
    }
    return false;
  }
  return false;
}

class SamplesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    meshes_ = conversion::ListMeshes(kMeshes);
    ASSERT_GE(meshes_.size(), 3u) << "sample meshes missing in " << kMeshes;
    settings::StartupSettings startup = settings::LoadSettings(kSettings, "/", styles_);
    ASSERT_FALSE(startup.error.has_value());
  }
  std::vector<std::string> meshes_;
  settings::LayerStyleTable styles_;
  picture::FontLibrary fonts_;
};

TEST_F(SamplesTest, TheExampleStyleSwitchesEveryLayerOn) {
  for (const settings::LayerDef& def : settings::LayerDefs()) {
    EXPECT_TRUE(styles_.Style(def.key).enabled) << def.name;
  }
}

TEST_F(SamplesTest, LibwmfReadsEveryStoredFile) {
  TempFolder out;
  conversion::BatchRequest request;
  request.input_folder = kMeshes;
  request.output_folder = out.path();
  request.meshes = meshes_;
  request.jobs = 2;
  conversion::BatchObserver quiet;
  conversion::BatchResult result = conversion::RunBatch(request, styles_, fonts_, quiet);
  ASSERT_EQ(result.stored, static_cast<int>(meshes_.size()));
  for (const std::string& mesh : meshes_) {
    std::string wmf = out / (mesh + ".wmf"), svg = out / (mesh + ".svg");
    test_util::ProcessResult r = test_util::RunProgram("/usr/bin/wmf2svg", {wmf, "-o", svg});
    EXPECT_EQ(r.exit_status, 0) << mesh << ": " << r.err;
    std::string drawn = ReadFileBytes(svg);
    EXPECT_THAT(drawn, ::testing::HasSubstr("<polygon")) << mesh;
    EXPECT_THAT(drawn, ::testing::HasSubstr("<polyline")) << mesh;
    EXPECT_THAT(drawn, ::testing::HasSubstr("<text")) << mesh;
  }
}

TEST_F(SamplesTest, ConverterStoresSvgThatParsesWithItsLayersInStackingOrder) {
  TempFolder out;
  test_util::ProcessResult r = test_util::RunProgram(
      test_util::ConverterPath(), {"-q", "--format", "svg", "-s", kSettings, kMeshes, out.path()});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  std::map<std::string, int> position = {{"SUMI_LINE", 0}};
  for (size_t i = 0; i < RowOrder().size(); ++i) {
    position[std::string(settings::Def(RowOrder()[i]).name)] = static_cast<int>(i) + 1;
  }
  for (const std::string& mesh : meshes_) {
    output::svgtest::SvgDocument svg(ReadFileBytes(out / (mesh + ".svg")));
    ASSERT_TRUE(svg.ok()) << mesh;
    std::vector<int> order;
    auto layers = svg.Layers();
    // Beneath the map, the paper in a layer of its own.
    ASSERT_FALSE(layers.empty()) << mesh;
    EXPECT_EQ(layers[0], std::make_pair(std::string("background"), std::string("背景"))) << mesh;
    layers.erase(layers.begin());
    for (const auto& [id, label] : layers) {
      ASSERT_TRUE(position.count(id)) << mesh << ": layer " << id;
      LayerKey key = id == "SUMI_LINE" ? LayerKey::kSumiLine : RowOrder()[position[id] - 1];
      EXPECT_EQ(label, settings::Def(key).caption) << mesh << ": layer " << id;
      order.push_back(position[id]);
    }
    EXPECT_GT(order.size(), 20u) << mesh;
    EXPECT_TRUE(std::adjacent_find(order.begin(), order.end(), std::greater_equal<>()) ==
                order.end())
        << mesh << ": layers out of order or repeated";
    EXPECT_GT(svg.Select("//s:text").size(), 50u) << mesh;
  }
}

// ezdxf, an independent reader, opens both DXF flavours of every sample (release 12 decoded
// through its code page), its audit finds no error, and the layers carry the row captions.
TEST_F(SamplesTest, EzdxfReadsBothDxfFlavoursOfEverySample) {
  TempFolder out;
  test_util::ProcessResult r = test_util::RunProgram(
      test_util::ConverterPath(),
      {"-q", "--format", "dxf,dxf2010", "-s", kSettings, kMeshes, out.path()});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  const char* script = R"(
import sys, ezdxf
for path in sys.argv[1:]:
    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    kinds = set(e.dxftype() for e in doc.modelspace())
    print(doc.dxfversion, len(auditor.errors), ' '.join(sorted(kinds)))
    print('|'.join(layer.dxf.name for layer in doc.layers))
    print(sum(1 for e in doc.modelspace().query('TEXT') if e.dxf.text.isdigit()))
)";
  std::set<std::string> captions = {std::string(settings::Def(LayerKey::kSumiLine).caption)};
  for (LayerKey key : RowOrder()) captions.insert(std::string(settings::Def(key).caption));
  for (const std::string& mesh : meshes_) {
    r = test_util::RunProgram("/usr/bin/python3",
                              {"-c", script, out / (mesh + ".dxf"), out / (mesh + "_2010.dxf")});
    ASSERT_EQ(r.exit_status, 0) << mesh << ": " << r.err;
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = r.out.find('\n', at)) != std::string::npos; at = end + 1) {
      lines.push_back(r.out.substr(at, end - at));
    }
    ASSERT_EQ(lines.size(), 6u) << r.out;
    EXPECT_EQ(lines[0], "AC1009 0 LINE POLYLINE SOLID TEXT") << mesh;
    EXPECT_EQ(lines[3], "AC1024 0 HATCH LWPOLYLINE TEXT") << mesh;
    for (int flavour : {1, 4}) {
      std::vector<std::string> layers;
      for (size_t at = 0, end = 0; end != std::string::npos; at = end + 1) {
        end = lines[flavour].find('|', at);
        layers.push_back(lines[flavour].substr(at, end - at));
      }
      EXPECT_GT(layers.size(), 20u) << mesh;
      for (const std::string& layer : layers) {
        // Release 12 names hold no blanks; ezdxf adds "Defpoints" to a modern drawing.
        std::string caption = layer;
        std::replace(caption.begin(), caption.end(), '_', ' ');
        EXPECT_TRUE(layer == "0" || layer == "Defpoints" || captions.count(layer) ||
                    captions.count(caption))
            << mesh << ": layer " << layer;
      }
      EXPECT_GT(std::stoi(lines[flavour + 1]), 50) << mesh << ": block numbers";
    }
  }
}

TEST_F(SamplesTest, EveryLayerWithDataIsStoredInStackingOrder) {
  DistinctColours styles(styles_);
  auto positions = PositionsByColour();
  for (const std::string& mesh : meshes_) {
    std::string folder = kMeshes + "/" + mesh;
    CollectingSink sink;
    picture::Picture sheet;
    conversion::ConvertMesh(folder, {styles, fonts_, sink, nullptr}, sheet);
    EXPECT_THAT(sink.messages, ::testing::IsEmpty()) << mesh;

    auto file = output::wmftest::ParseWmf(output::EncodeWmf(sheet, {}));
    auto play = output::wmftest::Play(file);
    EXPECT_THAT(play.faults, ::testing::IsEmpty()) << mesh;
    std::vector<int> order;
    std::set<LayerKey> drawn;
    for (const auto& op : play.ops) {
      uint32_t colour;
      if (!op.text.bytes.empty()) {
        colour = op.state.text_color;
      } else if (op.function == output::wmf::kPolygon) {
        ASSERT_TRUE(op.state.brush.has_value());
        colour = op.state.brush->color;
      } else {
        ASSERT_TRUE(op.state.pen.has_value());
        colour = op.state.pen->color;
      }
      auto it = positions.find(colour);
      ASSERT_NE(it, positions.end()) << mesh << ": an operation of no layer, colour " << colour;
      order.push_back(it->second.first);
      drawn.insert(it->second.second);
    }
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end())) << mesh << ": layers out of order";

    std::set<LayerKey> expected = {LayerKey::kSumiLine};
    for (const conversion::ConversionStep& step : conversion::ConversionSteps()) {
      if (step.row > 0 && HasData(folder, step)) expected.insert(step.key);
    }
    for (LayerKey key : expected) {
      EXPECT_TRUE(drawn.count(key)) << mesh << ": " << settings::Def(key).name << " not drawn";
    }
    for (LayerKey key : drawn) {
      EXPECT_TRUE(expected.count(key)) << mesh << ": " << settings::Def(key).name << " unexpected";
    }
  }
}

}  // namespace
}  // namespace sheetwright

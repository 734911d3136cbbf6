#include "conversion/convert_mesh.h"

#include <memory>
#include <utility>

#include "conversion/conversion_tables.h"
#include "conversion/file_cache.h"
#include "conversion/layer_rows.h"
#include "drawers/drawers.h"
#include "drawers/geometry.h"
#include "drawers/layer_state.h"
#include "mapdata/mesh_files.h"
#include "picture/recorder.h"
#include "platform/folders.h"

namespace sheetwright::conversion {
namespace {

using picture::Point;
using settings::LayerKey;

// Two 50-unit strokes at each corner of the frame; drawn on the frame's far edges themselves so
// that a reader which maps what is drawn (rather than the window) still sees the whole frame.
constexpr std::pair<Point, Point> kCornerMarks[] = {
    {{0, 0}, {0, 50}},
    {{0, 0}, {50, 0}},
    {{19950, 0}, {20000, 0}},
    {{20000, 0}, {20000, 50}},
    {{0, 14950}, {0, 15000}},
    {{0, 15000}, {50, 15000}},
    {{20000, 14950}, {20000, 15000}},
    {{19950, 15000}, {20000, 15000}},
};

// Names a picture after the layer it draws, for the writers that keep layers apart.
void Name(picture::Picture& picture, LayerKey key) {
  const settings::LayerDef& def = settings::Def(key);
  picture.id = def.name;
  picture.label = def.caption;
}

// Says where a message's subject stands: the data file (relative to the mesh folder) and the line
// of the conversion's files that hold it.
class LocatingSink : public base::MessageSink {
 public:
  LocatingSink(FileCache& files, const std::string& mesh_folder, base::MessageSink& inner)
      : files_(files), mesh_folder_(mesh_folder), inner_(inner) {}
  void Show(const std::string& text) override { inner_.Show(text); }
  void Report(const base::Message& message) override {
    base::Message placed = message;
    if (!placed.place.known()) placed.place = Find(message.subject.data());
    inner_.Report(placed);
  }
  base::Place Find(const char* at) {
    std::optional<FileCache::Spot> spot = files_.Locate(at);
    if (!spot) return {};
    return {platform::RelativeTo(mesh_folder_, spot->path), spot->line};
  }

 private:
  FileCache& files_;
  std::string mesh_folder_;
  base::MessageSink& inner_;
};

// The working objects of one conversion.
class Conversion {
 public:
  Conversion(const std::string& mesh_folder, const ConversionServices& services,
             picture::Picture& sheet)
      : services_(services),
        cache_(&services.sink),
        files_(mapdata::FileSet(mesh_folder)),
        sink_(cache_, mesh_folder, services.sink),
        tables_(cache_, sink_, services.progress),
        canvas_(sheet),
        draw_{.state = {},
              .vertices = {},
              .sink = sink_,
              .progress = services.progress,
              .metrics = &services.metrics,
              .arc_points = {}} {}

  void Run() {
    if (services_.progress) services_.progress->Step();
    DrawCornerMarks();
    for (const ConversionStep& step : ConversionSteps()) {
      if (step.row == 0) {
        RunLoad(step);
      } else {
        if (services_.progress) services_.progress->Row(step.row, kLayerRowCount);
        RunRow(step);
      }
    }
  }

  ConversionStats Stats() const { return {cache_.reads(), tables_.parses()}; }

  // A field that is no number, named with the file and line that hold it while they are read.
  base::ConversionError Placed(const base::ConversionError& error) {
    base::Place place = error.subject() ? sink_.Find(error.subject()) : base::Place{};
    return place.known() ? error.Placed(place) : error;
  }

 private:
  const std::string& Path(MeshPath field) const { return files_.*field; }

  void DrawCornerMarks() {
    settings::LayerStyle style = services_.styles.Style(LayerKey::kSumiLine);
    if (!style.enabled) return;
    // The brush is the canvas's default white, made solid.
    canvas_.SetBrush(picture::BrushStyle::kSolid, 0xFFFFFF);
    canvas_.SetPen(picture::PenStyle::kSolid,
                   drawers::PenWidth(style.width_step, kCornerMarkFactor), style.color);
    for (const auto& [from, to] : kCornerMarks) canvas_.Line(from, to);
  }

  void RunLoad(const ConversionStep& step) {
    if (step.load == TableLoad::kNone) return;  // load_file is null then
    const std::string& path = Path(step.load_file);
    switch (step.load) {
      case TableLoad::kNone:
        break;
      case TableLoad::kArcs:
        tables_.LoadArcs(path);
        break;
      case TableLoad::kPolygons:
        tables_.LoadPolygons(path);
        break;
      case TableLoad::kPolygonsIfEmpty:
        tables_.LoadPolygonsIfEmpty(path);
        break;
      case TableLoad::kPoints:
        tables_.LoadPoints(path);
        break;
      case TableLoad::kRoadAttributes:
        tables_.LoadAttributes(path);
        break;
    }
  }

  bool NeedMet(TableNeed need) const {
    switch (need) {
      case TableNeed::kNothing:
        return true;
      case TableNeed::kTwoArcLines:
        return tables_.arcs().size() > 1;
      case TableNeed::kArcs:
        return tables_.arcs().size() > 0;
      case TableNeed::kPolygons:
        return tables_.polygons().size() > 0;
      case TableNeed::kPoints:
        return tables_.points().size() > 0;
    }
    return false;
  }

  void RunRow(const ConversionStep& step) {
    settings::LayerStyle style = services_.styles.Style(step.key);
    if (!style.enabled) return;
    // "First load ..." runs before the row's tests; the road attributes only once they passed.
    if (step.load != TableLoad::kRoadAttributes) RunLoad(step);
    const std::optional<std::string>& found = cache_.Find(Path(step.file));
    if (!found || !NeedMet(step.need)) return;
    if (step.load == TableLoad::kRoadAttributes) RunLoad(step);

    drawers::LayerState& state = draw_.state;
    state.layer_code = std::string(step.code);
    if (step.font) {
      state.font = services_.styles.Font(*step.font);
    } else {
      state.color = style.color;
      if (step.width_factor > 0) {
        state.pen_width = drawers::PenWidth(style.width_step, step.width_factor);
      }
    }

    std::shared_ptr<const mapdata::FileText> text = cache_.Text(*found);
    auto layer = std::make_shared<picture::Picture>(Draw(step, *text));
    Name(*layer, step.key);
    canvas_.Layer(std::move(layer));
  }

  picture::Picture Draw(const ConversionStep& step, const mapdata::FileText& text) {
    switch (step.drawer) {
      case DrawerKind::kFill:
        return drawers::PolygonFillDraw(draw_, text, tables_.arcs());
      case DrawerKind::kOutline:
        return drawers::PolygonOutlineDraw(draw_, text, tables_.arcs());
      case DrawerKind::kArcs:
        return drawers::ArcDraw(draw_, text);
      case DrawerKind::kMainRoads:
        return drawers::MainRoadDraw(draw_, text, tables_.attributes());
      case DrawerKind::kNames:
        return drawers::PolygonNameDraw(draw_, text, step.field, tables_.polygons());
      case DrawerKind::kPointNames:
        return drawers::PointNameDraw(draw_, text, step.field, tables_.points());
    }
    return {};
  }

  const ConversionServices& services_;
  FileCache cache_;
  mapdata::MeshFiles files_;
  LocatingSink sink_;
  ConversionTables tables_;
  picture::Recorder canvas_;
  drawers::DrawContext draw_;
};

}  // namespace

void ConvertMesh(const std::string& mesh_folder, const ConversionServices& services,
                 picture::Picture& sheet, ConversionStats& stats) {
  sheet = picture::Picture{};
  Name(sheet, LayerKey::kSumiLine);  // what the sheet draws itself
  Conversion conversion(mesh_folder, services, sheet);
  try {
    conversion.Run();
  } catch (const base::ConversionError& e) {
    stats = conversion.Stats();
    throw conversion.Placed(e);
  } catch (...) {
    stats = conversion.Stats();
    throw;
  }
  stats = conversion.Stats();
}

void ConvertMesh(const std::string& mesh_folder, const ConversionServices& services,
                 picture::Picture& sheet) {
  ConversionStats stats;
  ConvertMesh(mesh_folder, services, sheet, stats);
}

}  // namespace sheetwright::conversion

#include "conversion/conversion_tables.h"

namespace sheetwright::conversion {
namespace {

// Passes messages on and counts them, so that a load that showed one is never reused.
class CountingSink : public base::MessageSink {
 public:
  explicit CountingSink(base::MessageSink& inner) : inner_(inner) {}
  void Show(const std::string& utf8_text) override {
    ++count_;
    inner_.Show(utf8_text);
  }
  void Report(const base::Message& message) override {
    ++count_;
    inner_.Report(message);
  }
  int count() const { return count_; }

 private:
  base::MessageSink& inner_;
  int count_ = 0;
};

}  // namespace

ConversionTables::ConversionTables(FileCache& files, base::MessageSink& sink,
                                   base::ProgressHook* progress)
    : files_(files), sink_(sink), progress_(progress) {}

template <class Table, class Fill>
const Table* ConversionTables::Load(Cache<Table>& cache, const std::string& found_path, Fill fill) {
  std::unique_ptr<Loaded<Table>>& slot = cache[found_path];
  if (!slot) slot = std::make_unique<Loaded<Table>>();
  if (slot->reusable) return &slot->table;
  auto text = files_.Text(found_path);
  slot->table.Reset();
  CountingSink counting(sink_);
  ++parses_;
  fill(slot->table, std::move(text), counting);
  slot->reusable = counting.count() == 0;
  return &slot->table;
}

void ConversionTables::LoadArcs(const std::string& path) {
  arcs_ = &empty_arcs_;
  const auto& found = files_.Find(path);
  if (!found) return;
  arcs_ = Load(arc_tables_, *found, [this](mapdata::ArcTable& t, auto text, auto& sink) {
    t.Load(std::move(text), sink, progress_);
  });
}

void ConversionTables::LoadPolygons(const std::string& path) {
  polygons_ = &empty_polygons_;
  LoadPolygonsIfEmpty(path);
}

void ConversionTables::LoadPolygonsIfEmpty(const std::string& path) {
  if (polygons_->size() > 0) return;
  const auto& found = files_.Find(path);
  if (!found) return;
  polygons_ = Load(polygon_tables_, *found, [](mapdata::PolyTable& t, auto text, auto& sink) {
    t.LoadPolygons(std::move(text), sink);
  });
}

void ConversionTables::LoadPoints(const std::string& path) {
  points_ = &empty_polygons_;
  const auto& found = files_.Find(path);
  if (!found) return;
  points_ = Load(point_tables_, *found, [](mapdata::PolyTable& t, auto text, auto& sink) {
    t.LoadPoints(std::move(text), sink);
  });
}

void ConversionTables::LoadAttributes(const std::string& path) {
  attributes_ = &empty_attributes_;
  const auto& found = files_.Find(path);
  if (!found) return;
  attributes_ = Load(
      attribute_tables_, *found,
      [](mapdata::AttributeTable& t, auto text, auto& sink) { t.Load(std::move(text), sink); });
}

}  // namespace sheetwright::conversion

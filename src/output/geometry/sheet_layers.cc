#include "output/geometry/sheet_layers.h"

#include <variant>

namespace sheetwright::output {
namespace {

bool Draws(const picture::Record& record) {
  return std::holds_alternative<picture::PolylineRec>(record) ||
         std::holds_alternative<picture::PolygonRec>(record) ||
         std::holds_alternative<picture::LineRec>(record) ||
         std::holds_alternative<picture::TextRec>(record);
}

}  // namespace

std::vector<SheetLayer> SheetLayers(const picture::Picture& sheet) {
  std::vector<SheetLayer> layers;
  std::vector<picture::Record> state;  // what sets the state, so far
  std::string after = "start";
  auto piece = [&](std::string key, const picture::Picture& named) -> picture::Picture& {
    SheetLayer& l = layers.emplace_back(SheetLayer{std::move(key), named.id, named.label, {}});
    picture::Picture& p = l.picture;
    p.width = sheet.width;
    p.height = sheet.height;
    p.records = state;
    p.fonts = sheet.fonts;
    p.layers = sheet.layers;
    p.id = sheet.id;
    p.label = sheet.label;
    return p;
  };
  for (size_t i = 0; i < sheet.records.size(); ++i) {
    const picture::Record& record = sheet.records[i];
    if (const auto* l = std::get_if<picture::LayerRec>(&record)) {
      const picture::Picture* layer = sheet.Layer(*l);
      if (!layer) continue;
      after = "layer " + layer->id + '\0' + layer->label;
      piece(after, *layer).records.push_back(record);
    } else if (Draws(record)) {
      picture::Picture& own = piece("own after " + after, sheet);
      own.points = sheet.points;
      own.text = sheet.text;
      for (;
           i < sheet.records.size() && !std::holds_alternative<picture::LayerRec>(sheet.records[i]);
           ++i) {
        own.records.push_back(sheet.records[i]);
        if (!Draws(sheet.records[i])) state.push_back(sheet.records[i]);
      }
      --i;
    } else {
      state.push_back(record);
    }
  }
  return layers;
}

}  // namespace sheetwright::output

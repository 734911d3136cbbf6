#include "export/gis_columns.h"

namespace sheetwright::gis {
namespace {

constexpr Column kArc[] = {
    {"mesh", OFTString}, {"code", OFTInteger}, {"arc_id", OFTInteger}, {"line_type", OFTInteger}};
constexpr Column kRoadArc[] = {{"mesh", OFTString},
                               {"code", OFTInteger},
                               {"arc_id", OFTInteger},
                               {"line_type", OFTInteger},
                               {"main_road", OFTInteger},
                               {"main_road_text", OFTString},
                               {"main_road_text_raw", OFTString}};
constexpr Column kPolygon[] = {{"mesh", OFTString},      {"code", OFTInteger},
                               {"pid", OFTInteger},      {"label_east", OFTReal},
                               {"label_north", OFTReal}, {"name_code", OFTInteger},
                               {"name", OFTString},      {"name_raw", OFTString}};
constexpr Column kPoint[] = {{"mesh", OFTString}, {"code", OFTInteger},
                             {"pid", OFTInteger}, {"name_code", OFTInteger},
                             {"name", OFTString}, {"name_raw", OFTString}};
constexpr Column kProblem[] = {{"mesh", OFTString},      {"source", OFTString},
                               {"code", OFTInteger},     {"pid", OFTInteger},
                               {"problem", OFTString},   {"label_east", OFTReal},
                               {"label_north", OFTReal}, {"name_code", OFTInteger},
                               {"name", OFTString},      {"name_raw", OFTString}};

}  // namespace

std::span<const Column> ColumnsOf(const LayerSpec& spec) {
  switch (spec.kind) {
    case LayerKind::kArc:
      if (spec.attributes != nullptr) return kRoadArc;
      return kArc;
    case LayerKind::kPolygon:
      return kPolygon;
    case LayerKind::kPoint:
      return kPoint;
    case LayerKind::kProblem:
      return kProblem;
  }
  return {};
}

}  // namespace sheetwright::gis

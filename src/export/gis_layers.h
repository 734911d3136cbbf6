// The layers of the GIS export and the data files each one reads: one layer per kind of record of
// each data file (arcs, polygons, points), named after the theme or file, plus one layer for the
// polygon records that make no valid area. The names are part of the output format (users style
// and query by them): never rename one.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "mapdata/mesh_files.h"

namespace sheetwright::gis {

enum class LayerKind { kArc, kPolygon, kPoint, kProblem };

struct LayerSpec {
  std::string_view name;  // "gaiku_polygon"
  LayerKind kind;
  std::string_view title;  // what the features are, for the layer's description
  // Where the geometries come from: the .arc, .pgn or .pnt file.
  std::string mapdata::MeshFiles::*file = nullptr;
  // Polygons: the arc file their references point into.
  std::string mapdata::MeshFiles::*arcs = nullptr;
  // The attribute file joined to the features: names of polygons and points, main roads of arcs.
  std::string mapdata::MeshFiles::*attributes = nullptr;
  // Which fields of an attribute line form the name, as the label drawers take it: -n field n
  // alone, n fields n and n + 1 joined.
  int name_field = 0;
};

using M = mapdata::MeshFiles;
inline constexpr std::array<LayerSpec, 16> kLayers = {{
    {"gyousei_arc", LayerKind::kArc, "administrative boundary arcs", &M::GyouseiArc},
    {"gaiku_arc", LayerKind::kArc, "city block arcs", &M::GaikuArc},
    {"kasen_arc", LayerKind::kArc, "river arcs", &M::KasenArc},
    {"mizu_arc", LayerKind::kArc, "water and coastline arcs", &M::MizuArc},
    {"tatemono_arc", LayerKind::kArc, "public building arcs", &M::TatemonoArc},
    {"others_arc", LayerKind::kArc, "railway and grounds arcs", &M::OthersArc},
    {"road_arc", LayerKind::kArc, "road network arcs", &M::RoadntwkArc, nullptr, &M::RoadAtr},
    {"si_tyo_polygon", LayerKind::kPolygon, "cities and wards", &M::SiTyoPgn, &M::GyouseiArc,
     &M::SiTyoAtr, 5},
    {"tyome_polygon", LayerKind::kPolygon, "towns and districts", &M::TyomePgn, &M::GyouseiArc,
     &M::TyomeAtr, 5},
    {"gaiku_polygon", LayerKind::kPolygon, "city blocks", &M::GaikuPgn, &M::GaikuArc, &M::GaikuAtr,
     -7},
    {"kasen_polygon", LayerKind::kPolygon, "rivers", &M::KasenPgn, &M::KasenArc, &M::KasenAtr, 4},
    {"mizu_polygon", LayerKind::kPolygon, "water areas", &M::MizuPgn, &M::MizuArc, &M::MizuAtr, 4},
    {"tatemono_polygon", LayerKind::kPolygon, "public buildings", &M::TatemonoPgn, &M::TatemonoArc,
     &M::TatemonoAtr, 5},
    {"zyouti_polygon", LayerKind::kPolygon,
     "grounds (parks, schools, shrines and temples, "
     "cemeteries, railway land, others)",
     &M::ZyoutiPgn, &M::OthersArc, &M::ZyoutiAtr, 4},
    {"eki_point", LayerKind::kPoint, "stations", &M::EkiPnt, nullptr, &M::EkiAtr, 4},
    {"polygon_problem", LayerKind::kProblem,
     "polygon records that make no valid area (open ring, bad or missing arc), as lines"},
}};

// The layer that takes the polygon records of every polygon layer that make no valid area.
inline constexpr const LayerSpec& kProblemLayer = kLayers.back();

}  // namespace sheetwright::gis

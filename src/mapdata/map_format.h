// The map data's text format as the tables, the drawers and the mesh generator read and write it:
// which field of a line holds what, the line type that is never drawn on its own, and the 25 data
// files of a mesh with their theme folders. Fields are numbered from 1, as Field counts them;
// an array filled by SplitFields holds field n at index n - 1.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "mapdata/mesh_files.h"

namespace sheetwright::mapdata::format {

// Header line, the first of every file: the mesh code, then the file kind, ... The record count
// stands in field 4 of an arc file's header and in field 5 of the others'.
inline constexpr int kArcCountField = 4;
inline constexpr int kRecordCountField = 5;

// Record lines begin with a letter and the class code ("L2110", "A6242", "P2420").
inline constexpr char kArcRecord = 'L';      // arc files; also road attribute lines
inline constexpr char kPolygonRecord = 'A';  // polygon files and the names that belong to them
inline constexpr char kPointRecord = 'P';    // point files and their names

// Arc record: class, line type, arc ID, point count; the point count coordinate lines follow.
inline constexpr int kArcLineTypeField = 2;
inline constexpr int kArcIdField = 3;
inline constexpr int kArcPointCountField = 4;

// Arcs of this line type bound fills but are never drawn as lines of their own.
inline constexpr int32_t kHiddenLineType = 5;

// Every other record line names what it describes in field 2: a polygon record its polygon, a
// point record its point, a name line the polygon or point it labels, a road attribute its arc.
inline constexpr int kIdField = 2;

// Polygon record: class, polygon ID, reference count, label point (northing, easting); the
// reference lines follow, one signed arc ID each (negative: the arc is walked backwards).
inline constexpr int kPolygonRefCountField = 3;
inline constexpr int kPolygonNorthField = 4;
inline constexpr int kPolygonEastField = 5;
inline constexpr int kReferenceArcField = 1;

// Point record: class, point ID, northing, easting.
inline constexpr int kPointNorthField = 3;
inline constexpr int kPointEastField = 4;

// Road attribute line: class, arc ID, value (0: no main road), text.
inline constexpr int kAttributeValueField = 3;
inline constexpr int kAttributeTextField = 4;

// One data file of a mesh: where FileSet stores its path, its theme folder and its name, spelt as
// the data set spells them (letter case included).
struct DataFile {
  std::string MeshFiles::*member;
  std::string_view theme;
  std::string_view name;

  // "gaiku/GAIKU.PGN": the path below the mesh folder.
  std::string RelativePath() const { return std::string(theme).append("/").append(name); }
};

// In the order of MeshFiles' members, which the fuzz seeds' packing follows too.
inline constexpr std::array<DataFile, 25> kDataFiles = {{
    {&MeshFiles::GaikuPgn, "gaiku", "GAIKU.PGN"},
    {&MeshFiles::GaikuAtr, "gaiku", "GAIKU.ATR"},
    {&MeshFiles::GaikuArc, "gaiku", "GAIKU.ARC"},
    {&MeshFiles::GyouseiArc, "gyousei", "gyousei.arc"},
    {&MeshFiles::SiTyoPgn, "gyousei", "si_tyo.pgn"},
    {&MeshFiles::SiTyoAtr, "gyousei", "si_tyo.atr"},
    {&MeshFiles::TyomePgn, "gyousei", "tyome.pgn"},
    {&MeshFiles::TyomeAtr, "gyousei", "tyome.atr"},
    {&MeshFiles::TatemonoAtr, "tatemono", "tatemono.atr"},
    {&MeshFiles::TatemonoArc, "tatemono", "tatemono.arc"},
    {&MeshFiles::TatemonoPgn, "tatemono", "tatemono.pgn"},
    {&MeshFiles::MizuPgn, "mizu", "mizu.pgn"},
    {&MeshFiles::MizuAtr, "mizu", "mizu.atr"},
    {&MeshFiles::MizuArc, "mizu", "mizu.arc"},
    {&MeshFiles::KasenPgn, "kasen", "kasen.pgn"},
    {&MeshFiles::KasenAtr, "kasen", "kasen.atr"},
    {&MeshFiles::KasenArc, "kasen", "kasen.arc"},
    {&MeshFiles::TetudouAtr, "others", "tetudou.atr"},
    {&MeshFiles::OthersArc, "others", "others.arc"},
    {&MeshFiles::ZyoutiPgn, "others", "zyouti.pgn"},
    {&MeshFiles::ZyoutiAtr, "others", "zyouti.atr"},
    {&MeshFiles::RoadntwkArc, "road", "roadntwk.arc"},
    {&MeshFiles::RoadAtr, "road", "road.atr"},
    {&MeshFiles::EkiPnt, "others", "eki.pnt"},
    {&MeshFiles::EkiAtr, "others", "eki.atr"},
}};

// The entry of one member of MeshFiles. Every member has one; std::invalid_argument for a null
// member pointer.
constexpr const DataFile& DataFileOf(std::string MeshFiles::*member) {
  for (const DataFile& file : kDataFiles) {
    if (file.member == member) return file;
  }
  throw std::invalid_argument("not a data file of a mesh");
}

}  // namespace sheetwright::mapdata::format

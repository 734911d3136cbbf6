// Builders of the four kinds of data file. Each collects its lines in memory and, when finished,
// puts the header in front: the record count stands in field 4 of an arc file's header and in
// field 5 of the others'. The arc loader keeps every line after the header (coordinate lines
// too), so an arc file counts all of them; polygon, point and attribute files count their record
// lines. A header begins with the mesh code, never with a record letter. Lines end in CR LF;
// coordinates are written northing first, with one decimal.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "mapdata/map_format.h"
#include "meshgen/geometry.h"
#include "meshgen/meshgen.h"

namespace sheetwright::meshgen {

// The data file a builder makes, named by its member of mapdata::MeshFiles; its path below the
// mesh folder comes from mapdata::format::kDataFiles.
using mapdata::MeshFiles;
using DataFileMember = std::string MeshFiles::*;

// What every header carries besides its count.
struct HeaderInfo {
  std::string mesh_code;
  std::string theme;       // "GAIKU", "ROAD", ...
  std::string sheet_code;  // non-empty: a real sheet's 16-field header instead
};

// The "<CODE>.TXT" of a real sheet folder, whose seventh line holds the zone and two corners.
MeshFile SheetText(const std::string& sheet_code);

class ArcFile {
 public:
  // Appends an arc and returns its ID (1, 2, ... in order). Points are rounded to the written
  // precision; a point that repeats its predecessor after rounding is left out.
  int Add(std::string_view code, int line_type, const std::vector<Point>& points);
  int arc_count() const { return next_id_ - 1; }
  MeshFile Finish(DataFileMember file, const HeaderInfo& info) const;

 private:
  std::string body_;
  int64_t lines_ = 0;
  int next_id_ = 1;
};

class PolygonFile {
 public:
  // Appends a polygon with its signed arc references (negative: the arc is followed backwards)
  // and returns its ID.
  int Add(std::string_view code, const std::vector<int>& arc_refs, Point label);
  MeshFile Finish(DataFileMember file, const HeaderInfo& info) const;

 private:
  std::string body_;
  int64_t records_ = 0;
  int64_t lines_ = 0;
  int next_id_ = 1;
};

class PointFile {
 public:
  int Add(std::string_view code, Point at);
  MeshFile Finish(DataFileMember file, const HeaderInfo& info) const;

 private:
  std::string body_;
  int64_t records_ = 0;
  int next_id_ = 1;
};

class AttributeFile {
 public:
  // One record line of the given fields, joined with commas. Names are CP932 bytes.
  void Add(std::initializer_list<std::string_view> fields);
  MeshFile Finish(DataFileMember file, const HeaderInfo& info) const;

 private:
  std::string body_;
  int64_t records_ = 0;
};

}  // namespace sheetwright::meshgen

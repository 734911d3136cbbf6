// The four tables of one conversion (arcs, polygons, points, attributes) behind the load operations
// the conversion steps name. A load empties the table, then fills it from the file when the file
// exists. Loading the same file again returns the table already built from it, but only when that
// earlier load showed no message: a bad header must be reported on every load, as the reader sees
// it each time, and a load cut short by an error or a cancel is never reused.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "base/messages.h"
#include "conversion/file_cache.h"
#include "mapdata/arc_table.h"
#include "mapdata/record_tables.h"

namespace sheetwright::conversion {

class ConversionTables {
 public:
  // `progress` is stepped by the arc loader after each line it reads.
  ConversionTables(FileCache& files, base::MessageSink& sink, base::ProgressHook* progress);
  ConversionTables(const ConversionTables&) = delete;
  ConversionTables& operator=(const ConversionTables&) = delete;

  void LoadArcs(const std::string& path);
  void LoadPolygons(const std::string& path);
  // LoadPolygons of the file when it exists and the polygon table is still empty;
  // nothing is emptied otherwise.
  void LoadPolygonsIfEmpty(const std::string& path);
  void LoadPoints(const std::string& path);
  void LoadAttributes(const std::string& path);

  const mapdata::ArcTable& arcs() const { return *arcs_; }
  const mapdata::PolyTable& polygons() const { return *polygons_; }
  const mapdata::PolyTable& points() const { return *points_; }
  const mapdata::AttributeTable& attributes() const { return *attributes_; }

  // How many loads parsed their file (the rest reused a table); for tests and measurements.
  int parses() const { return parses_; }

 private:
  template <class Table>
  struct Loaded {
    Table table;
    bool reusable = false;
  };
  template <class Table>
  using Cache = std::map<std::string, std::unique_ptr<Loaded<Table>>>;

  template <class Table, class Fill>
  const Table* Load(Cache<Table>& cache, const std::string& found_path, Fill fill);

  FileCache& files_;
  base::MessageSink& sink_;
  base::ProgressHook* progress_;

  // Empty tables stand in while a table is empty or its file is missing.
  const mapdata::ArcTable empty_arcs_;
  const mapdata::PolyTable empty_polygons_;
  const mapdata::AttributeTable empty_attributes_;

  Cache<mapdata::ArcTable> arc_tables_;
  Cache<mapdata::PolyTable> polygon_tables_;
  Cache<mapdata::PolyTable> point_tables_;
  Cache<mapdata::AttributeTable> attribute_tables_;

  const mapdata::ArcTable* arcs_ = &empty_arcs_;
  const mapdata::PolyTable* polygons_ = &empty_polygons_;
  const mapdata::PolyTable* points_ = &empty_polygons_;
  const mapdata::AttributeTable* attributes_ = &empty_attributes_;
  int parses_ = 0;
};

}  // namespace sheetwright::conversion

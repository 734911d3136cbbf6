// One GeoPackage being written row by row through SQLite: the transaction that holds one mesh,
// and for each layer its prepared inserts (one row, and a batch of rows in one statement) and what
// the mesh adds to the layer's extent and feature count, written into the GeoPackage's contents
// when the mesh commits. The layers themselves are made by PrepareGpkg (gpkg_schema.h) beforehand;
// ExportMesh (mesh_export.h) fills the rows; StagedGpkg and GpkgCollection (gpkg_store.h) decide
// where the file lives.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "export/gis_layers.h"
#include "export/gpkg_blob.h"

struct sqlite3;
struct sqlite3_stmt;

namespace sheetwright::gis {

// How many rows one batch statement inserts: one statement per row costs the table's
// AUTOINCREMENT bookkeeping and the statement's start-up every time.
constexpr int kBatchRows = 32;

struct StatementFree {
  void operator()(sqlite3_stmt* statement) const;
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFree>;

// A layer's table as the rows of one mesh go into it.
struct LayerTable {
  std::string name;
  int32_t srs_id = 0;
  std::vector<std::string_view> columns;  // bound after the geometry, in this order
  Statement one;                          // INSERT of one row
  Statement batch;                        // INSERT of kBatchRows rows
  int64_t added = 0;                      // rows of this transaction
  Envelope extent;                        // of this transaction's geometries
  std::string count_trigger;  // GDAL's feature count trigger, set aside during the transaction
};

// The time every change of a GeoPackage is stamped with, so that a run gives the same bytes every
// time: SOURCE_DATE_EPOCH when set, else "1970-01-01T00:00:00.000Z".
std::string ChangeTime();

class GisFile {
 public:
  // Opens the GeoPackage whose layers PrepareGpkg has made. Throws ConversionError. `stop`, when
  // given, is asked while SQLite works; true interrupts it and the statement throws
  // ConversionCancelled.
  explicit GisFile(const std::string& path, std::function<bool()> stop = {});
  ~GisFile();
  GisFile(const GisFile&) = delete;
  GisFile& operator=(const GisFile&) = delete;

  // The transaction of one mesh: everything written between Begin and Commit lands together, or
  // not at all after Rollback.
  void Begin();
  void Commit();
  void Rollback();
  // Deletes the rows of `mesh` from every layer inside the transaction; how many there were.
  int64_t DeleteMesh(const std::string& mesh);
  // Gives every layer that lacks one its spatial index (gpkg_index.cc), in one transaction: all
  // indexes or, on a failure or a stop, none. Throws ConversionError or ConversionCancelled.
  void Index();
  // Closes the file, so that it is complete on disk. Throws ConversionError.
  void Close();

  LayerTable& Table(size_t layer) { return tables_[layer]; }
  // Runs a statement whose parameters are bound; throws ConversionError when SQLite refuses it.
  void Step(sqlite3_stmt* statement);
  [[noreturn]] void Fail(const std::string& what) const;
  const std::string& path() const { return path_; }
  void Execute(const std::string& sql);
  Statement Prepare(const std::string& sql);

 private:
  // Throws ConversionCancelled when the stop asks for it.
  void CheckStop() const;
  // Throws ConversionCancelled when SQLite was interrupted by the stop, else ConversionError.
  [[noreturn]] void Refused(const std::string& what) const;
  // Fills the new, empty R-tree of `table` from its rows (gpkg_index.cc).
  void LoadIndex(const std::string& table);
  void OpenTable(size_t layer);
  // Closes the connection without a word, rolling back what is not committed.
  void Abandon();

  std::string path_;
  std::function<bool()> stop_;
  sqlite3* db_ = nullptr;
  std::array<LayerTable, kLayers.size()> tables_;
  bool counts_ = false;  // the file has GDAL's table of feature counts
};

}  // namespace sheetwright::gis

// The features of one export layer being written: the column setters the layer writers share
// (codes, CP932 names with their raw bytes, optional integers), the geometry, and the inserts,
// gathered kBatchRows at a time into one statement. Private to src/export.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/gis_file.h"
#include "export/gpkg_blob.h"

namespace sheetwright::gis {

// The class code of a record's field 1 without its type letter ("A7101" -> 7101), or nullopt.
std::optional<int32_t> ClassCode(std::string_view field1);

// Lower-case hex of the bytes, two digits each.
std::string HexBytes(std::string_view bytes);

class FeatureRow {
 public:
  // Rows of `file`'s table of kLayers[layer]; each carries `mesh`, which must outlive the row.
  FeatureRow(GisFile& file, size_t layer, const std::string& mesh);

  // Column setters take the column's name as a string literal: its address finds the column.
  // A column not given stays null.
  void Int(const char* column, std::optional<int32_t> value);
  void Real(const char* column, std::optional<double> value);
  void Text(const char* column, std::string_view utf8);
  // `column` gets the CP932 bytes decoded to UTF-8 (bytes that do not decode become U+FFFD),
  // `raw_column` the bytes as HexBytes. An empty name leaves both null.
  void Name(const char* column, const char* raw_column, std::string_view cp932);
  // The feature's geometry, built in place; none built leaves it null.
  GeometryBlob& Shape() { return shape_; }

  // Ends the feature and begins the next; a full batch is inserted.
  void Write();
  // Inserts the features not yet inserted. Throws ConversionError when SQLite refuses a row.
  void Flush();

 private:
  enum class Kind : uint8_t { kNull, kInt, kReal, kText, kBlob, kMesh };
  struct Value {
    Kind kind = Kind::kNull;
    int64_t number = 0;  // an integer, or a text's or blob's offset into text_
    double real = 0;
    size_t size = 0;
  };
  int Index(const char* column);
  Value& Cell(const char* column) { return values_[row_start_ + Index(column)]; }
  Value Stored(std::string_view bytes, Kind kind);
  void NewRow();
  void Bind(sqlite3_stmt* statement, size_t first_row, size_t rows);

  GisFile& file_;
  LayerTable& table_;
  const std::string& mesh_;
  size_t width_;               // values a row: the geometry, then the columns
  size_t mesh_index_ = 0;      // the mesh column's place in a row
  std::vector<Value> values_;  // the rows not yet inserted, row after row
  size_t row_start_ = 0;       // the row being filled
  std::string text_;           // their texts and blobs
  GeometryBlob shape_;
  struct Known {
    const char* name;
    int index;
  };
  Known known_[12] = {};
  int known_count_ = 0;
};

}  // namespace sheetwright::gis

// One feature being filled for an export layer: the column setters the layer writers share (codes,
// CP932 names with their raw bytes, optional integers) and the insert. Private to src/export.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class OGRFeature;
class OGRGeometry;
class OGRLayer;

namespace sheetwright::gis {

// The class code of a record's field 1 without its type letter ("A7101" -> 7101), or nullopt.
std::optional<int32_t> ClassCode(std::string_view field1);

// Lower-case hex of the bytes, two digits each.
std::string HexBytes(std::string_view bytes);

// Reused for every feature of its layer: each Write inserts a feature with every column bound (a
// column not given is null), so GDAL keeps one prepared INSERT statement for the whole layer.
class FeatureRow {
 public:
  FeatureRow(OGRLayer& layer, const std::string& mesh);
  ~FeatureRow();

  // Column setters take the column's name as a string literal: its address finds the column.
  void Int(const char* column, std::optional<int32_t> value);
  void Real(const char* column, std::optional<double> value);
  void Text(const char* column, std::string_view utf8);
  // `column` gets the CP932 bytes decoded to UTF-8 (bytes that do not decode become U+FFFD),
  // `raw_column` the bytes as HexBytes. An empty name leaves both null.
  void Name(const char* column, const char* raw_column, std::string_view cp932);
  void Geometry(std::unique_ptr<OGRGeometry> geometry);

  // Inserts the feature and empties the row for the next one; throws ConversionError when GDAL
  // refuses it.
  void Write();

 private:
  int Index(const char* column);
  void Clear();

  OGRLayer& layer_;
  std::unique_ptr<OGRFeature> feature_;
  int mesh_index_ = -1;
  struct Known {
    const char* name;
    int index;
  };
  Known known_[12] = {};
  int known_count_ = 0;
};

}  // namespace sheetwright::gis

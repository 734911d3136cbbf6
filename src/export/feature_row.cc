#include "export/feature_row.h"

#include <sqlite3.h>

#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "base/encoding.h"
#include "base/numbers.h"

namespace sheetwright::gis {

std::optional<int32_t> ClassCode(std::string_view field1) {
  if (field1.size() < 2) return std::nullopt;
  return base::TryParseInt(field1.substr(1));
}

std::string HexBytes(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  return hex;
}

FeatureRow::FeatureRow(GisFile& file, size_t layer, const std::string& mesh)
    : file_(file), table_(file.Table(layer)), mesh_(mesh), width_(table_.columns.size() + 1) {
  mesh_index_ = Index("mesh");
  values_.reserve(width_ * kBatchRows);
  NewRow();
}

int FeatureRow::Index(const char* column) {
  for (int i = 0; i < known_count_; ++i) {
    if (known_[i].name == column) return known_[i].index;
  }
  auto it = std::find(table_.columns.begin(), table_.columns.end(), std::string_view(column));
  if (it == table_.columns.end()) throw std::logic_error(std::string("no column ") + column);
  int index = static_cast<int>(it - table_.columns.begin()) + 1;  // after the geometry
  if (known_count_ < static_cast<int>(std::size(known_))) known_[known_count_++] = {column, index};
  return index;
}

FeatureRow::Value FeatureRow::Stored(std::string_view bytes, Kind kind) {
  Value value{.kind = kind, .number = static_cast<int64_t>(text_.size()), .size = bytes.size()};
  text_.append(bytes);
  return value;
}

void FeatureRow::NewRow() {
  row_start_ = values_.size();
  values_.resize(values_.size() + width_);
  values_[row_start_ + mesh_index_].kind = Kind::kMesh;
}

void FeatureRow::Int(const char* column, std::optional<int32_t> value) {
  if (value) Cell(column) = {.kind = Kind::kInt, .number = *value};
}

void FeatureRow::Real(const char* column, std::optional<double> value) {
  if (value) Cell(column) = {.kind = Kind::kReal, .real = *value};
}

void FeatureRow::Text(const char* column, std::string_view utf8) {
  Cell(column) = Stored(utf8, Kind::kText);
}

void FeatureRow::Name(const char* column, const char* raw_column, std::string_view cp932) {
  if (cp932.empty()) return;
  Cell(column) = Stored(base::Cp932ToUtf8(cp932), Kind::kText);
  Cell(raw_column) = Stored(HexBytes(cp932), Kind::kText);
}

void FeatureRow::Write() {
  if (shape_.has_geometry()) {
    values_[row_start_] = Stored(shape_.Finish(table_.srs_id), Kind::kBlob);
    table_.extent.Add(shape_.envelope());
    shape_.Clear();
  }
  ++table_.added;
  if (values_.size() == width_ * kBatchRows) {
    Bind(table_.batch.get(), 0, kBatchRows);
    file_.Step(table_.batch.get());
    values_.clear();
    text_.clear();
  }
  NewRow();
}

void FeatureRow::Flush() {
  size_t rows = values_.size() / width_ - 1;  // the last one is still empty
  for (size_t row = 0; row < rows; ++row) {
    Bind(table_.one.get(), row, 1);
    file_.Step(table_.one.get());
  }
  values_.clear();
  text_.clear();
  NewRow();
}

void FeatureRow::Bind(sqlite3_stmt* statement, size_t first_row, size_t rows) {
  const Value* value = values_.data() + first_row * width_;
  for (int param = 1; param <= static_cast<int>(rows * width_); ++param, ++value) {
    const char* bytes = value->kind == Kind::kText || value->kind == Kind::kBlob
                            ? text_.data() + value->number
                            : nullptr;
    int size = static_cast<int>(value->size);
    switch (value->kind) {
      case Kind::kNull:
        sqlite3_bind_null(statement, param);
        break;
      case Kind::kInt:
        sqlite3_bind_int64(statement, param, value->number);
        break;
      case Kind::kReal:
        sqlite3_bind_double(statement, param, value->real);
        break;
      case Kind::kText:
        sqlite3_bind_text(statement, param, bytes, size, SQLITE_STATIC);
        break;
      case Kind::kBlob:
        sqlite3_bind_blob(statement, param, bytes, size, SQLITE_STATIC);
        break;
      case Kind::kMesh:
        sqlite3_bind_text(statement, param, mesh_.data(), static_cast<int>(mesh_.size()),
                          SQLITE_STATIC);
        break;
    }
  }
}

}  // namespace sheetwright::gis

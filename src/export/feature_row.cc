#include "export/feature_row.h"

#include <cpl_error.h>
#include <ogrsf_frmts.h>

#include <iterator>
#include <stdexcept>

#include "base/encoding.h"
#include "base/messages.h"
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

FeatureRow::FeatureRow(OGRLayer& layer, const std::string& mesh)
    : layer_(layer), feature_(std::make_unique<OGRFeature>(layer.GetLayerDefn())) {
  mesh_index_ = feature_->GetFieldIndex("mesh");
  feature_->SetField(mesh_index_, mesh.c_str());
  Clear();
}

FeatureRow::~FeatureRow() = default;

int FeatureRow::Index(const char* column) {
  for (int i = 0; i < known_count_; ++i) {
    if (known_[i].name == column) return known_[i].index;
  }
  int index = feature_->GetFieldIndex(column);
  if (index < 0) throw std::logic_error(std::string("no column ") + column);
  if (known_count_ < static_cast<int>(std::size(known_))) known_[known_count_++] = {column, index};
  return index;
}

void FeatureRow::Clear() {
  feature_->SetFID(OGRNullFID);
  feature_->SetGeometryDirectly(nullptr);
  for (int i = 0; i < feature_->GetFieldCount(); ++i) {
    if (i != mesh_index_) feature_->SetFieldNull(i);
  }
}

void FeatureRow::Int(const char* column, std::optional<int32_t> value) {
  if (value) feature_->SetField(Index(column), *value);
}

void FeatureRow::Real(const char* column, std::optional<double> value) {
  if (value) feature_->SetField(Index(column), *value);
}

void FeatureRow::Text(const char* column, std::string_view utf8) {
  feature_->SetField(Index(column), std::string(utf8).c_str());
}

void FeatureRow::Name(const char* column, const char* raw_column, std::string_view cp932) {
  if (cp932.empty()) return;
  feature_->SetField(Index(column), base::Cp932ToUtf8(cp932).c_str());
  feature_->SetField(Index(raw_column), HexBytes(cp932).c_str());
}

void FeatureRow::Geometry(std::unique_ptr<OGRGeometry> geometry) {
  feature_->SetGeometryDirectly(geometry.release());
}

void FeatureRow::Write() {
  CPLErrorReset();
  if (layer_.CreateFeature(feature_.get()) != OGRERR_NONE) {
    throw base::ConversionError(std::string(layer_.GetName()) +
                                " に書き込めません: " + CPLGetLastErrorMsg());
  }
  Clear();
}

}  // namespace sheetwright::gis

#include "export/feature_row.h"

#include <cpl_error.h>
#include <ogrsf_frmts.h>

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
  feature_->SetField("mesh", mesh.c_str());
}

FeatureRow::~FeatureRow() = default;

void FeatureRow::Int(const char* column, std::optional<int32_t> value) {
  if (value) feature_->SetField(column, *value);
}

void FeatureRow::Real(const char* column, std::optional<double> value) {
  if (value) feature_->SetField(column, *value);
}

void FeatureRow::Text(const char* column, std::string_view utf8) {
  feature_->SetField(column, std::string(utf8).c_str());
}

void FeatureRow::Name(const std::string& column, std::string_view cp932) {
  if (cp932.empty()) return;
  feature_->SetField(column.c_str(), base::Cp932ToUtf8(cp932).c_str());
  feature_->SetField((column + "_raw").c_str(), HexBytes(cp932).c_str());
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
}

}  // namespace sheetwright::gis

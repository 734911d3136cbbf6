#include "export/gis_file.h"

#include <cpl_error.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <mutex>

#include "base/messages.h"
#include "export/gis_columns.h"

namespace sheetwright::gis {
namespace {

void RegisterOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    GDALAllRegister();
    // GDAL's warnings would go to stderr behind the program's back; its errors are taken up
    // where they happen (CPLGetLastErrorMsg) and become ours.
    CPLSetErrorHandler(CPLQuietErrorHandler);
  });
}

std::string Description(const LayerSpec& spec, const Placement& placement) {
  std::string text(spec.title);
  text += ". Coordinates in metres, x = easting, y = northing; ";
  if (placement.epsg == 0) {
    text +=
        "sheet-local (metres from each sheet's origin, no CRS): place the sheets with "
        "--sheet-origins to combine them";
  } else {
    text += "sheets placed by --sheet-origins in EPSG:" + std::to_string(placement.epsg);
  }
  return text;
}

OGRwkbGeometryType GeometryType(LayerKind kind) {
  switch (kind) {
    case LayerKind::kArc:
      return wkbLineString;
    case LayerKind::kPolygon:
      return wkbMultiPolygon;
    case LayerKind::kPoint:
      return wkbPoint;
    case LayerKind::kProblem:
      return wkbMultiLineString;
  }
  return wkbUnknown;
}

// The EPSG code of a layer's CRS; 0 for none, -1 for one without an EPSG code.
int EpsgOf(const OGRSpatialReference* srs) {
  if (srs == nullptr || srs->IsLocal()) return 0;
  const char* code = srs->GetAuthorityCode(nullptr);
  return code != nullptr ? std::atoi(code) : -1;
}

}  // namespace

GisFile::GisFile(std::string path, GDALDataset* dataset)
    : path_(std::move(path)), dataset_(dataset) {}

GisFile::~GisFile() {
  if (dataset_ != nullptr) GDALClose(dataset_);
}

void GisFile::Fail(const std::string& what) const {
  std::string reason = what;
  const char* gdal = CPLGetLastErrorMsg();
  if (gdal != nullptr && *gdal != '\0') reason += ": " + std::string(gdal);
  throw base::ConversionError(path_ + " に書き込めません: " + reason);
}

std::unique_ptr<GisFile> GisFile::Create(const std::string& path) {
  RegisterOnce();
  CPLErrorReset();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GPKG");
  GDALDataset* dataset =
      driver != nullptr ? driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr) : nullptr;
  std::unique_ptr<GisFile> file(new GisFile(path, dataset));
  if (dataset == nullptr) file->Fail("GeoPackage not created");
  return file;
}

std::unique_ptr<GisFile> GisFile::Open(const std::string& path) {
  RegisterOnce();
  CPLErrorReset();
  const char* const drivers[] = {"GPKG", nullptr};
  auto* dataset = static_cast<GDALDataset*>(
      GDALOpenEx(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE, drivers, nullptr, nullptr));
  std::unique_ptr<GisFile> file(new GisFile(path, dataset));
  if (dataset == nullptr) file->Fail("not a GeoPackage that can be written");
  return file;
}

void GisFile::PrepareLayers(const Placement& placement) {
  OGRSpatialReference srs;
  if (placement.epsg == 0) {
    // Plane metres in no known system: GeoPackage's undefined Cartesian system (srs_id -1). No
    // CRS at all would give its undefined geographic one, which a GIS takes for degrees.
    srs.SetLocalCS("Undefined Cartesian SRS");
    srs.SetLinearUnits(SRS_UL_METER, 1.0);
  } else {
    if (srs.importFromEPSG(placement.epsg) != OGRERR_NONE) {
      Fail("EPSG:" + std::to_string(placement.epsg) + " is not a known CRS");
    }
    // x = easting, y = northing whatever the CRS's own axis order (the plane rectangular systems
    // name northing first).
    srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  }
  for (size_t i = 0; i < kLayers.size(); ++i) {
    const LayerSpec& spec = kLayers[i];
    if (layers_[i] == nullptr)
      layers_[i] = dataset_->GetLayerByName(std::string(spec.name).c_str());
    if (layers_[i] != nullptr) {
      if (EpsgOf(layers_[i]->GetSpatialRef()) != placement.epsg) {
        Fail("layer " + std::string(spec.name) +
             " holds another CRS than EPSG:" + std::to_string(placement.epsg) + " (0: none)");
      }
      continue;
    }
    std::string description = "DESCRIPTION=" + Description(spec, placement);
    // No R-tree kept up row by row: see IndexLayers.
    const char* options[] = {description.c_str(), "FID=fid", "GEOMETRY_NAME=geom",
                             "SPATIAL_INDEX=NO", nullptr};
    OGRLayer* layer = dataset_->CreateLayer(std::string(spec.name).c_str(), &srs,
                                            GeometryType(spec.kind), const_cast<char**>(options));
    if (layer == nullptr) Fail("layer " + std::string(spec.name) + " not created");
    for (const Column& column : ColumnsOf(spec)) {
      OGRFieldDefn field(std::string(column.name).c_str(), column.type);
      if (layer->CreateField(&field) != OGRERR_NONE) Fail("column not created");
    }
    layers_[i] = layer;
  }
}

void GisFile::Begin() {
  if (dataset_->StartTransaction(FALSE) != OGRERR_NONE) Fail("no transaction");
}

void GisFile::Commit() {
  // Each layer's extent and feature count go into the GeoPackage's contents table with the
  // mesh's features: written lazily, they would be lost to a later mesh's rollback.
  for (OGRLayer* layer : layers_) {
    if (layer != nullptr && layer->SyncToDisk() != OGRERR_NONE) Fail("layer not written");
  }
  if (dataset_->CommitTransaction() != OGRERR_NONE) Fail("transaction not committed");
}

void GisFile::Rollback() { dataset_->RollbackTransaction(); }

OGRLayer& GisFile::Layer(size_t index) { return *layers_[index]; }

void GisFile::IndexLayers() {
  for (const LayerSpec& spec : kLayers) {
    std::string sql = "SELECT CreateSpatialIndex('" + std::string(spec.name) + "', 'geom')";
    // A layer that has its index already answers with a (quiet) error and stays as it is.
    if (OGRLayer* result = dataset_->ExecuteSQL(sql.c_str(), nullptr, nullptr)) {
      dataset_->ReleaseResultSet(result);
    }
  }
}

void GisFile::Close() {
  CPLErrorReset();
  GDALDataset* dataset = dataset_;
  dataset_ = nullptr;
  dataset->FlushCache(true);
  GDALClose(dataset);
  if (CPLGetLastErrorType() >= CE_Failure) Fail("not closed");
}

}  // namespace sheetwright::gis

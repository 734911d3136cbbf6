#include "export/gpkg_schema.h"

#include <cpl_error.h>
#include <gdal_priv.h>
#include <ogr_srs_api.h>
#include <ogrsf_frmts.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>

#include "base/messages.h"
#include "export/gis_columns.h"
#include "export/gis_file.h"
#include "export/gis_layers.h"
#include "mapdata/sheet_place.h"
#include "platform/program.h"

namespace sheetwright::gis {
namespace {

void RegisterOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    GDALAllRegister();
    // The CRS database: a copy unpacked with the program (the Windows zip's proj folder) serves
    // when the environment names none; else PROJ's own search.
    std::string proj = platform::ProgramFolder() + "proj";
    std::error_code ec;
    if (!std::getenv("PROJ_DATA") && !std::getenv("PROJ_LIB") &&
        std::filesystem::exists(proj + "/proj.db", ec)) {
      const char* const paths[] = {proj.c_str(), nullptr};
      OSRSetPROJSearchPaths(paths);
    }
    // GDAL stamps the layers it makes with this time rather than the clock.
    CPLSetConfigOption("OGR_CURRENT_DATE", ChangeTime().c_str());
    // GDAL's warnings would go to stderr behind the program's back; its errors are taken up
    // where they happen (CPLGetLastErrorMsg) and become ours.
    CPLSetErrorHandler(CPLQuietErrorHandler);
  });
}

[[noreturn]] void Fail(const std::string& path, const std::string& what) {
  std::string reason = what;
  const char* gdal = CPLGetLastErrorMsg();
  if (gdal != nullptr && *gdal != '\0') reason += ": " + std::string(gdal);
  throw base::ConversionError::Unwritable(path, reason);
}

struct Closer {
  void operator()(GDALDataset* dataset) const { GDALClose(dataset); }
};
using Dataset = std::unique_ptr<GDALDataset, Closer>;

Dataset Open(const std::string& path, unsigned mode) {
  RegisterOnce();
  CPLErrorReset();
  const char* const drivers[] = {"GPKG", nullptr};
  Dataset dataset(static_cast<GDALDataset*>(
      GDALOpenEx(path.c_str(), GDAL_OF_VECTOR | mode, drivers, nullptr, nullptr)));
  if (!dataset) Fail(path, "not a GeoPackage that can be written");
  return dataset;
}

// The file, created when it does not exist yet.
Dataset OpenOrCreate(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) return Open(path, GDAL_OF_UPDATE);
  RegisterOnce();
  CPLErrorReset();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GPKG");
  Dataset dataset(driver != nullptr ? driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr)
                                    : nullptr);
  if (!dataset) Fail(path, "GeoPackage not created");
  return dataset;
}

// Closes the file, so that it is complete on disk.
void Close(Dataset dataset, const std::string& path) {
  CPLErrorReset();
  dataset->FlushCache(true);
  dataset.reset();
  if (CPLGetLastErrorType() >= CE_Failure) Fail(path, "not closed");
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

OGRSpatialReference CrsOf(const Placement& placement, const std::string& path) {
  OGRSpatialReference srs;
  if (placement.epsg == 0) {
    // Plane metres in no known system: GeoPackage's undefined Cartesian system (srs_id -1). No
    // CRS at all would give its undefined geographic one, which a GIS takes for degrees.
    srs.SetLocalCS("Undefined Cartesian SRS");
    srs.SetLinearUnits(SRS_UL_METER, 1.0);
    return srs;
  }
  if (srs.importFromEPSG(placement.epsg) != OGRERR_NONE) {
    Fail(path, "EPSG:" + std::to_string(placement.epsg) + " is not a known CRS");
  }
  // x = easting, y = northing whatever the CRS's own axis order (the plane rectangular systems
  // name northing first).
  srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return srs;
}

std::string CrsName(int epsg) {
  if (epsg == 0) return "no CRS (sheet-local metres)";
  if (epsg < 0) return "a CRS without an EPSG code";
  return "EPSG:" + std::to_string(epsg);
}

// Refuses a file whose layers of our names cannot take the sheet: another CRS, a geometry column
// of another name, a column missing or of another type. True when some layer is still missing.
bool LacksLayers(const Dataset& dataset, const std::string& path, const Placement& placement) {
  bool lacks = false;
  for (const LayerSpec& spec : kLayers) {
    std::string name(spec.name);
    OGRLayer* layer = dataset->GetLayerByName(name.c_str());
    if (layer == nullptr) {
      lacks = true;
      continue;
    }
    int held = EpsgOf(layer->GetSpatialRef());
    if (held != placement.epsg) {
      Fail(path, "layer " + name + " holds " + CrsName(held) + ", the sheet is placed in " +
                     CrsName(placement.epsg));
    }
    if (std::string_view(layer->GetGeometryColumn()) != "geom") {
      Fail(path, "layer " + name + " has no geometry column geom");
    }
    OGRFeatureDefn* fields = layer->GetLayerDefn();
    for (const Column& column : ColumnsOf(spec)) {
      int i = fields->GetFieldIndex(std::string(column.name).c_str());
      if (i < 0 || fields->GetFieldDefn(i)->GetType() != column.type) {
        Fail(path, "layer " + name + " has no column " + std::string(column.name) + " of our type");
      }
    }
  }
  return lacks;
}

}  // namespace

void PrepareGpkg(const std::string& path, const Placement& placement) {
  OGRSpatialReference srs = CrsOf(placement, path);
  std::error_code ec;
  // Checked read-only first: a file refused stays byte for byte as it was.
  if (std::filesystem::exists(path, ec) && !LacksLayers(Open(path, 0), path, placement)) return;
  Dataset dataset = OpenOrCreate(path);
  for (const LayerSpec& spec : kLayers) {
    std::string name(spec.name);
    if (dataset->GetLayerByName(name.c_str())) continue;
    std::string description = "DESCRIPTION=" + Description(spec, placement);
    // No R-tree kept up row by row: a mosaic gets its index once complete (GisFile::Index).
    const char* options[] = {description.c_str(), "FID=fid", "GEOMETRY_NAME=geom",
                             "SPATIAL_INDEX=NO", nullptr};
    OGRLayer* layer = dataset->CreateLayer(name.c_str(), &srs, GeometryType(spec.kind),
                                           const_cast<char**>(options));
    if (layer == nullptr) Fail(path, "layer " + name + " not created");
    for (const Column& column : ColumnsOf(spec)) {
      OGRFieldDefn field(std::string(column.name).c_str(), column.type);
      if (layer->CreateField(&field) != OGRERR_NONE) Fail(path, "column not created");
    }
  }
  Close(std::move(dataset), path);
}

}  // namespace sheetwright::gis

namespace sheetwright::gis {
namespace {

constexpr char kSheetIndex[] = "sheet_index";

OGRLayer* SheetIndexLayer(GDALDataset& dataset, const Placement& placement,
                          const std::string& path) {
  if (OGRLayer* layer = dataset.GetLayerByName(kSheetIndex)) {
    if (EpsgOf(layer->GetSpatialRef()) != placement.epsg) {
      Fail(path, std::string("layer ") + kSheetIndex + " holds another CRS than EPSG:" +
                     std::to_string(placement.epsg) + " (0: none)");
    }
    return layer;
  }
  OGRSpatialReference srs = CrsOf(placement, path);
  const char* options[] = {"DESCRIPTION=The frame of every sheet, for an atlas of the sheets",
                           "FID=fid", "GEOMETRY_NAME=geom", nullptr};
  OGRLayer* layer = dataset.CreateLayer(kSheetIndex, &srs, wkbPolygon, const_cast<char**>(options));
  if (layer == nullptr) Fail(path, std::string("layer ") + kSheetIndex + " not created");
  for (auto [name, type] : {std::pair{"mesh", OFTString},
                            {"sheet_code", OFTString},
                            {"zone", OFTInteger},
                            {"datum", OFTString}}) {
    OGRFieldDefn field(name, type);
    if (layer->CreateField(&field) != OGRERR_NONE) Fail(path, "column not created");
  }
  return layer;
}

}  // namespace

void WriteSheetIndex(const std::string& path, const std::vector<SheetIndexRow>& rows) {
  if (rows.empty()) return;
  Dataset dataset = OpenOrCreate(path);
  OGRLayer* layer = SheetIndexLayer(*dataset, rows.front().placement, path);
  for (const SheetIndexRow& row : rows) {
    if (row.placement.epsg != rows.front().placement.epsg) {
      Fail(path, "sheets of two CRSs in one sheet index");
    }
    double x0 = row.placement.east, y0 = row.placement.north;
    double x1 = x0 + mapdata::kSheetEastMetres, y1 = y0 + mapdata::kSheetNorthMetres;
    OGRLinearRing ring;
    for (auto [x, y] : {std::pair{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}}) {
      ring.addPoint(x, y);
    }
    OGRPolygon frame;
    frame.addRing(&ring);
    OGRFeature feature(layer->GetLayerDefn());
    feature.SetGeometry(&frame);
    feature.SetField("mesh", row.mesh.c_str());
    if (!row.sheet_code.empty()) feature.SetField("sheet_code", row.sheet_code.c_str());
    if (row.zone > 0) feature.SetField("zone", row.zone);
    feature.SetField("datum", row.datum.c_str());
    if (layer->CreateFeature(&feature) != OGRERR_NONE) Fail(path, "sheet not indexed");
  }
  Close(std::move(dataset), path);
}

}  // namespace sheetwright::gis

#include "export/gpkg_store.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "export/gpkg_schema.h"
#include "export/mesh_export.h"

namespace sheetwright::gis {
namespace {

[[noreturn]] void FailFile(const std::string& path, int err) {
  throw base::ConversionError::Unwritable(path, std::strerror(err));
}

// A path for the new GeoPackage beside `target`: inside a new hidden folder of its own (GDAL's
// driver creates the file itself and refuses one that exists), so no other writer can meet it.
std::string MakeTempBeside(const std::string& target) {
  std::filesystem::path path(target);
  std::string folder = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
  if (mkdtemp(folder.data()) == nullptr) FailFile(target, errno);
  return (std::filesystem::path(folder) / path.filename()).string();
}

// Removes the temporary file and its folder.
void RemoveTemp(const std::string& temp) {
  std::remove(temp.c_str());
  std::filesystem::path folder = std::filesystem::path(temp).parent_path();
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);  // GDAL's journal, should one be left
}

}  // namespace

Placement GisRequest::PlacementOf(const std::string& mesh) const {
  if (!origins) return {};
  if (auto placement = origins->Find(mesh)) return *placement;
  throw base::ConversionError(origins_name + " places no sheet '" + mesh + "'",
                              base::FailureKind::kUsage);
}

namespace {

// A sheet placed by what it carries, its line of the origins file the last resort (whose CRS,
// when it names one, wins over the zone's).
SheetIndexRow PlaceMesh(const GisRequest& request, const std::string& mesh_folder,
                        const std::string& mesh) {
  Placement line;  // the origins file's, when it names the mesh
  std::optional<mapdata::SheetPlace> fallback;
  if (auto found = request.origins ? request.origins->Find(mesh) : std::nullopt) {
    line = *found;
    fallback = mapdata::SheetPlace{0, line.north, line.east};
  }
  mapdata::SheetPlace sheet = mapdata::PlaceSheet(mesh_folder, mesh, fallback);
  SheetIndexRow row;
  row.mesh = mesh;
  if (mapdata::PlaceOfSheetCode(mesh)) row.sheet_code = mesh;
  row.zone = sheet.zone;
  row.datum = mapdata::DatumName(request.datum);
  int epsg = line.epsg ? line.epsg : mapdata::EpsgOf(request.datum, sheet.zone);
  row.placement = {sheet.east, sheet.north, epsg};
  return row;
}

}  // namespace

Placement GisRequest::PlacementOf(const std::string& mesh_folder, const std::string& mesh) const {
  if (!place) return PlacementOf(mesh);
  return PlaceMesh(*this, mesh_folder, mesh).placement;
}

std::optional<SheetIndexRow> GisRequest::IndexRowOf(const std::string& mesh_folder,
                                                    const std::string& mesh) const {
  if (!place) return std::nullopt;
  return PlaceMesh(*this, mesh_folder, mesh);
}

StagedGpkg::StagedGpkg(const std::string& target, const std::string& mesh_folder,
                       const std::string& mesh, const Placement& placement, base::MessageSink& sink)
    : target_(target), temp_(MakeTempBeside(target)) {
  try {
    PrepareGpkg(temp_, placement);
    GisFile file(temp_);
    file.Begin();
    ExportMesh(mesh_folder, mesh, placement, file, sink);
    file.Commit();
    file.Close();
  } catch (...) {
    RemoveTemp(temp_);
    throw;
  }
}

StagedGpkg::~StagedGpkg() {
  if (!temp_.empty()) RemoveTemp(temp_);
}

void StagedGpkg::Commit() {
  if (std::rename(temp_.c_str(), target_.c_str()) != 0) FailFile(target_, errno);
  RemoveTemp(temp_);  // the folder, now empty
  temp_.clear();
}

GpkgCollection::GpkgCollection(const std::string& path) : path_(path) {}

GpkgCollection::~GpkgCollection() = default;

void GpkgCollection::Append(const std::string& mesh_folder, const std::string& mesh,
                            const Placement& placement, base::MessageSink& sink) {
  if (layers_epsg_ != placement.epsg) {
    file_.reset();  // GDAL alone at the file while it makes or checks the layers
    PrepareGpkg(path_, placement);
    layers_epsg_ = placement.epsg;
  }
  if (!file_) file_ = std::make_unique<GisFile>(path_);
  file_->Begin();
  try {
    ExportMesh(mesh_folder, mesh, placement, *file_, sink);
    file_->Commit();
  } catch (...) {
    file_->Rollback();
    throw;
  }
}

void GpkgCollection::Close() {
  if (file_) file_->Close();
  file_.reset();
  WriteSheetIndex(path_, index_);
  index_.clear();
  if (layers_epsg_) IndexGpkg(path_);  // not for a file that never took its layers
}

}  // namespace sheetwright::gis

#include "export/gpkg_store.h"

#include <filesystem>

#include "base/atomic_file.h"
#include "base/encoding.h"
#include "export/gpkg_schema.h"
#include "export/mesh_export.h"
#include "platform/files.h"
#include "platform/folders.h"

namespace sheetwright::gis {
namespace {

[[noreturn]] void FailFile(const std::string& path, std::error_code error) {
  throw base::ConversionError::Unwritable(path, error.message());
}

// A path for the new GeoPackage beside `target` (beside a link's target, on its file system):
// inside a new hidden folder of its own (GDAL's driver creates the file itself and refuses one that
// exists), so no other writer can meet it. A target that may not be replaced is refused first.
std::string MakeTempBeside(const std::string& target) {
  std::string placed = platform::LinkTarget(target);
  if (std::error_code refusal = platform::WriteRefusal(placed)) FailFile(target, refusal);
  std::error_code error;
  std::string folder = platform::MakeTempFolder(placed, error);
  if (error) FailFile(target, error);
  return platform::JoinPath(folder, platform::BaseName(placed));
}

// Removes the temporary file and its folder (with GDAL's journal, should one be left).
void RemoveTemp(const std::string& temp) {
  platform::RemoveTempFolder(temp.substr(0, platform::LastSeparator(temp)));
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
  } catch (const base::ConversionError& e) {
    RemoveTemp(temp_);
    if (e.kind() != base::FailureKind::kWrite) throw;
    // The hidden file is ours; the user knows the target.
    std::string reason = e.reason();
    for (size_t at; (at = reason.find(temp_)) != std::string::npos;) {
      reason.replace(at, temp_.size(), target_);
    }
    throw base::ConversionError::Unwritable(target_, reason);
  } catch (...) {
    RemoveTemp(temp_);
    throw;
  }
}

StagedGpkg::~StagedGpkg() {
  if (!temp_.empty()) RemoveTemp(temp_);
}

void StagedGpkg::Commit() {
  base::ReplaceWith(temp_, target_);
  RemoveTemp(temp_);  // the folder, now empty
  temp_.clear();
}

GpkgCollection::GpkgCollection(const std::string& path, std::function<bool()> stop)
    : path_(path), stop_(std::move(stop)) {}

GpkgCollection::~GpkgCollection() {
  file_.reset();
  RemoveIfUnused();
}

void GpkgCollection::RemoveIfUnused() {
  if (!created_ || stored_ > 0) return;
  std::string target = platform::LinkTarget(path_);
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) platform::RemoveFile(target + suffix);
  created_ = false;
}

void GpkgCollection::Append(const std::string& mesh_folder, const std::string& mesh,
                            const Placement& placement, base::MessageSink& sink) {
  if (layers_epsg_ != placement.epsg) {
    file_.reset();  // GDAL alone at the file while it makes or checks the layers
    std::error_code ec;
    bool exists = std::filesystem::exists(path_, ec);
    if (std::error_code refusal = platform::WriteRefusal(platform::LinkTarget(path_))) {
      FailFile(path_, refusal);
    }
    PrepareGpkg(path_, placement);
    created_ = created_ || !exists;
    layers_epsg_ = placement.epsg;
  }
  if (!file_) file_ = std::make_unique<GisFile>(path_, stop_);
  file_->Begin();
  try {
    if (int64_t replaced = file_->DeleteMesh(base::PlatformTextToUtf8(mesh))) {
      sink.Show(base::PlatformTextToUtf8(path_) + " held this mesh already: its " +
                std::to_string(replaced) + " features are replaced");
    }
    ExportMesh(mesh_folder, mesh, placement, *file_, sink);
    file_->Commit();
  } catch (...) {
    file_->Rollback();
    throw;
  }
  ++stored_;
}

void GpkgCollection::Close() {
  if (stored_ == 0) {
    file_.reset();
    RemoveIfUnused();
    return;
  }
  if (!index_.empty()) {
    file_.reset();  // GDAL alone at the file while it makes the sheet index
    WriteSheetIndex(path_, index_);
    index_.clear();
  }
  if (!file_) file_ = std::make_unique<GisFile>(path_, stop_);
  file_->Index();
  file_->Close();
  file_.reset();
}

}  // namespace sheetwright::gis

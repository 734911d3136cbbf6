#include "export/gpkg_store.h"

#include "export/gpkg_schema.h"
#include "export/mesh_export.h"
#include "platform/files.h"
#include "platform/folders.h"

namespace sheetwright::gis {
namespace {

[[noreturn]] void FailFile(const std::string& path, std::error_code error) {
  throw base::ConversionError::Unwritable(path, error.message());
}

// A path for the new GeoPackage beside `target`: inside a new hidden folder of its own (GDAL's
// driver creates the file itself and refuses one that exists), so no other writer can meet it.
std::string MakeTempBeside(const std::string& target) {
  std::error_code error;
  std::string folder = platform::MakeTempFolder(target, error);
  if (error) FailFile(target, error);
  return platform::JoinPath(folder, platform::BaseName(target));
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
  if (std::error_code error = platform::MoveOver(temp_, target_)) FailFile(target_, error);
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
  if (layers_epsg_) IndexGpkg(path_);  // not for a file that never took its layers
}

}  // namespace sheetwright::gis

#include "export/gpkg_store.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "export/mesh_export.h"

namespace sheetwright::gis {
namespace {

[[noreturn]] void FailFile(const std::string& path, int err) {
  throw base::ConversionError(path + " に書き込めません: " + std::strerror(err));
}

// A new empty file beside `target`, hidden and ending in ".gpkg" (GDAL's GeoPackage driver asks
// for that ending).
std::string MakeTempBeside(const std::string& target) {
  std::filesystem::path path(target);
  std::string name = "." + path.filename().string() + ".XXXXXX.gpkg";
  std::string temp = (path.parent_path() / name).string();
  int fd = mkstemps(temp.data(), 5);
  if (fd < 0) FailFile(target, errno);
  close(fd);
  return temp;
}

}  // namespace

Placement GisRequest::PlacementOf(const std::string& mesh) const {
  if (!origins) return {};
  if (auto placement = origins->Find(mesh)) return *placement;
  throw base::ConversionError(origins_name + " places no sheet '" + mesh + "'");
}

StagedGpkg::StagedGpkg(const std::string& target, const std::string& mesh_folder,
                       const std::string& mesh, const Placement& placement,
                       base::MessageSink& sink)
    : target_(target), temp_(MakeTempBeside(target)) {
  try {
    std::unique_ptr<GisFile> file = GisFile::Create(temp_);
    file->PrepareLayers(placement);
    file->Begin();
    ExportMesh(mesh_folder, mesh, placement, *file, sink);
    file->Commit();
    file->Close();
  } catch (...) {
    std::remove(temp_.c_str());
    throw;
  }
}

StagedGpkg::~StagedGpkg() {
  if (!temp_.empty()) std::remove(temp_.c_str());
}

void StagedGpkg::Commit() {
  if (std::rename(temp_.c_str(), target_.c_str()) != 0) FailFile(target_, errno);
  temp_.clear();
}

GpkgCollection::GpkgCollection(const std::string& path) {
  std::error_code ec;
  bool fresh = !std::filesystem::exists(path, ec);
  file_ = fresh ? GisFile::Create(path) : GisFile::Open(path);
}

void GpkgCollection::Append(const std::string& mesh_folder, const std::string& mesh,
                            const Placement& placement, base::MessageSink& sink) {
  file_->PrepareLayers(placement);
  file_->Begin();
  try {
    ExportMesh(mesh_folder, mesh, placement, *file_, sink);
    file_->Commit();
  } catch (...) {
    file_->Rollback();
    throw;
  }
}

void GpkgCollection::Close() { file_->Close(); }

}  // namespace sheetwright::gis

// Where the GeoPackages of a batch go: one MESH.gpkg per mesh, written beside its target and put in
// place only when complete (a failed mesh never damages an older file), or one collection file
// (--into) that every mesh is appended to in a transaction of its own (a failed mesh leaves the
// file as it was before it). Used by the batch; the layers are ExportMesh's.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/messages.h"
#include "export/data_formats.h"
#include "export/gis_file.h"
#include "export/gpkg_schema.h"
#include "export/sheet_origins.h"
#include "mapdata/sheet_place.h"

namespace sheetwright::gis {

// What a batch is asked to write as data.
struct GisRequest {
  std::vector<DataFormat> formats;  // MESH.gpkg beside the drawings; empty: none
  std::string into;                 // non-empty: every mesh into this one GeoPackage instead
  std::shared_ptr<const SheetOrigins> origins;  // null: sheet-local coordinates, no CRS
  std::string origins_name;                     // the origins file, for messages
  // --place: each sheet placed by what it carries (mapdata/sheet_place.h), the origins file only
  // as the last resort, in the CRS of its zone on `datum` (unless its origins line names one).
  bool place = false;
  mapdata::Datum datum = mapdata::Datum::kTokyo;

  bool any() const { return !formats.empty() || !into.empty(); }
  // The placement of a mesh: its line of the origins file, or none without one. A mesh the file
  // does not name throws ConversionError (it would land on top of another sheet).
  Placement PlacementOf(const std::string& mesh) const;
  // As above, or with `place` the mesh's own place; throws ConversionError as PlaceSheet does.
  Placement PlacementOf(const std::string& mesh_folder, const std::string& mesh) const;
  // With `place`, the mesh's row of the sheet index; nullopt without.
  std::optional<SheetIndexRow> IndexRowOf(const std::string& mesh_folder,
                                          const std::string& mesh) const;
};

// One mesh's GeoPackage, complete in a temporary file beside `target` until Commit renames it
// over the target. Destroyed uncommitted, it removes the temporary file.
class StagedGpkg {
 public:
  // Writes the mesh; throws ConversionError (nothing is then left behind).
  StagedGpkg(const std::string& target, const std::string& mesh_folder, const std::string& mesh,
             const Placement& placement, base::MessageSink& sink);
  ~StagedGpkg();
  StagedGpkg(const StagedGpkg&) = delete;
  StagedGpkg& operator=(const StagedGpkg&) = delete;

  void Commit();
  const std::string& target() const { return target_; }

 private:
  std::string target_, temp_;
};

// The --into file, created when it does not exist and opened once for the whole batch.
class GpkgCollection {
 public:
  explicit GpkgCollection(const std::string& path);
  ~GpkgCollection();
  // Appends the mesh in one transaction; on failure rolls it back and throws ConversionError.
  void Append(const std::string& mesh_folder, const std::string& mesh, const Placement& placement,
              base::MessageSink& sink);
  // A sheet for the `sheet_index` layer, written when the file is closed.
  void Index(SheetIndexRow row) { index_.push_back(std::move(row)); }
  // Gives the layers their spatial index (a mosaic of many sheets is what a GIS needs it for) and
  // closes the file; throws ConversionError when GDAL fails to.
  void Close();

 private:
  std::string path_;
  std::unique_ptr<GisFile> file_;
  std::optional<int> layers_epsg_;  // the CRS whose layers the file is known to hold
  std::vector<SheetIndexRow> index_;
};

}  // namespace sheetwright::gis

// Where the GeoPackages of a batch go: one MESH.gpkg per mesh, written beside its target and put in
// place only when complete (a failed mesh never damages an older file), or one collection file
// (--into) that every mesh is appended to in a transaction of its own (a failed mesh leaves the
// file as it was before it). Used by the batch; the layers are ExportMesh's.
#pragma once

#include <functional>
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

// One mesh's GeoPackage, complete in a temporary file beside `target` until Commit puts it in
// place by the rules of every stored file (base::ReplaceWith: a frozen target kept, links
// followed, owner and mode kept). Destroyed uncommitted, it removes the temporary file.
class StagedGpkg {
 public:
  // Writes the mesh; throws ConversionError naming the target (nothing is then left behind).
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

// The --into file, created when it does not exist and opened once for the whole batch. A file
// with no write bit is kept (its owner froze it) and every mesh fails; a link is written through.
class GpkgCollection {
 public:
  // `stop` is asked while rows are written and while the index is built (see GisFile).
  explicit GpkgCollection(const std::string& path, std::function<bool()> stop = {});
  // Without Close: the file as the last whole mesh left it, and removed if this run made it and
  // stored nothing in it.
  ~GpkgCollection();
  // Appends the mesh in one transaction. A mesh the file holds already is replaced in the same
  // transaction, which `sink` is told. On failure rolls it back and throws ConversionError, or
  // ConversionCancelled on a stop.
  void Append(const std::string& mesh_folder, const std::string& mesh, const Placement& placement,
              base::MessageSink& sink);
  // A sheet for the `sheet_index` layer, written when the file is closed.
  void Index(SheetIndexRow row) { index_.push_back(std::move(row)); }
  // Gives the layers their spatial index (a mosaic of many sheets is what a GIS needs it for) and
  // closes the file; throws ConversionError when that fails (the file then stays valid, without
  // the new indexes), ConversionCancelled on a stop.
  void Close();

 private:
  void RemoveIfUnused();

  std::string path_;
  std::function<bool()> stop_;
  std::unique_ptr<GisFile> file_;
  std::optional<int> layers_epsg_;  // the CRS whose layers the file is known to hold
  bool created_ = false;            // this run made the file
  int stored_ = 0;                  // meshes committed into it by this run
  std::vector<SheetIndexRow> index_;
};

}  // namespace sheetwright::gis

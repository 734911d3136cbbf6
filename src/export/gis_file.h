// One GeoPackage being written through GDAL: its layers (made on first use, with the schema of
// gis_layers.h), the transaction that holds one mesh, and the closing that makes the file whole.
// ExportMesh (mesh_export.h) fills it; MeshGpkg and GpkgCollection (gpkg_store.h) decide where it
// lives.
#pragma once

#include <memory>
#include <string>

#include "export/gis_layers.h"
#include "export/sheet_origins.h"

class GDALDataset;
class OGRLayer;
class OGRSpatialReference;

namespace sheetwright::gis {

class GisFile {
 public:
  // Creates a new GeoPackage (the file must not exist or be empty) or opens an existing one for
  // appending. Throws ConversionError("<path> に書き込めません: <GDAL's reason>").
  static std::unique_ptr<GisFile> Create(const std::string& path);
  static std::unique_ptr<GisFile> Open(const std::string& path);
  ~GisFile();

  // Makes every layer that the file lacks, in the placement's CRS, so that a mesh's features can
  // be written. An existing layer whose CRS differs from the placement's refuses the mesh
  // (ConversionError): one layer holds one CRS.
  void PrepareLayers(const Placement& placement);

  // The transaction of one mesh: everything written between Begin and Commit lands together, or
  // not at all after Rollback.
  void Begin();
  void Commit();
  void Rollback();

  // The layer of kLayers[index]; PrepareLayers has made it.
  OGRLayer& Layer(size_t index);

  // Gives every layer a spatial index (GeoPackage's R-tree) unless it has one. Layers are made
  // without: the index costs about three times the rest of the writing (built row by row or at
  // once alike), which a single sheet does not need and a mosaic of many sheets does.
  void IndexLayers();

  // Closes the file, so that it is complete on disk. Throws ConversionError when GDAL fails.
  void Close();

  const std::string& path() const { return path_; }

 private:
  GisFile(std::string path, GDALDataset* dataset);
  [[noreturn]] void Fail(const std::string& what) const;
  std::string path_;
  GDALDataset* dataset_;
  OGRLayer* layers_[kLayers.size()] = {};
};

}  // namespace sheetwright::gis

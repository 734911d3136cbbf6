// The GIS export of a mesh folder whose 25 data files come from the input, cut at 0xFF bytes in
// the order of mapdata::format::kDataFiles (as fuzz_convert_mesh packs them; its seeds serve here
// too). A ConversionError is an expected end and must leave no file behind; otherwise the
// GeoPackage must open in GDAL's reader with every layer, and every feature must read back. The
// same mesh appended twice to an --into file and indexed must read back with the same features (the
// second append replaces the first) and an R-tree entry for each feature with a geometry.
#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/messages.h"
#include "export/gis_layers.h"
#include "export/gpkg_store.h"
#include "fuzz_support.h"
#include "mapdata/map_format.h"

namespace {

using namespace sheetwright;
using mapdata::format::kDataFiles;

struct TempMesh {
  TempMesh() {
    root = "/dev/shm/fuzz-gpkg-XXXXXX";
    if (!mkdtemp(root.data())) root = std::filesystem::temp_directory_path() / "fuzz-gpkg";
    mesh = root + "/mesh";
    for (const auto& file : kDataFiles)
      std::filesystem::create_directories(mesh + "/" + std::string(file.theme));
  }
  ~TempMesh() { std::filesystem::remove_all(root); }
  std::string root, mesh;
};

const TempMesh& Folder() {
  static const TempMesh folder;
  return folder;
}

// Every layer is there and every feature reads, its geometry of the layer's kind (or none); the
// features per layer, in layer order.
std::vector<GIntBig> CheckGpkg(const std::string& path) {
  std::vector<GIntBig> counts;
  auto* ds = GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY);
  FUZZ_CHECK(ds != nullptr, "GeoPackage does not open", path);
  for (const gis::LayerSpec& spec : gis::kLayers) {
    OGRLayer* layer = ds->GetLayerByName(std::string(spec.name).c_str());
    FUZZ_CHECK(layer != nullptr, "layer missing", std::string(spec.name));
    GIntBig count = 0;
    layer->ResetReading();
    while (OGRFeature* feature = layer->GetNextFeature()) {
      ++count;
      const OGRGeometry* g = feature->GetGeometryRef();
      FUZZ_CHECK(g == nullptr || wkbFlatten(g->getGeometryType()) == layer->GetGeomType(),
                 "geometry of another kind", std::string(spec.name));
      OGRFeature::DestroyFeature(feature);
    }
    FUZZ_CHECK(count == layer->GetFeatureCount(), "feature count", std::string(spec.name));
    counts.push_back(count);
  }
  GDALClose(ds);
  return counts;
}

// A number that SQL gives back.
GIntBig Sql(GDALDataset* ds, const std::string& sql) {
  OGRLayer* result = ds->ExecuteSQL(sql.c_str(), nullptr, nullptr);
  FUZZ_CHECK(result != nullptr, "SQL failed", sql);
  OGRFeature* row = result->GetNextFeature();
  GIntBig value = row ? row->GetFieldAsInteger64(0) : -1;
  OGRFeature::DestroyFeature(row);
  ds->ReleaseResultSet(result);
  return value;
}

// The mesh appended twice into one --into file, then indexed: the same features as its own file,
// each layer's R-tree holding one entry per feature with a geometry.
void CheckInto(const std::string& folder, const std::string& mesh,
               const std::vector<GIntBig>& counts) {
  const std::string path = folder + "/into.gpkg";
  ::unlink(path.c_str());
  base::NullMessageSink sink;
  gis::GpkgCollection into(path);
  for (int run = 0; run < 2; ++run) into.Append(mesh, "mesh", gis::Placement{1000, 2000, 0}, sink);
  into.Close();
  FUZZ_CHECK(CheckGpkg(path) == counts, "--into features differ from the mesh's own file");
  auto* ds = GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY);
  FUZZ_CHECK(ds != nullptr, "--into file does not open", path);
  for (const gis::LayerSpec& spec : gis::kLayers) {
    const std::string name(spec.name);
    GIntBig rows = Sql(ds, "SELECT count(*) FROM \"" + name +
                               "\" WHERE geom IS NOT NULL AND NOT ST_IsEmpty(geom)");
    FUZZ_CHECK(Sql(ds, "SELECT count(*) FROM \"rtree_" + name + "_geom\"") == rows,
               "R-tree entries", name);
  }
  GDALClose(ds);
  ::unlink(path.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> parts = fuzz::SplitParts(data, size, kDataFiles.size());
  const TempMesh& folder = Folder();
  for (size_t i = 0; i < kDataFiles.size(); ++i) {
    std::string path = folder.mesh + "/" + kDataFiles[i].RelativePath();
    if (parts[i].empty()) {
      ::unlink(path.c_str());
    } else {
      std::ofstream(path, std::ios::binary | std::ios::trunc) << parts[i];
    }
  }
  std::string target = folder.root + "/mesh.gpkg";
  ::unlink(target.c_str());
  base::NullMessageSink sink;
  try {
    gis::StagedGpkg staged(target, folder.mesh, "mesh", gis::Placement{1000, 2000, 0}, sink);
    staged.Commit();
  } catch (const base::ConversionError&) {
    // A number field that is not a number: the mesh fails and leaves nothing behind.
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder.root)) {
      ++entries;
    }
    FUZZ_CHECK(entries == 1, "a failed export left files behind");
    return 0;
  }
  CheckInto(folder.root, folder.mesh, CheckGpkg(target));
  return 0;
}

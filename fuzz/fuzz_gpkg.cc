// The GIS export of a mesh folder whose 25 data files come from the input, cut at 0xFF bytes in
// the order of mapdata::format::kDataFiles (as fuzz_convert_mesh packs them; its seeds serve here too).
// A ConversionError is an expected end and must leave no file behind; otherwise the GeoPackage must
// open in GDAL's reader with every layer, and every feature must read back.
#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

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

// Every layer is there and every feature reads, its geometry of the layer's kind (or none).
void CheckGpkg(const std::string& path) {
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
  }
  GDALClose(ds);
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
  CheckGpkg(target);
  return 0;
}

// A whole mesh conversion over a mesh folder whose 25 data files come from the input, cut at 0xFF
// bytes in the order of mapdata::format::kDataFiles (scripts/fuzz packs its seeds in the same
// order). An empty part leaves its file out; a part of one Ctrl-Z gives an empty file. A 26th part
// holds control bytes: the width step of each layer, then the step at which to cancel. Every layer
// is on. A ConversionError is an expected end; whatever was drawn is checked and encoded as a
// metafile, which must be well-formed.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/messages.h"
#include "conversion/convert_mesh.h"
#include "conversion/output_files.h"
#include "fuzz_support.h"
#include "mapdata/map_format.h"
#include "output/wmf/wmf_writer.h"
#include "picture/font_library.h"
#include "settings/layer_styles.h"

namespace {

using namespace sheetwright;

using mapdata::format::kDataFiles;

// Every layer on, in a colour and width step of its own.
class AllLayersOn : public settings::StyleSource {
 public:
  explicit AllLayersOn(const std::string& control) : control_(control) {}
  settings::LayerStyle Style(settings::LayerKey key) const override {
    int i = static_cast<int>(key);
    uint8_t c = i < static_cast<int>(control_.size()) ? control_[i] : 2;
    return {true, 0x00102030u * (i + 1) & 0xFFFFFF, 1 + c % 5};
  }
  picture::LabelFont Font(settings::FontId) const override { return {}; }

 private:
  std::string control_;
};

// A private mesh folder with its theme folders, removed when the process ends.
struct TempMesh {
  TempMesh() {
    root = "/dev/shm/fuzz-conv-go-XXXXXX";
    if (!mkdtemp(root.data())) root = std::filesystem::temp_directory_path() / "fuzz-conv-go";
    mesh = root + "/mesh";
    for (const auto& file : kDataFiles)
      std::filesystem::create_directories(mesh + "/" + std::string(file.theme));
  }
  ~TempMesh() { std::filesystem::remove_all(root); }
  std::string root, mesh;
};

const std::string& MeshFolder() {
  static const TempMesh folder;
  return folder.mesh;
}

// Abandons the conversion at the n-th step (never for 0), as the desktop program's cancel does.
class CancelAt : public base::ProgressHook {
 public:
  explicit CancelAt(int n) : left_(n) {}
  void Step() override {
    if (left_ > 0 && --left_ == 0) throw base::ConversionCancelled();
  }

 private:
  int left_;
};

picture::FontLibrary& Fonts() {
  static picture::FontLibrary* fonts = new picture::FontLibrary();
  return *fonts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> parts = fuzz::SplitParts(data, size, kDataFiles.size() + 1);
  const std::string& mesh = MeshFolder();
  for (size_t i = 0; i < kDataFiles.size(); ++i) {
    std::string path = mesh + "/" + kDataFiles[i].RelativePath();
    if (parts[i].empty()) {
      ::unlink(path.c_str());
    } else {
      std::ofstream(path, std::ios::binary | std::ios::trunc) << parts[i];
    }
  }

  const std::string& control = parts.back();
  AllLayersOn styles(control);
  // The control byte after the width steps, when not 0, abandons the conversion at that step.
  CancelAt cancel(control.size() > settings::kLayerCount
                      ? static_cast<uint8_t>(control[settings::kLayerCount]) * 4
                      : 0);
  base::NullMessageSink sink;
  conversion::ConversionServices services{styles, Fonts(), sink, &cancel};
  picture::Picture sheet;
  try {
    conversion::ConvertMesh(mesh, services, sheet);
  } catch (const base::ConversionError&) {
    // Expected for bad numbers; the layers finished before it are still in the sheet.
  } catch (const base::ConversionCancelled&) {
  }
  fuzz::CheckPicture(sheet);
  try {
    fuzz::CheckWmf(output::EncodeWmf(sheet, output::NominalSize{}));
  } catch (const base::ConversionError&) {
    // A fill too long for one record is refused.
  }
  return 0;
}

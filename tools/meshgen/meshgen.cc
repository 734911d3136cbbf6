#include "meshgen/meshgen.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "mapdata/sheet_place.h"
#include "meshgen/gazetteer.h"
#include "meshgen/themes.h"
#include "meshgen/town_plan.h"

namespace sheetwright::meshgen {
namespace {

using Builder = void (*)(const ThemeInput&, std::vector<MeshFile>&);

struct Theme {
  const char* name;
  Builder build;
};

constexpr Theme kThemes[] = {
    {"gaiku", BuildGaiku}, {"gyousei", BuildGyousei}, {"tatemono", BuildTatemono},
    {"mizu", BuildMizu},   {"kasen", BuildKasen},     {"others", BuildOthers},
    {"road", BuildRoad},
};

void Check(const Options& options) {
  if (options.blocks < kMinBlocks || options.blocks > kMaxBlocks) {
    throw std::invalid_argument("block count must be between " + std::to_string(kMinBlocks) +
                                " and " + std::to_string(kMaxBlocks));
  }
  // The header begins with the mesh code, so it must not look like a record or hold a separator.
  if (options.mesh_code.empty() ||
      options.mesh_code.find_first_not_of("0123456789") != std::string::npos) {
    throw std::invalid_argument("mesh code must be digits: " + options.mesh_code);
  }
  if (!options.sheet_code.empty() && !mapdata::PlaceOfSheetCode(options.sheet_code)) {
    throw std::invalid_argument("not a sheet code: " + options.sheet_code);
  }
  const std::vector<std::string>& names = ThemeNames();
  for (const std::string& theme : options.omit_themes) {
    if (std::find(names.begin(), names.end(), theme) == names.end()) {
      throw std::invalid_argument("unknown theme: " + theme);
    }
  }
}

bool Omitted(const Options& options, const std::string& theme) {
  return std::find(options.omit_themes.begin(), options.omit_themes.end(), theme) !=
         options.omit_themes.end();
}

}  // namespace

const std::vector<std::string>& ThemeNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> list;
    for (const Theme& theme : kThemes) list.emplace_back(theme.name);
    return list;
  }();
  return names;
}

std::vector<MeshFile> BuildMesh(const Options& options) {
  Check(options);
  TownPlan plan(options);
  Gazetteer names(plan, options.seed);
  ThemeInput input{plan, names, options};
  std::vector<MeshFile> files;
  for (const Theme& theme : kThemes) {
    if (!Omitted(options, theme.name)) theme.build(input, files);
  }
  if (!options.sheet_code.empty()) files.push_back(SheetText(options.sheet_code));
  return files;
}

void GenerateMesh(const std::string& folder, const Options& options) {
  namespace fs = std::filesystem;
  std::vector<MeshFile> files = BuildMesh(options);
  for (const MeshFile& file : files) {
    fs::path path = fs::path(folder) / file.relative_path;
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (error) {
      throw std::runtime_error("cannot create folder " + path.parent_path().string() + ": " +
                               error.message());
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(file.bytes.data(), static_cast<std::streamsize>(file.bytes.size()));
    out.close();
    if (!out) {
      throw std::runtime_error("cannot write " + path.string() + ": " + std::strerror(errno));
    }
  }
}

uint64_t MeshBytes(const Options& options) {
  uint64_t total = 0;
  for (const MeshFile& file : BuildMesh(options)) total += file.bytes.size();
  return total;
}

int BlocksForBytes(uint64_t bytes, Options options) {
  auto size = [&](int blocks) {
    options.blocks = blocks;
    return MeshBytes(options);
  };
  // Small meshes are cheap: search them exactly.
  constexpr int kProbe = 32;
  uint64_t probe = size(kProbe);
  if (probe >= bytes) {
    int low = kMinBlocks;
    int high = kProbe;
    while (low < high) {
      int middle = low + (high - low) / 2;
      if (size(middle) >= bytes) {
        high = middle;
      } else {
        low = middle + 1;
      }
    }
    return high;
  }
  // Beyond, the size grows with the number of blocks (the square of the count): estimate, then
  // step up until the mesh is large enough. One or two builds, instead of a search's many.
  int blocks = kProbe;
  uint64_t reached = probe;
  while (reached < bytes && blocks < kMaxBlocks) {
    double factor = std::sqrt(static_cast<double>(bytes) / static_cast<double>(reached));
    blocks =
        std::min(kMaxBlocks, std::max(blocks + 1, static_cast<int>(std::ceil(blocks * factor))));
    reached = size(blocks);
  }
  return blocks;
}

}  // namespace sheetwright::meshgen

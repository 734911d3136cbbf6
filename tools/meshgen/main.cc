// meshgen: writes one synthetic mesh folder.
//   meshgen [--seed N] [--blocks N | --scale F] [--coastal] [--omit theme,...]
//           [--mesh-code DIGITS] [--sheet-code CODE] OUTPUT_MESH_FOLDER
// --scale F picks the block count whose mesh holds at least F times the bytes of the default
// 8-block mesh (same seed and coast); that mesh is about 100 KB.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "meshgen/meshgen.h"

namespace {

using sheetwright::meshgen::Options;

constexpr const char* kUsage =
    "usage: meshgen [--seed N] [--blocks N | --scale F] [--coastal] [--omit theme,...]\n"
    "               [--mesh-code DIGITS] [--sheet-code CODE] OUTPUT_MESH_FOLDER\n"
    "--sheet-code 07MD623: real sheet headers (zone, corners) and 07MD623.TXT\n"
    "themes: gaiku gyousei tatemono mizu kasen others road\n";

template <typename T>
bool Parse(std::string_view text, T& value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

std::vector<std::string> SplitCommas(std::string_view text) {
  std::vector<std::string> parts;
  while (!text.empty()) {
    size_t comma = text.find(',');
    std::string_view part = text.substr(0, comma);
    if (!part.empty()) parts.emplace_back(part);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return parts;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string folder;
  bool blocks_given = false;
  double scale = 0;
  for (int k = 1; k < argc; ++k) {
    std::string_view arg = argv[k];
    bool has_value = k + 1 < argc;
    if (arg == "--coastal") {
      options.coastal = true;
    } else if (arg == "--seed" && has_value && Parse(argv[k + 1], options.seed)) {
      ++k;
    } else if (arg == "--blocks" && has_value && Parse(argv[k + 1], options.blocks)) {
      blocks_given = true;
      ++k;
    } else if (arg == "--scale" && has_value && Parse(argv[k + 1], scale) && scale > 0) {
      ++k;
    } else if (arg == "--mesh-code" && has_value) {
      options.mesh_code = argv[++k];
    } else if (arg == "--sheet-code" && has_value) {
      options.sheet_code = argv[++k];
    } else if (arg == "--omit" && has_value) {
      options.omit_themes = SplitCommas(argv[++k]);
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (!arg.starts_with("-") && folder.empty()) {
      folder = arg;
    } else {
      std::fprintf(stderr, "meshgen: bad argument '%s'\n%s", argv[k], kUsage);
      return 2;
    }
  }
  if (folder.empty() || (blocks_given && scale > 0)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  try {
    if (scale > 0) {
      Options base = options;
      base.blocks = Options().blocks;
      double bytes = static_cast<double>(sheetwright::meshgen::MeshBytes(base)) * scale;
      options.blocks =
          sheetwright::meshgen::BlocksForBytes(static_cast<uint64_t>(std::ceil(bytes)), options);
    }
    sheetwright::meshgen::GenerateMesh(folder, options);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "meshgen: %s\n", error.what());
    return 1;
  }
  return 0;
}

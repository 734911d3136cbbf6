#include "conversion/mosaic.h"

#include <filesystem>

#include "base/atomic_file.h"
#include "conversion/convert_mesh.h"
#include "conversion/output_files.h"

namespace sheetwright::conversion {
namespace {

std::string LowerExtension(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return extension;
}

// Messages of one sheet, prefixed with its name as the batch's are.
class PrefixSink : public base::MessageSink {
 public:
  PrefixSink(base::MessageSink& sink, const std::string& mesh) : sink_(sink), mesh_(mesh) {}
  void Show(const std::string& utf8_text) override { sink_.Show(mesh_ + ": " + utf8_text); }

 private:
  base::MessageSink& sink_;
  const std::string& mesh_;
};

std::vector<PlacedSheet> PlaceAll(const MosaicRequest& request) {
  std::vector<PlacedSheet> sheets;
  for (const std::string& mesh : request.meshes) {
    std::optional<mapdata::SheetPlace> fallback;
    if (auto line = request.origins ? request.origins->Find(mesh) : std::nullopt) {
      fallback = mapdata::SheetPlace{0, line->north, line->east};
    }
    sheets.push_back(
        {mesh, mapdata::PlaceSheet(JoinFolder(request.input_folder, mesh), mesh, fallback)});
    if (sheets.back().place.zone != sheets.front().place.zone) {
      throw base::ConversionError(
          mesh + " lies in zone " + std::to_string(sheets.back().place.zone) + ", " +
              sheets.front().mesh + " in zone " + std::to_string(sheets.front().place.zone) +
              ": one map holds the sheets of one zone",
          base::FailureKind::kUsage);
    }
  }
  return sheets;
}

}  // namespace

std::optional<std::string> MosaicRefusal(const std::string& path) {
  std::string extension = LowerExtension(path);
  if (extension == ".pdf") return std::nullopt;
  if (extension == ".wmf") {
    return "a Windows Metafile cannot hold a town: its 16-bit frame holds one sheet";
  }
  if (extension == ".svg" || extension == ".png" || extension == ".dxf") {
    return "a mosaic is written as PDF only so far (" + extension + " is not yet done)";
  }
  return "a mosaic needs a .pdf file, not '" + extension + "'";
}

void WriteMosaic(const MosaicRequest& request, const settings::StyleSource& styles,
                 picture::FontLibrary& fonts, base::MessageSink& sink) {
  if (auto refusal = MosaicRefusal(request.path)) {
    throw base::ConversionError(*refusal, base::FailureKind::kUsage);
  }
  std::vector<PlacedSheet> sheets = PlaceAll(request);
  output::PrintInfo info = PrintInfoOf(sheets, request.print);
  output::PrintLayout layout = output::LayOutPrint(info.map, request.print.scale,
                                                   request.print.paper, request.print.orientation);
  base::AtomicFile file(request.path);
  output::PrintedPdf pdf(layout, std::move(info), fonts,
                         [&](std::string_view bytes) { file.Write(bytes); });
  picture::Picture picture;
  for (const PlacedSheet& sheet : sheets) {
    PrefixSink prefixed(sink, sheet.mesh);
    ConversionServices services{styles, fonts, prefixed};
    ConvertMesh(JoinFolder(request.input_folder, sheet.mesh), services, picture);
    pdf.AddSheet(picture, sheet.Ground());
    picture = {};  // one sheet at a time
  }
  pdf.Finish();
  file.Commit();
}

}  // namespace sheetwright::conversion

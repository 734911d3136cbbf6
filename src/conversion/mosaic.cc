#include "conversion/mosaic.h"

#include <cmath>

#include "base/atomic_file.h"
#include "conversion/convert_mesh.h"
#include "conversion/mosaic_joins.h"
#include "conversion/output_files.h"
#include "output/dxf/dxf_writer.h"
#include "output/raster/mosaic_image.h"
#include "picture/picture_spill.h"
#include "platform/files.h"
#include "platform/folders.h"

namespace sheetwright::conversion {
namespace {

std::string LowerExtension(const std::string& path) {
  std::string extension(platform::ExtensionOf(path));
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

// Throws ConversionCancelled once a stop is asked for.
class StopHook : public base::ProgressHook {
 public:
  explicit StopHook(const std::function<bool()>& stop) : stop_(stop) {}
  void Step() override {
    if (stop_ && stop_()) throw base::ConversionCancelled();
  }

 private:
  const std::function<bool()>& stop_;
};

std::vector<PlacedSheet> PlaceAll(const MosaicRequest& request) {
  std::vector<PlacedSheet> sheets;
  for (const std::string& mesh : request.meshes) {
    std::optional<mapdata::SheetPlace> fallback;
    if (auto line = request.origins ? request.origins->Find(mesh) : std::nullopt) {
      fallback = mapdata::SheetPlace{0, line->north, line->east};
    }
    sheets.push_back({mesh, mapdata::PlaceSheet(JoinFolder(request.input_folder, mesh), mesh,
                                                fallback, request.origins_offered)});
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
  if (extension == ".pdf" || extension == ".svg" || extension == ".png" || extension == ".dxf") {
    return std::nullopt;
  }
  if (extension == ".wmf") {
    return "a Windows Metafile cannot hold a town: its 16-bit frame holds one sheet";
  }
  return "a mosaic needs a .pdf, .svg, .png or .dxf file, not '" + extension + "'";
}

void WriteMosaic(const MosaicRequest& request, const settings::StyleSource& styles,
                 picture::FontLibrary& fonts, base::MessageSink& sink) {
  if (auto refusal = MosaicRefusal(request.path)) {
    throw base::ConversionError(*refusal, base::FailureKind::kUsage);
  }
  // What killed runs left beside the file (its temporaries, the DXF's surveyed sheets) goes first.
  std::string target = platform::LinkTarget(request.path);
  size_t separator = platform::LastSeparator(target);
  platform::RemoveLeftovers(separator == std::string::npos ? "." : target.substr(0, separator + 1));
  std::vector<PlacedSheet> sheets = PlaceAll(request);
  output::PrintInfo info = PrintInfoOf(sheets, request.print);
  StopHook stop(request.stop_requested);
  // Printed fills carried 0.1 mm of paper (a tenth of a metre per 1000 of the scale, at least a
  // drawing unit) over the edges they share (SheetJoins).
  auto bleed = static_cast<int32_t>(std::ceil(request.print.scale / 1000.0));
  // Every sheet converted in turn and handed on: joined to those before it, or as it is (a survey
  // before the drawing); one sheet's picture at a time.
  auto each_sheet = [&](int32_t joined_bleed, bool joined, const auto& draw) {
    SheetJoins joins;
    picture::Picture picture;
    for (size_t i = 0; i < sheets.size(); ++i) {
      const PlacedSheet& sheet = sheets[i];
      PrefixSink prefixed(sink, sheet.mesh);
      ConversionServices services{styles, fonts, prefixed, &stop};
      ConvertMesh(JoinFolder(request.input_folder, sheet.mesh), services, picture);
      if (joined) joins.Join(picture, sheet.Ground(), joined_bleed);
      draw(picture, sheet.Ground());
      if (joined && request.sheet_drawn) request.sheet_drawn(i, picture, sheet.Ground());
      picture = {};
    }
  };
  auto write_to = [&](base::AtomicFile& file) {
    return [&](std::string_view bytes) {
      stop.Step();
      file.Write(bytes);
    };
  };
  std::string extension = LowerExtension(request.path);
  if (extension == ".svg") {
    output::PrintLayout layout = output::LayOutPrint(
        info.map, request.print.scale, request.print.paper, request.print.orientation);
    SvgPageFiles files(request.path, layout.pages.size(), [&] { stop.Step(); });
    output::PrintedSvg svg(
        layout, std::move(info), fonts,
        [&](size_t page, std::string_view bytes) { files.Write(page, bytes); }, request.path);
    each_sheet(bleed, true, [&](const auto& picture, const auto& ground) {
      svg.AddSheet(picture, ground, bleed);
    });
    svg.Finish();
    for (auto& file : files.Close()) file->Commit();
    return;
  }
  base::AtomicFile file(request.path);
  if (extension == ".pdf") {
    output::PrintLayout layout = output::LayOutPrint(
        info.map, request.print.scale, request.print.paper, request.print.orientation);
    output::PrintedPdf pdf(layout, std::move(info), fonts, write_to(file));
    each_sheet(bleed, true, [&](const auto& picture, const auto& ground) {
      pdf.AddSheet(picture, ground, bleed);
    });
    pdf.Finish();
  } else if (extension == ".png") {
    output::MosaicImage image(info.map, fonts);
    // Sheets meet on whole pixels: no seam to cover.
    each_sheet(0, true,
               [&](const auto& picture, const auto& ground) { image.AddSheet(picture, ground); });
    write_to(file)(image.Encode());
  } else {
    output::DxfMosaic dxf(fonts, sink, write_to(file));
    // Each sheet is converted once: surveyed for the tables and kept beside the file, then read
    // back for the entities once the tables are written.
    picture::PictureSpill spill(request.path);
    each_sheet(0, false, [&](const auto& picture, const auto&) {
      dxf.SurveySheet(picture);
      spill.Add(picture);
    });
    spill.Rewind();
    dxf.Begin(info.map);
    SheetJoins joins;
    picture::Picture picture;
    for (const PlacedSheet& sheet : sheets) {
      stop.Step();
      spill.Next(picture);
      // A drawing of shapes in map metres keeps their edges where the data puts them.
      joins.Join(picture, sheet.Ground(), 0);
      dxf.AddSheet(picture, sheet.Ground());
    }
    dxf.Finish();
  }
  file.Commit();
}

}  // namespace sheetwright::conversion

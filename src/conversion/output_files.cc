#include "conversion/output_files.h"

#include "drawing/cairo_renderer.h"
#include "mapdata/messages.h"

namespace sheetwright::conversion {
namespace {

drawing::ImageFormat ImageFormatOf(OutputFormat format) {
  switch (format) {
    case OutputFormat::kSvg:
      return drawing::ImageFormat::kSvg;
    case OutputFormat::kPdf:
      return drawing::ImageFormat::kPdf;
    default:
      return drawing::ImageFormat::kPng;
  }
}

}  // namespace

std::optional<OutputFormat> ParseOutputFormat(std::string_view name) {
  if (name == "wmf") return OutputFormat::kWmf;
  if (name == "svg") return OutputFormat::kSvg;
  if (name == "png") return OutputFormat::kPng;
  if (name == "pdf") return OutputFormat::kPdf;
  return std::nullopt;
}

std::string_view Extension(OutputFormat format) {
  switch (format) {
    case OutputFormat::kWmf:
      return ".wmf";
    case OutputFormat::kSvg:
      return ".svg";
    case OutputFormat::kPng:
      return ".png";
    case OutputFormat::kPdf:
      return ".pdf";
  }
  return ".wmf";
}

std::string JoinFolder(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || path.back() != '/') path += '/';
  path += name;
  return path;
}

void WriteOutput(const drawing::Picture& sheet, OutputFormat format, const OutputSizes& sizes,
                 drawing::FontLibrary& fonts, mapdata::MessageSink& sink, const ByteWriter& write) {
  if (format == OutputFormat::kWmf) {
    write(drawing::EncodeWmf(sheet, sizes.wmf, sink));
    return;
  }
  bool png = format == OutputFormat::kPng;
  write(drawing::EncodeImage(sheet, ImageFormatOf(format),
                             png ? sizes.png_width : sizes.vector_width,
                             png ? sizes.png_height : sizes.vector_height, fonts));
}

}  // namespace sheetwright::conversion

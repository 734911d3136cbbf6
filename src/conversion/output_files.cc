#include "conversion/output_files.h"

#include <algorithm>

#include "base/messages.h"
#include "output/dxf/dxf_writer.h"
#include "output/pdf/pdf_writer.h"
#include "output/raster/cairo_renderer.h"
#include "output/svg/svg_writer.h"

namespace sheetwright::conversion {

std::optional<OutputFormat> ParseOutputFormat(std::string_view name) {
  if (name == "wmf") return OutputFormat::kWmf;
  if (name == "svg") return OutputFormat::kSvg;
  if (name == "png") return OutputFormat::kPng;
  if (name == "pdf") return OutputFormat::kPdf;
  if (name == "dxf") return OutputFormat::kDxf;
  if (name == "dxf2010") return OutputFormat::kDxf2010;
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
    case OutputFormat::kDxf:
      return ".dxf";
    case OutputFormat::kDxf2010:
      return "_2010.dxf";  // beside the release 12 drawing when both are stored
  }
  return ".wmf";
}

std::string JoinFolder(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || path.back() != '/') path += '/';
  path += name;
  return path;
}

void WriteOutput(const picture::Picture& sheet, std::string_view mesh, OutputFormat format,
                 const OutputSizes& sizes, picture::FontLibrary& fonts, base::MessageSink& sink,
                 const ByteWriter& write) {
  switch (format) {
    case OutputFormat::kWmf:
      write(output::EncodeWmf(sheet, sizes.wmf, sink));
      return;
    case OutputFormat::kSvg:
      output::WriteSvg(sheet, sizes.vector_width, sizes.vector_height, fonts, write);
      return;
    case OutputFormat::kPng:
      write(output::EncodeImage(sheet, sizes.png_width, sizes.png_height, fonts));
      return;
    case OutputFormat::kPdf:
      output::WritePdf(sheet, sizes.vector_width, sizes.vector_height, mesh, fonts, write);
      return;
    case OutputFormat::kDxf:
      output::WriteDxf(sheet, output::DxfFlavour::kR12, fonts, sink, write);
      return;
    case OutputFormat::kDxf2010:
      output::WriteDxf(sheet, output::DxfFlavour::kR2010, fonts, sink, write);
      return;
  }
}

std::string_view FormatName(OutputFormat format) {
  static constexpr std::string_view kNames[] = {"wmf", "svg", "png", "pdf", "dxf", "dxf2010"};
  return kNames[static_cast<size_t>(format)];
}

std::vector<OutputFormat> ParseFormatList(std::string_view text) {
  std::vector<bool> named(std::size(kAllFormats));
  for (size_t at = 0; at <= text.size();) {
    size_t comma = std::min(text.find(',', at), text.size());
    if (auto format = ParseOutputFormat(text.substr(at, comma - at))) {
      named[static_cast<size_t>(*format)] = true;
    }
    at = comma + 1;
  }
  std::vector<OutputFormat> formats;
  for (OutputFormat format : kAllFormats) {
    if (named[static_cast<size_t>(format)]) formats.push_back(format);
  }
  if (formats.empty()) formats.push_back(OutputFormat::kWmf);
  return formats;
}

std::string FormatListText(const std::vector<OutputFormat>& formats) {
  std::string text;
  for (OutputFormat format : formats) {
    if (!text.empty()) text += ',';
    text += FormatName(format);
  }
  return text;
}

}  // namespace sheetwright::conversion

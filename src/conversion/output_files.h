// Output of a converted mesh: the formats, the file names formed from the output folder and the
// mesh name, and the bytes of each format. Encoding is separate from writing so that parallel jobs
// can encode while the files are still written one by one in list order.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/messages.h"
#include "output/raster/cairo_renderer.h"
#include "output/wmf/wmf_writer.h"
#include "picture/font_library.h"
#include "picture/picture.h"

namespace sheetwright::conversion {

enum class OutputFormat { kWmf, kSvg, kPng, kPdf, kDxf, kDxf2010 };

// "wmf", "svg", "png", "pdf", "dxf" or "dxf2010" (lower case, as on the command line); nullopt
// for anything else.
std::optional<OutputFormat> ParseOutputFormat(std::string_view name);
// What follows the mesh name: ".wmf", ".svg", ".png", ".pdf", ".dxf", "_2010.dxf".
std::string_view Extension(OutputFormat format);

// Every format, in the order they are offered.
constexpr OutputFormat kAllFormats[] = {OutputFormat::kWmf, OutputFormat::kSvg,
                                        OutputFormat::kPng, OutputFormat::kPdf,
                                        OutputFormat::kDxf, OutputFormat::kDxf2010};

// The command-line name of a format ("wmf", ..., "dxf2010").
std::string_view FormatName(OutputFormat format);

// A comma-separated list of format names as the settings file keeps it ("wmf,dxf"): the formats
// it names, each once, in the order of kAllFormats; unknown names are passed over. A list that
// names none (an older settings file has none) gives WMF alone.
std::vector<OutputFormat> ParseFormatList(std::string_view text);
// The list text of `formats` ("wmf,dxf").
std::string FormatListText(const std::vector<OutputFormat>& formats);

struct OutputSizes {
  // The placeable metafile's header size: the preview's paint area at 96 dpi.
  output::NominalSize wmf{400, 300};
  // PNG in pixels; 10 drawing units per pixel, so a 1-unit hairline stays visible.
  int png_width = 2000, png_height = 1500;
  // SVG and PDF in points.
  int vector_width = 800, vector_height = 600;
};

// `folder` followed by the system's separator ("\" on Windows, "/" elsewhere) unless it already
// ends in one, then `name`. An empty folder gives the separator followed by the name, as the rule
// says; callers pass real folders.
std::string JoinFolder(std::string_view folder, std::string_view name);

// Receives a file's bytes in pieces, in order; may throw to stop the writing.
using ByteWriter = std::function<void(std::string_view)>;

// The whole output file of one format for mesh `mesh` (the PDF's title), handed to `write` as it
// is produced (SVG and PDF in pieces, so that a large drawing is never held whole). Images are
// drawn on a white background. A figure
// that the metafile cannot hold is left out of it and told to `sink` (see output::EncodeWmf);
// the other formats draw everything. Throws ConversionError when the picture cannot be encoded.
// `image` says how a PNG is drawn: in how many bands at once, and the stop it looks for.
void WriteOutput(const picture::Picture& sheet, std::string_view mesh, OutputFormat format,
                 const OutputSizes& sizes, picture::FontLibrary& fonts, base::MessageSink& sink,
                 const ByteWriter& write, const output::ImageOptions& image = {});

}  // namespace sheetwright::conversion

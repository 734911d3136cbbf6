#include "conversion/output_files.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <memory>

#include "drawing/cairo_renderer.h"
#include "mapdata/messages.h"

namespace sheetwright::conversion {
namespace {

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

struct SurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
  void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using ContextPtr = std::unique_ptr<cairo_t, ContextDeleter>;

void Check(cairo_status_t status, std::string_view what) {
  if (status != CAIRO_STATUS_SUCCESS) {
    throw mapdata::ConversionError(std::string(what) + ": " + cairo_status_to_string(status));
  }
}

void Paint(cairo_surface_t* surface, const drawing::Picture& sheet, int width, int height,
           drawing::FontLibrary& fonts) {
  Check(cairo_surface_status(surface), "cannot create the image");
  ContextPtr cr(cairo_create(surface));
  cairo_set_source_rgb(cr.get(), 1, 1, 1);
  cairo_paint(cr.get());
  drawing::RenderPicture(sheet, cr.get(), width, height, fonts);
  Check(cairo_status(cr.get()), "cannot draw the image");
}

// Cairo names the SVG's drawing group after a counter shared by every surface of the process, so
// the same picture would get "surface1" or "surface7" depending on what was drawn before. The name
// is referred to nowhere else; fixing it makes the file depend on the picture alone, as parallel
// jobs require.
void FixSurfaceId(std::string& svg) {
  constexpr std::string_view kId = "<g id=\"surface";
  size_t at = svg.find(kId);
  if (at == std::string::npos) return;
  size_t digits = at + kId.size();
  size_t end = svg.find('"', digits);
  if (end == std::string::npos || svg.find("#surface") != std::string::npos) return;
  svg = svg.substr(0, digits) + "1" + svg.substr(end);
}

std::string EncodeImage(const drawing::Picture& sheet, OutputFormat format,
                        const OutputSizes& sizes, drawing::FontLibrary& fonts) {
  std::string bytes;
  if (format == OutputFormat::kPng) {
    SurfacePtr surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, sizes.png_width, sizes.png_height));
    Paint(surface.get(), sheet, sizes.png_width, sizes.png_height, fonts);
    cairo_surface_flush(surface.get());
    Check(cairo_surface_write_to_png_stream(surface.get(), AppendBytes, &bytes),
          "cannot encode the PNG image");
    return bytes;
  }
  SurfacePtr surface(format == OutputFormat::kSvg
                         ? cairo_svg_surface_create_for_stream(
                               AppendBytes, &bytes, sizes.vector_width, sizes.vector_height)
                         : cairo_pdf_surface_create_for_stream(
                               AppendBytes, &bytes, sizes.vector_width, sizes.vector_height));
  Paint(surface.get(), sheet, sizes.vector_width, sizes.vector_height, fonts);
  cairo_surface_finish(surface.get());
  Check(cairo_surface_status(surface.get()), "cannot encode the image");
  if (format == OutputFormat::kSvg) FixSurfaceId(bytes);
  return bytes;
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

std::string EncodeOutput(const drawing::Picture& sheet, OutputFormat format,
                         const OutputSizes& sizes, drawing::FontLibrary& fonts) {
  if (format == OutputFormat::kWmf) return drawing::EncodeWmf(sheet, sizes.wmf);
  return EncodeImage(sheet, format, sizes, fonts);
}

}  // namespace sheetwright::conversion

#include "output/raster/png_writer.h"

#include <png.h>
#include <zlib.h>

#include <bit>
#include <csetjmp>
#include <string>

#include "base/messages.h"

namespace sheetwright::output {
namespace {

void Append(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))
      ->append(reinterpret_cast<const char*>(data), length);
}

void Flush(png_structp) {}

[[noreturn]] void Fail(const char* reason) {
  throw base::ConversionError(std::string("cannot draw the image: ") + reason);
}

}  // namespace

std::string EncodePng(cairo_surface_t* surface) {
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  int width = cairo_image_surface_get_width(surface);
  int height = cairo_image_surface_get_height(surface);
  int stride = cairo_image_surface_get_stride(surface);
  cairo_format_t format = cairo_image_surface_get_format(surface);
  if (!data || width <= 0 || height <= 0 ||
      (format != CAIRO_FORMAT_RGB24 && format != CAIRO_FORMAT_ARGB32)) {
    Fail("not an RGB image");
  }

  std::string bytes;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    Fail("out of memory");
  }
  // libpng reports errors by longjmp; nothing on this frame needs unwinding past that point.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    Fail("PNG encoder error");
  }
  png_set_write_fn(png, &bytes, Append, Flush);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, Z_BEST_SPEED);
  png_set_compression_strategy(png, Z_RLE);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_write_info(png, info);
  // Cairo's pixels are native-endian 32-bit words: B G R X in memory on this platform.
  static_assert(std::endian::native == std::endian::little);
  png_set_bgr(png);
  png_set_filler(png, 0, PNG_FILLER_AFTER);
  for (int y = 0; y < height; ++y) {
    png_write_row(png, const_cast<png_bytep>(data + static_cast<size_t>(y) * stride));
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return bytes;
}

}  // namespace sheetwright::output

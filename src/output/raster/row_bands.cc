#include "output/raster/row_bands.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/messages.h"

namespace sheetwright::output {
namespace {

// Rows a band draws past each of its seams; a multiple of 8.
constexpr int kOverlap = 32;

void ThrowIfFailed(cairo_status_t status) {
  if (status != CAIRO_STATUS_SUCCESS) {
    throw base::ConversionError(std::string("cannot draw the image: ") +
                                cairo_status_to_string(status));
  }
}

// The rows [from, to) of an image.
struct Rows {
  unsigned char* data;
  int stride, width;
  unsigned char* Row(int y) const { return data + static_cast<size_t>(y) * stride; }
};

void CopyRows(const Rows& from, int from_y, const Rows& to, int to_y, int count) {
  for (int i = 0; i < count; ++i) {
    std::memcpy(to.Row(to_y + i), from.Row(from_y + i), 4 * static_cast<size_t>(from.width));
  }
}

// Draws rows [y0, y1) of `target` on a surface of their own, with kOverlap rows either side.
bool DrawBand(const Rows& target, int height, cairo_format_t format, int y0, int y1,
              const cairo_matrix_t& matrix, const std::function<bool(cairo_t*)>& draw) {
  int from = std::max(0, y0 - kOverlap), to = std::min(height, y1 + kOverlap);
  Surface band(cairo_image_surface_create(format, target.width, to - from));
  ThrowIfFailed(cairo_surface_status(band.get()));
  Rows rows{cairo_image_surface_get_data(band.get()), cairo_image_surface_get_stride(band.get()),
            target.width};
  CopyRows(target, from, rows, 0, to - from);
  cairo_surface_mark_dirty(band.get());
  Context cr(cairo_create(band.get()));
  cairo_translate(cr.get(), 0, -from);
  cairo_transform(cr.get(), &matrix);
  bool finished = draw(cr.get());
  ThrowIfFailed(cairo_status(cr.get()));
  cairo_surface_flush(band.get());
  CopyRows(rows, y0 - from, target, y0, y1 - y0);
  return finished;
}

}  // namespace

bool DrawInBands(cairo_surface_t* target, const cairo_matrix_t& matrix, int bands,
                 const std::function<bool(cairo_t*)>& draw) {
  int height = cairo_image_surface_get_height(target);
  bands = std::clamp(bands, 1, std::max(1, height / kMinBandRows));
  if (bands == 1) {
    Context cr(cairo_create(target));
    cairo_set_matrix(cr.get(), &matrix);
    bool finished = draw(cr.get());
    ThrowIfFailed(cairo_status(cr.get()));
    return finished;
  }
  cairo_surface_flush(target);
  Rows rows{cairo_image_surface_get_data(target), cairo_image_surface_get_stride(target),
            cairo_image_surface_get_width(target)};
  if (!rows.data) ThrowIfFailed(CAIRO_STATUS_NULL_POINTER);
  cairo_format_t format = cairo_image_surface_get_format(target);
  int band_rows = ((height + bands - 1) / bands + 7) / 8 * 8;
  std::vector<std::exception_ptr> errors(bands);
  std::vector<char> finished(bands, true);
  auto run = [&](int band) {
    try {
      int y0 = band * band_rows, y1 = std::min(height, y0 + band_rows);
      if (y0 < y1) finished[band] = DrawBand(rows, height, format, y0, y1, matrix, draw);
    } catch (...) {
      errors[band] = std::current_exception();
    }
  };
  std::vector<std::thread> threads;
  for (int band = 1; band < bands; ++band) threads.emplace_back(run, band);
  run(0);
  for (std::thread& thread : threads) thread.join();
  cairo_surface_mark_dirty(target);
  for (const std::exception_ptr& error : errors) {
    if (error) std::rethrow_exception(error);
  }
  return std::all_of(finished.begin(), finished.end(), [](char f) { return f; });
}

}  // namespace sheetwright::output

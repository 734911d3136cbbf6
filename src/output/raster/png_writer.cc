#include "output/raster/png_writer.h"

#include <zlib.h>

#include <bit>
#include <cstdint>
#include <exception>
#include <string>
#include <thread>
#include <vector>

#include "base/messages.h"

namespace sheetwright::output {
namespace {

// The rows are filtered and compressed in this many parts at once, one thread each, joined into
// the one zlib stream PNG wants. The number is fixed, not taken from the machine, so that the
// bytes are the same everywhere.
constexpr int kParts = 2;
// Smaller images are not worth a thread.
constexpr int kMinThreadedRows = 64;

[[noreturn]] void Fail(const char* reason) {
  throw base::ConversionError(std::string("cannot draw the image: ") + reason);
}

void PutU32(std::string& out, uint32_t value) {
  const char bytes[] = {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                        static_cast<char>(value >> 8), static_cast<char>(value)};
  out.append(bytes, 4);
}

void PutChunk(std::string& out, const char (&type)[5], const std::string& data) {
  PutU32(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.append(type, 4);
  out += data;
  PutU32(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(out.data() + start),
                                          static_cast<uInt>(out.size() - start))));
}

struct Image {
  const unsigned char* data;
  int width, height, stride;
};

struct Part {
  std::string deflated;  // raw deflate blocks; only the last part's end the stream
  uLong adler = adler32(0, nullptr, 0);
  size_t raw_size = 0;
};

// Rows [first, last) as 8-bit RGB under the "sub" filter, deflated at zlib's fastest level with
// run-length matches only. A part but the last ends with a sync flush: on a byte boundary,
// without the final block, so that the next part's blocks follow on.
Part DeflateRows(const Image& image, int first, int last, bool final) {
  z_stream z{};
  if (deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, -15, 8, Z_RLE) != Z_OK) Fail("out of memory");
  Part part;
  const size_t row_size = 1 + 3 * static_cast<size_t>(image.width);
  part.raw_size = row_size * static_cast<size_t>(last - first);
  part.deflated.resize(row_size * 2 + part.raw_size / 4 + 64);
  z.next_out = reinterpret_cast<Bytef*>(part.deflated.data());
  z.avail_out = static_cast<uInt>(part.deflated.size());
  std::vector<unsigned char> row(row_size);
  auto pump = [&](int flush) {
    for (;;) {
      if (z.avail_out == 0) {
        const size_t used = part.deflated.size();
        part.deflated.resize(used * 2);
        z.next_out = reinterpret_cast<Bytef*>(part.deflated.data() + used);
        z.avail_out = static_cast<uInt>(part.deflated.size() - used);
      }
      const int rc = deflate(&z, flush);
      if (rc == Z_STREAM_ERROR) Fail("PNG encoder error");
      if (flush == Z_FINISH ? rc == Z_STREAM_END : z.avail_in == 0 && z.avail_out != 0) return;
    }
  };
  // Cairo's pixels are native-endian 32-bit words: B G R X in memory on this platform.
  static_assert(std::endian::native == std::endian::little);
  for (int y = first; y < last; ++y) {
    const unsigned char* pixel = image.data + static_cast<size_t>(y) * image.stride;
    unsigned char* out = row.data();
    *out++ = 1;  // sub: each byte less the same channel of the pixel to its left
    unsigned char r = 0, g = 0, b = 0;
    for (int x = 0; x < image.width; ++x, pixel += 4) {
      *out++ = static_cast<unsigned char>(pixel[2] - r);
      *out++ = static_cast<unsigned char>(pixel[1] - g);
      *out++ = static_cast<unsigned char>(pixel[0] - b);
      r = pixel[2], g = pixel[1], b = pixel[0];
    }
    part.adler = adler32(part.adler, row.data(), static_cast<uInt>(row_size));
    z.next_in = row.data();
    z.avail_in = static_cast<uInt>(row_size);
    pump(Z_NO_FLUSH);
  }
  pump(final ? Z_FINISH : Z_SYNC_FLUSH);
  part.deflated.resize(z.total_out);
  deflateEnd(&z);
  return part;
}

std::vector<Part> DeflateImage(const Image& image) {
  std::vector<Part> parts(kParts);
  std::exception_ptr failure;
  std::vector<std::thread> helpers;
  for (int k = 0; k < kParts; ++k) {
    const int first = image.height * k / kParts, last = image.height * (k + 1) / kParts;
    auto deflate_part = [&, k, first, last] {
      try {
        parts[k] = DeflateRows(image, first, last, k + 1 == kParts);
      } catch (...) {
        if (k == 0) failure = std::current_exception();  // the same failure in every part
      }
    };
    if (k > 0 && image.height >= kMinThreadedRows) {
      helpers.emplace_back(deflate_part);
    } else {
      deflate_part();
    }
  }
  for (std::thread& helper : helpers) helper.join();
  if (failure) std::rethrow_exception(failure);
  return parts;
}

}  // namespace

std::string EncodePng(cairo_surface_t* surface) {
  cairo_surface_flush(surface);
  const Image image{cairo_image_surface_get_data(surface), cairo_image_surface_get_width(surface),
                    cairo_image_surface_get_height(surface),
                    cairo_image_surface_get_stride(surface)};
  cairo_format_t format = cairo_image_surface_get_format(surface);
  if (!image.data || image.width <= 0 || image.height <= 0 ||
      (format != CAIRO_FORMAT_RGB24 && format != CAIRO_FORMAT_ARGB32)) {
    Fail("not an RGB image");
  }
  std::vector<Part> parts = DeflateImage(image);

  std::string header;
  PutU32(header, static_cast<uint32_t>(image.width));
  PutU32(header, static_cast<uint32_t>(image.height));
  header += {8, 2, 0, 0, 0};          // 8-bit RGB, deflate, adaptive filters, not interlaced
  std::string stream = {0x78, 0x01};  // zlib: deflate, 32 KB window, fastest level
  uLong adler = parts[0].adler;
  stream += parts[0].deflated;
  for (size_t k = 1; k < parts.size(); ++k) {
    adler = adler32_combine(adler, parts[k].adler, static_cast<z_off_t>(parts[k].raw_size));
    stream += parts[k].deflated;
  }
  PutU32(stream, static_cast<uint32_t>(adler));

  std::string bytes = "\x89PNG\r\n\x1a\n";
  PutChunk(bytes, "IHDR", header);
  PutChunk(bytes, "IDAT", stream);
  PutChunk(bytes, "IEND", {});
  return bytes;
}

}  // namespace sheetwright::output

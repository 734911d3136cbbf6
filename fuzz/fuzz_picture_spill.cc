// The bytes a DXF mosaic keeps its surveyed sheets in (picture/picture_spill.h), both ways. With an
// even first byte the rest builds a picture (picture_input.h) that must come back from its bytes
// whole: its records still in range, its bytes again the same. With an odd first byte the rest is
// read as the bytes of a picture: damage must be refused without a fault, and what is read must be
// written back to the same bytes (the reader accepts no two spellings of a picture), and with the
// first byte's second bit set it is drawn into a release 12 DXF, whose group structure must hold
// (unless it plays more than a million records): what the backends meet in a picture read back
// that they never meet in a recorded one (fuzz_picture draws those).
#include <cstdint>
#include <string>
#include <string_view>

#include "base/messages.h"
#include "fuzz_support.h"
#include "output/dxf/dxf_writer.h"
#include "picture/picture_spill.h"
#include "picture_input.h"

using namespace sheetwright;

namespace {

// How many records playing `picture` visits, a layer's each time it is played, counted up to a
// little past `cap`: bytes read as a picture may play a layer of layers exponentially often.
uint64_t Played(const picture::Picture& picture, uint64_t cap) {
  uint64_t n = picture.records.size();
  for (const picture::Record& record : picture.records) {
    if (n > cap) break;
    if (const auto* r = std::get_if<picture::LayerRec>(&record)) {
      if (const picture::Picture* layer = picture.Layer(*r)) n += Played(*layer, cap - n);
    }
  }
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string bytes;
  picture::Picture back;
  if (data[0] % 2 == 0) {
    fuzz::Reader in(data + 1, size - 1);
    picture::Picture sheet = fuzz::Build(in, 0);
    picture::EncodePicture(sheet, bytes);
    FUZZ_CHECK(picture::DecodePicture(bytes, back), "a picture's own bytes refused");
    fuzz::CheckPicture(back);
  } else {
    bytes.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (!picture::DecodePicture(bytes, back)) return 0;
  }
  std::string again;
  picture::EncodePicture(back, again);
  FUZZ_CHECK(again == bytes, "a picture read back is written to other bytes");
  if (data[0] % 2 == 0 || !(data[0] & 2) || Played(back, 1 << 20) > (1 << 20)) return 0;
  base::NullMessageSink no_one;
  fuzz::CheckDxf(output::EncodeDxf(back, output::DxfFlavour::kR12, fuzz::Fonts(), no_one), false);
  return 0;
}

#include "export/gpkg_blob.h"

#include <sqlite3.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

namespace sheetwright::gis {
namespace {

static_assert(std::endian::native == std::endian::little, "blobs are written in host order");

constexpr size_t kHeader = 8;                           // magic, version, flags, srs_id
constexpr size_t kRoom = kHeader + 4 * sizeof(double);  // with the envelope
constexpr uint8_t kLittleEndian = 1, kXyEnvelope = 1 << 1, kEmpty = 1 << 4;

void PutHeader(char* at, uint8_t flags, int32_t srs_id) {
  at[0] = 'G';
  at[1] = 'P';
  at[2] = 0;  // version 1
  at[3] = static_cast<char>(flags);
  std::memcpy(at + 4, &srs_id, 4);
}

double ReadDouble(const unsigned char* at) {
  double v;
  std::memcpy(&v, at, sizeof v);
  return v;
}

// The envelope of one of our blobs: from its header, or a point's coordinates. Empty for an
// empty geometry; nullopt for anything else.
std::optional<Envelope> ReadEnvelope(const unsigned char* b, int n) {
  if (b == nullptr || n < static_cast<int>(kHeader) || b[0] != 'G' || b[1] != 'P' ||
      !(b[3] & kLittleEndian)) {
    return std::nullopt;
  }
  Envelope e;
  if (b[3] & kEmpty) return e;
  int indicator = (b[3] >> 1) & 7;
  if (indicator >= 1 && indicator <= 4 && n >= static_cast<int>(kRoom)) {
    e.Add(ReadDouble(b + kHeader), ReadDouble(b + kHeader + 16));
    e.Add(ReadDouble(b + kHeader + 8), ReadDouble(b + kHeader + 24));
    return e;
  }
  // A point: byte order 1, type 1, x, y.
  if (indicator == 0 && n >= static_cast<int>(kHeader) + 21 && b[kHeader] == 1 &&
      b[kHeader + 1] == 1 && b[kHeader + 2] == 0 && b[kHeader + 3] == 0 && b[kHeader + 4] == 0) {
    e.Add(ReadDouble(b + kHeader + 5), ReadDouble(b + kHeader + 13));
    return e;
  }
  return std::nullopt;
}

enum Which { kIsEmpty, kMinX, kMaxX, kMinY, kMaxY };

void EnvelopeFunction(sqlite3_context* context, int, sqlite3_value** args) {
  auto which = static_cast<Which>(reinterpret_cast<intptr_t>(sqlite3_user_data(context)));
  std::optional<Envelope> e =
      sqlite3_value_type(args[0]) == SQLITE_BLOB
          ? ReadEnvelope(static_cast<const unsigned char*>(sqlite3_value_blob(args[0])),
                         sqlite3_value_bytes(args[0]))
          : std::nullopt;
  if (!e) return sqlite3_result_null(context);
  if (which == kIsEmpty) return sqlite3_result_int(context, e->empty ? 1 : 0);
  if (e->empty) return sqlite3_result_null(context);
  const double values[] = {0, e->min_x, e->max_x, e->min_y, e->max_y};
  sqlite3_result_double(context, values[which]);
}

}  // namespace

std::optional<Envelope> EnvelopeOf(const unsigned char* blob, int size) {
  return ReadEnvelope(blob, size);
}

void Envelope::Add(double x, double y) {
  if (empty) {
    min_x = max_x = x;
    min_y = max_y = y;
    empty = false;
    return;
  }
  min_x = std::min(min_x, x);
  max_x = std::max(max_x, x);
  min_y = std::min(min_y, y);
  max_y = std::max(max_y, y);
}

void Envelope::Add(const Envelope& other) {
  if (other.empty) return;
  Add(other.min_x, other.min_y);
  Add(other.max_x, other.max_y);
}

GeometryBlob::GeometryBlob() { Clear(); }

void GeometryBlob::Clear() {
  bytes_.assign(kRoom, '\0');
  counts_.clear();
  envelope_ = {};
  begun_ = false;
}

template <typename T>
void GeometryBlob::Put(T value) {
  bytes_.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void GeometryBlob::Count() {
  if (counts_.empty()) return;
  uint32_t count;
  std::memcpy(&count, bytes_.data() + counts_.back(), 4);
  ++count;
  std::memcpy(bytes_.data() + counts_.back(), &count, 4);
}

void GeometryBlob::Point(double x, double y) {
  begun_ = true;
  Put<uint8_t>(1);
  Put(static_cast<uint32_t>(WkbType::kPoint));
  Put(x);
  Put(y);
  envelope_.Add(x, y);
}

void GeometryBlob::Open(WkbType type) {
  begun_ = true;
  Count();
  Put<uint8_t>(1);
  Put(static_cast<uint32_t>(type));
  counts_.push_back(bytes_.size());
  Put<uint32_t>(0);
}

void GeometryBlob::OpenRing() {
  Count();
  counts_.push_back(bytes_.size());
  Put<uint32_t>(0);
}

void GeometryBlob::Add(double x, double y) {
  Count();
  Put(x);
  Put(y);
  envelope_.Add(x, y);
}

void GeometryBlob::Close() { counts_.pop_back(); }

std::string_view GeometryBlob::Finish(int32_t srs_id) {
  uint32_t type;
  std::memcpy(&type, bytes_.data() + kRoom + 1, 4);
  if (envelope_.empty || type == static_cast<uint32_t>(WkbType::kPoint)) {
    // A point is its own envelope; an empty geometry has none.
    PutHeader(bytes_.data() + kRoom - kHeader, kLittleEndian | (envelope_.empty ? kEmpty : 0),
              srs_id);
    return std::string_view(bytes_).substr(kRoom - kHeader);
  }
  PutHeader(bytes_.data(), kLittleEndian | kXyEnvelope, srs_id);
  const double box[] = {envelope_.min_x, envelope_.max_x, envelope_.min_y, envelope_.max_y};
  std::memcpy(bytes_.data() + kHeader, box, sizeof box);
  return bytes_;
}

int RegisterBlobFunctions(sqlite3* db) {
  static constexpr std::pair<const char*, Which> kFunctions[] = {{"ST_IsEmpty", kIsEmpty},
                                                                 {"ST_MinX", kMinX},
                                                                 {"ST_MaxX", kMaxX},
                                                                 {"ST_MinY", kMinY},
                                                                 {"ST_MaxY", kMaxY}};
  for (auto [name, which] : kFunctions) {
    int rc = sqlite3_create_function_v2(db, name, 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                        reinterpret_cast<void*>(static_cast<intptr_t>(which)),
                                        EnvelopeFunction, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return rc;
  }
  return SQLITE_OK;
}

}  // namespace sheetwright::gis

// GeoPackage geometry blobs written straight from coordinates: the GeoPackage header (its CRS
// and, but for a point, the envelope) followed by the geometry in ISO well-known binary,
// little-endian. Also the SQL functions that a GeoPackage's spatial index triggers call on such
// blobs (ST_IsEmpty, ST_MinX, ...), for a connection that GDAL did not open.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace sheetwright::gis {

enum class WkbType : uint32_t {
  kPoint = 1,
  kLineString = 2,
  kPolygon = 3,
  kMultiLineString = 5,
  kMultiPolygon = 6,
};

struct Envelope {
  double min_x, max_x, min_y, max_y;
  bool empty = true;
  void Add(double x, double y);
  void Add(const Envelope& other);
};

// One geometry at a time: Point, or Open/Add/Close for the rest (a ring of a polygon is opened
// with OpenRing). Counts are patched when a part closes, so they need not be known in advance.
class GeometryBlob {
 public:
  GeometryBlob();
  void Clear();  // no geometry: the column stays null
  bool has_geometry() const { return begun_; }

  void Point(double x, double y);
  void Open(WkbType type);  // a geometry, or a part of the multi geometry that is open
  void OpenRing();          // a ring of the polygon that is open
  void Add(double x, double y);
  void Close();

  // The blob of the finished geometry in the CRS of `srs_id`; valid until the next change.
  std::string_view Finish(int32_t srs_id);
  const Envelope& envelope() const { return envelope_; }

 private:
  void Count();  // one more member of the open part
  template <typename T>
  void Put(T value);

  std::string bytes_;           // the header's room, then the well-known binary
  std::vector<size_t> counts_;  // where the open parts' counts stand
  Envelope envelope_;
  bool begun_ = false;
};

// Registers ST_IsEmpty, ST_MinX, ST_MaxX, ST_MinY and ST_MaxY for the blobs written above (a
// blob with its envelope, or a point), so that rows can be inserted into a table that has a
// spatial index. Returns the SQLite result code.
int RegisterBlobFunctions(sqlite3* db);

// The envelope of such a blob (`size` bytes): from its header, or a point's coordinates; empty for
// an empty geometry, nullopt for a blob it cannot read.
std::optional<Envelope> EnvelopeOf(const unsigned char* blob, int size);

}  // namespace sheetwright::gis

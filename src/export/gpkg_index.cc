// The spatial index of a GeoPackage's layers: for each, the R-tree of the GeoPackage's extension
// "gpkg_rtree_index", filled from the rows it has, and the triggers with which every reader that
// writes (GDAL, QGIS) keeps it up to date. The SQL is the text GDAL itself writes, so that the
// file looks the same to readers whoever indexed it.
//
// SQLite's R-tree takes rows one by one at several times the cost of writing them; the tree of a
// layer's rows is therefore packed here at once (sort-tile-recursive) and its nodes written into
// the R-tree's own tables, in SQLite's node format: a node is a blob of the size of the root that
// SQLite made, a 16-bit depth (the root's; 0 elsewhere), a 16-bit count of cells, and cells of a
// 64-bit row or child node number and the box as 32-bit floats (min x, max x, min y, max y), all
// big-endian, rounded outwards. The root is node 1; %_rowid maps a row to its leaf, %_parent a
// node to its parent.
#include <sqlite3.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "export/gis_file.h"

namespace sheetwright::gis {
namespace {

// Puts the new feature's bounds into the R-tree.
std::string Bounds(const std::string& rtree) {
  return "INSERT OR REPLACE INTO " + rtree +
         " VALUES (NEW.\"fid\",ST_MinX(NEW.\"geom\"), ST_MaxX(NEW.\"geom\"),"
         "ST_MinY(NEW.\"geom\"), ST_MaxY(NEW.\"geom\")); ";
}

// The statements that make the (empty) index of `table` and its triggers.
std::string IndexSql(const std::string& table) {
  const std::string name = "rtree_" + table + "_geom";
  const std::string rtree = '"' + name + '"';
  const std::string on = " ON \"" + table + "\" WHEN ";
  const std::string trigger = "CREATE TRIGGER \"" + name + "_";
  const char* present = "(NEW.\"geom\" NOTNULL AND NOT ST_IsEmpty(NEW.\"geom\"))";
  const char* absent = "(NEW.\"geom\" ISNULL OR ST_IsEmpty(NEW.\"geom\"))";
  const std::string delete_old = "DELETE FROM " + rtree + " WHERE id = OLD.\"fid\"; ";
  return "CREATE VIRTUAL TABLE " + rtree + " USING rtree(id, minx, maxx, miny, maxy);" +  //
         trigger + "insert\" AFTER INSERT" + on +
         "(new.\"geom\" NOT NULL AND NOT ST_IsEmpty(NEW.\"geom\")) BEGIN " + Bounds(rtree) +
         "END;" +  //
         trigger + "update1\" AFTER UPDATE OF \"geom\"" + on + "OLD.\"fid\" = NEW.\"fid\" AND " +
         present + " BEGIN " + Bounds(rtree) + "END;" +  //
         trigger + "update2\" AFTER UPDATE OF \"geom\"" + on + "OLD.\"fid\" = NEW.\"fid\" AND " +
         absent + " BEGIN " + delete_old + "END;" +  //
         trigger + "update3\" AFTER UPDATE" + on + "OLD.\"fid\" != NEW.\"fid\" AND " + present +
         " BEGIN " + delete_old + Bounds(rtree) + "END;" +  //
         trigger + "update4\" AFTER UPDATE" + on + "OLD.\"fid\" != NEW.\"fid\" AND " + absent +
         " BEGIN DELETE FROM " + rtree + " WHERE id IN (OLD.\"fid\", NEW.\"fid\"); END;" +  //
         trigger + "delete\" AFTER DELETE" + on + "old.\"geom\" NOT NULL BEGIN " + delete_old +
         "END;" +  //
         "INSERT INTO gpkg_extensions VALUES ('" + table +
         "', 'geom', 'gpkg_rtree_index', 'http://www.geopackage.org/spec120/#extension_rtree', "
         "'write-only');";
}

// An entry of a node: a row (in a leaf) or a child node, and its box.
struct Cell {
  int64_t id;
  float box[4];  // min x, max x, min y, max y
  float Centre(int axis) const { return box[2 * axis] / 2 + box[2 * axis + 1] / 2; }
};

// The float at or below (`up`: above) `v`, so that the box holds the row's.
float Outward(double v, bool up) {
  float f = static_cast<float>(v);
  if (up ? f < v : f > v) f = std::nextafter(f, up ? HUGE_VALF : -HUGE_VALF);
  return f;
}

// Orders the cells so that every run of `fanout` makes a node of neighbours: slices along x, each
// sorted along y.
void Tile(std::vector<Cell>& cells, size_t fanout) {
  auto by = [](int axis) {
    return [axis](const Cell& a, const Cell& b) { return a.Centre(axis) < b.Centre(axis); };
  };
  const size_t nodes = (cells.size() + fanout - 1) / fanout;
  const auto slices = static_cast<size_t>(std::ceil(std::sqrt(static_cast<double>(nodes))));
  const size_t slice = (nodes + slices - 1) / slices * fanout;
  std::sort(cells.begin(), cells.end(), by(0));
  for (size_t at = 0; at < cells.size(); at += slice) {
    std::sort(cells.begin() + at, cells.begin() + std::min(at + slice, cells.size()), by(1));
  }
}

// The box around `cells`, as a cell naming node `id`.
Cell Around(std::span<const Cell> cells, int64_t id) {
  Cell around{id, {cells[0].box[0], cells[0].box[1], cells[0].box[2], cells[0].box[3]}};
  for (const Cell& c : cells) {
    for (int i = 0; i < 4; i += 2) {
      around.box[i] = std::min(around.box[i], c.box[i]);
      around.box[i + 1] = std::max(around.box[i + 1], c.box[i + 1]);
    }
  }
  return around;
}

// Adds to `levels` (the rows) the levels of nodes above them, each node a run of `fanout` cells
// of the level below (its last the root's cells), and orders each level's cells into its nodes.
void Pack(std::vector<std::vector<Cell>>& levels, size_t fanout) {
  while (levels.back().size() > fanout) {
    std::vector<Cell>& below = levels.back();
    Tile(below, fanout);
    std::vector<Cell> above;
    for (size_t at = 0; at < below.size(); at += fanout) {
      above.push_back(Around(std::span(below).subspan(at, std::min(fanout, below.size() - at)),
                             static_cast<int64_t>(at / fanout)));
    }
    levels.push_back(std::move(above));
  }
}

void PutBigEndian(unsigned char* at, uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i, value >>= 8) at[i] = static_cast<unsigned char>(value);
}

// A node's blob of `size` bytes; child numbers are `first_child` + a cell's id, rows as they are.
std::string NodeBlob(std::span<const Cell> cells, size_t size, int depth, int64_t first_child) {
  std::string blob(size, '\0');
  auto* at = reinterpret_cast<unsigned char*>(blob.data());
  PutBigEndian(at, static_cast<uint64_t>(depth), 2);
  PutBigEndian(at + 2, cells.size(), 2);
  at += 4;
  for (const Cell& c : cells) {
    PutBigEndian(at, static_cast<uint64_t>(c.id + first_child), 8);
    for (int i = 0; i < 4; ++i) PutBigEndian(at + 8 + 4 * i, std::bit_cast<uint32_t>(c.box[i]), 4);
    at += 24;
  }
  return blob;
}

}  // namespace

// The packed tree of `table`'s rows in its empty R-tree `rtree_<table>_geom` (see above). Rows
// whose box cannot be read (a blob of another writer without its envelope, or not finite) are
// left out, as are empty geometries (as GDAL's triggers leave them out).
void GisFile::LoadIndex(const std::string& table) {
  const std::string rtree = "\"rtree_" + table + "_geom";
  Statement size = Prepare("SELECT length(data) FROM " + rtree + "_node\" WHERE nodeno = 1");
  if (sqlite3_step(size.get()) != SQLITE_ROW) Refused("no R-tree root of " + table);
  const auto node_size = static_cast<size_t>(sqlite3_column_int(size.get(), 0));
  const size_t fanout = (node_size - 4) / 24;
  std::vector<std::vector<Cell>> levels(1);  // the rows, then each level's nodes, to the root's
  Statement rows = Prepare("SELECT fid, geom FROM \"" + table + "\" WHERE geom NOT NULL");
  int rc;
  while ((rc = sqlite3_step(rows.get())) == SQLITE_ROW) {
    std::optional<Envelope> e =
        EnvelopeOf(static_cast<const unsigned char*>(sqlite3_column_blob(rows.get(), 1)),
                   sqlite3_column_bytes(rows.get(), 1));
    if (!e || e->empty) continue;
    const double box[] = {e->min_x, e->max_x, e->min_y, e->max_y};
    if (!std::all_of(box, box + 4, [](double v) { return std::isfinite(v); })) continue;
    Cell& c = levels[0].emplace_back(Cell{sqlite3_column_int64(rows.get(), 0), {}});
    for (int i = 0; i < 4; ++i) c.box[i] = Outward(box[i], i % 2);
  }
  if (rc != SQLITE_DONE) Refused("the rows of " + table);
  if (levels[0].empty()) return;
  CheckStop();
  Pack(levels, fanout);
  // Node numbers: the root 1, then each level's nodes from the top down.
  const size_t height = levels.size() - 1;
  std::vector<int64_t> first(levels.size(), 1);  // the first node number of each level
  for (size_t k = height; k-- > 0;) {
    first[k] = k + 1 == height ? 2 : first[k + 1] + (levels[k + 1].size() + fanout - 1) / fanout;
  }
  Statement node = Prepare("INSERT OR REPLACE INTO " + rtree + "_node\" VALUES (?, ?)");
  // The links of a node's cells, a whole node's in one statement: SQLite's calls cost more
  // than its work here.
  auto links = [&](const char* shadow, size_t count) {
    std::string sql = "INSERT INTO " + rtree + shadow + "\" VALUES (?, ?)";
    for (size_t i = 1; i < count; ++i) sql += ", (?, ?)";
    return Prepare(sql);
  };
  Statement rows_one = links("_rowid", 1), rows_full = links("_rowid", fanout);
  Statement parents_one = links("_parent", 1), parents_full = links("_parent", fanout);
  for (size_t k = height + 1; k-- > 0;) {
    const std::vector<Cell>& cells = levels[k];
    const size_t per_node = k == height ? cells.size() : fanout;
    const int64_t children = k == 0 ? 0 : first[k - 1];
    for (size_t at = 0; at < cells.size(); at += per_node) {
      CheckStop();
      const int64_t number = first[k] + static_cast<int64_t>(at / per_node);
      std::span<const Cell> mine =
          std::span(cells).subspan(at, std::min(per_node, cells.size() - at));
      std::string blob =
          NodeBlob(mine, node_size, k == height ? static_cast<int>(height) : 0, children);
      sqlite3_bind_int64(node.get(), 1, number);
      sqlite3_bind_blob(node.get(), 2, blob.data(), static_cast<int>(blob.size()), SQLITE_STATIC);
      Step(node.get());
      const bool full = mine.size() == fanout;
      sqlite3_stmt* link =
          k == 0 ? (full ? rows_full : rows_one).get() : (full ? parents_full : parents_one).get();
      for (size_t i = 0; i < mine.size(); ++i) {
        const int slot = full ? static_cast<int>(2 * i) : 0;
        sqlite3_bind_int64(link, slot + 1, mine[i].id + children);
        sqlite3_bind_int64(link, slot + 2, number);
        if (!full) Step(link);
      }
      if (full) Step(link);
    }
  }
}

void GisFile::Index() {
  Execute("BEGIN");
  try {
    Execute(
        "CREATE TABLE IF NOT EXISTS gpkg_extensions (table_name TEXT,column_name TEXT,"
        "extension_name TEXT NOT NULL,definition TEXT NOT NULL,scope TEXT NOT NULL,"
        "CONSTRAINT ge_tce UNIQUE (table_name, column_name, extension_name))");
    for (const LayerTable& table : tables_) {
      CheckStop();
      Statement has = Prepare("SELECT 1 FROM sqlite_master WHERE name = ?");
      std::string name = "rtree_" + table.name + "_geom";
      sqlite3_bind_text(has.get(), 1, name.c_str(), -1, SQLITE_STATIC);
      if (sqlite3_step(has.get()) == SQLITE_ROW) continue;
      Execute(IndexSql(table.name));
      LoadIndex(table.name);
    }
    Execute("COMMIT");
  } catch (...) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

}  // namespace sheetwright::gis

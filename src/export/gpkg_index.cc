// The spatial index of a GeoPackage's layers: for each, the R-tree of the GeoPackage's extension
// "gpkg_rtree_index", filled from the rows it has, and the triggers with which every reader that
// writes (GDAL, QGIS) keeps it up to date. The SQL is the text GDAL itself writes, so that the
// file looks the same to readers whoever indexed it.
#include <sqlite3.h>

#include <string>

#include "export/gis_file.h"

namespace sheetwright::gis {
namespace {

// Puts the new feature's bounds into the R-tree.
std::string Bounds(const std::string& rtree) {
  return "INSERT OR REPLACE INTO " + rtree +
         " VALUES (NEW.\"fid\",ST_MinX(NEW.\"geom\"), ST_MaxX(NEW.\"geom\"),"
         "ST_MinY(NEW.\"geom\"), ST_MaxY(NEW.\"geom\")); ";
}

// The statements that make the index of `table` and fill it.
std::string IndexSql(const std::string& table) {
  const std::string name = "rtree_" + table + "_geom";
  const std::string rtree = '"' + name + '"';
  const std::string on = " ON \"" + table + "\" WHEN ";
  const std::string trigger = "CREATE TRIGGER \"" + name + "_";
  const char* present = "(NEW.\"geom\" NOTNULL AND NOT ST_IsEmpty(NEW.\"geom\"))";
  const char* absent = "(NEW.\"geom\" ISNULL OR ST_IsEmpty(NEW.\"geom\"))";
  const std::string delete_old = "DELETE FROM " + rtree + " WHERE id = OLD.\"fid\"; ";
  return "CREATE VIRTUAL TABLE " + rtree + " USING rtree(id, minx, maxx, miny, maxy);" +
         "INSERT INTO " + rtree +
         " SELECT fid, ST_MinX(geom), ST_MaxX(geom), ST_MinY(geom), ST_MaxY(geom) FROM \"" + table +
         "\" WHERE geom NOT NULL AND NOT ST_IsEmpty(geom);" +  //
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

}  // namespace

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
      if (sqlite3_step(has.get()) != SQLITE_ROW) Execute(IndexSql(table.name));
    }
    Execute("COMMIT");
  } catch (...) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

}  // namespace sheetwright::gis

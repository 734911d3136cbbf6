#include "export/gis_file.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "base/messages.h"
#include "base/source_date.h"
#include "export/gis_columns.h"

namespace sheetwright::gis {
namespace {

// "(?,?,...)" for one row of `columns` values.
std::string Placeholders(size_t columns) {
  std::string row = "(?";
  for (size_t i = 1; i < columns; ++i) row += ",?";
  return row + ')';
}

// SQLite's progress handler: a non-zero answer interrupts the statement.
int AskStop(void* stop) { return (*static_cast<std::function<bool()>*>(stop))() ? 1 : 0; }

}  // namespace

std::string ChangeTime() {
  base::UtcTime t = base::SourceDateEpoch().value_or(base::UtcTime{});
  char stamp[40];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02d.000Z", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  return stamp;
}

void StatementFree::operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }

GisFile::GisFile(const std::string& path, std::function<bool()> stop)
    : path_(path), stop_(std::move(stop)) {
  try {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
      Fail("not opened");
    }

    if (RegisterBlobFunctions(db_) != SQLITE_OK) Fail("no geometry functions");
    Statement counts =
        Prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'gpkg_ogr_contents'");
    counts_ = sqlite3_step(counts.get()) == SQLITE_ROW;
    for (size_t i = 0; i < kLayers.size(); ++i) OpenTable(i);
    // Asked every thousand steps of SQLite's machine: well within a second.
    if (stop_) sqlite3_progress_handler(db_, 1000, AskStop, &stop_);
  } catch (...) {
    Abandon();
    throw;
  }
}

GisFile::~GisFile() { Abandon(); }

void GisFile::Abandon() {
  for (LayerTable& table : tables_) table.one.reset(), table.batch.reset();
  sqlite3_close_v2(db_);  // an open transaction is rolled back
  db_ = nullptr;
}

void GisFile::OpenTable(size_t layer) {
  LayerTable& table = tables_[layer];
  table.name = kLayers[layer].name;
  Statement srs =
      Prepare("SELECT srs_id FROM gpkg_geometry_columns WHERE lower(table_name) = lower(?)");
  sqlite3_bind_text(srs.get(), 1, table.name.c_str(), -1, SQLITE_STATIC);
  bool found = sqlite3_step(srs.get()) == SQLITE_ROW;
  table.srs_id = found ? sqlite3_column_int(srs.get(), 0) : 0;
  if (!found) Fail("no layer " + table.name);

  std::string sql = "INSERT INTO \"" + table.name + "\" (\"geom\"";
  for (const Column& column : ColumnsOf(kLayers[layer])) {
    table.columns.push_back(column.name);
    sql += ",\"" + std::string(column.name) + '"';
  }
  sql += ") VALUES ";
  std::string row = Placeholders(table.columns.size() + 1);
  table.one = Prepare(sql + row);
  for (int i = 1; i < kBatchRows; ++i) sql += row + ',';
  table.batch = Prepare(sql + row);
}

void GisFile::Fail(const std::string& what) const {
  std::string reason = what;
  if (db_ != nullptr && sqlite3_errcode(db_) != SQLITE_OK)
    reason += ": " + std::string(sqlite3_errmsg(db_));
  throw base::ConversionError::Unwritable(path_, reason);
}

void GisFile::Refused(const std::string& what) const {
  if (sqlite3_errcode(db_) == SQLITE_INTERRUPT) throw base::ConversionCancelled();
  Fail(what);
}

void GisFile::Execute(const std::string& sql) {
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
    // The statement, not the whole of it: an index is many lines of SQL.
    Refused(sql.substr(0, sql.find('(')));
  }
}

Statement GisFile::Prepare(const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) Fail(sql);
  return Statement(statement);
}

void GisFile::Step(sqlite3_stmt* statement) {
  if (sqlite3_step(statement) != SQLITE_DONE) {
    std::string reason = sqlite3_errmsg(db_);
    int code = sqlite3_reset(statement);
    if (code == SQLITE_INTERRUPT) throw base::ConversionCancelled();
    throw base::ConversionError::Unwritable(path_, reason);
  }
  sqlite3_reset(statement);
}

void GisFile::CheckStop() const {
  if (stop_ && stop_()) throw base::ConversionCancelled();
}

void GisFile::Begin() {
  CheckStop();
  Execute("BEGIN");
  for (LayerTable& table : tables_) {
    table.added = 0;
    table.extent = {};
    // GDAL counts features by a trigger on every insert, which would cost more than the insert
    // itself: the count is set once at the commit instead, and the trigger put back as it was.
    Statement trigger =
        Prepare("SELECT sql FROM sqlite_master WHERE type = 'trigger' AND name = ?");
    std::string name = "trigger_insert_feature_count_" + table.name;
    sqlite3_bind_text(trigger.get(), 1, name.c_str(), -1, SQLITE_STATIC);
    table.count_trigger.clear();
    if (sqlite3_step(trigger.get()) == SQLITE_ROW) {
      table.count_trigger = reinterpret_cast<const char*>(sqlite3_column_text(trigger.get(), 0));
    }
    if (!table.count_trigger.empty()) Execute("DROP TRIGGER \"" + name + '"');
  }
}

void GisFile::Commit() {
  Statement extent = Prepare(
      "UPDATE gpkg_contents SET min_x = min(coalesce(min_x, ?1), ?1), "
      "min_y = min(coalesce(min_y, ?2), ?2), max_x = max(coalesce(max_x, ?3), ?3), "
      "max_y = max(coalesce(max_y, ?4), ?4), "
      "last_change = ?6 WHERE lower(table_name) = lower(?5)");
  const std::string now = ChangeTime();
  for (LayerTable& table : tables_) {
    if (!table.extent.empty) {
      const double box[] = {table.extent.min_x, table.extent.min_y, table.extent.max_x,
                            table.extent.max_y};
      for (int i = 0; i < 4; ++i) sqlite3_bind_double(extent.get(), i + 1, box[i]);
      sqlite3_bind_text(extent.get(), 5, table.name.c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_text(extent.get(), 6, now.c_str(), -1, SQLITE_STATIC);
      Step(extent.get());
    }
    // A count GDAL left unknown (null, as it leaves new layers) is counted once here; a reader
    // would otherwise count the rows every time it asks.
    if (counts_ && table.added > 0) {
      Execute("UPDATE gpkg_ogr_contents SET feature_count = coalesce(feature_count + " +
              std::to_string(table.added) + ", (SELECT count(*) FROM \"" + table.name +
              "\")) WHERE lower(table_name) = lower('" + table.name + "')");
    }
    if (!table.count_trigger.empty()) Execute(table.count_trigger);
  }
  Execute("COMMIT");
}

void GisFile::Rollback() {
  for (LayerTable& table : tables_) {
    sqlite3_reset(table.one.get());
    sqlite3_reset(table.batch.get());
  }
  sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

int64_t GisFile::DeleteMesh(const std::string& mesh) {
  int64_t deleted = 0;
  for (LayerTable& table : tables_) {
    Statement rows = Prepare("DELETE FROM \"" + table.name + "\" WHERE mesh = ?");
    sqlite3_bind_text(rows.get(), 1, mesh.c_str(), -1, SQLITE_STATIC);
    Step(rows.get());
    deleted += sqlite3_changes(db_);
  }
  return deleted;
}

void GisFile::Close() {
  for (LayerTable& table : tables_) table.one.reset(), table.batch.reset();
  int rc = sqlite3_close(db_);
  if (rc != SQLITE_OK) Fail("not closed");
  db_ = nullptr;
}

}  // namespace sheetwright::gis

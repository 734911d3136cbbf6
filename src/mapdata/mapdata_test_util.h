// Test helpers for code that reads map text: a FileText made straight from bytes, beside the
// helpers every test may use. Test code only; free of GoogleTest, so that the fuzz targets can use
// it too.
#pragma once

#include <memory>
#include <string>

#include "base/common_test_util.h"
#include "mapdata/record_lines.h"
#include "mapdata/table_loader.h"

namespace sheetwright::test_util {

inline std::shared_ptr<const mapdata::FileText> Text(std::string bytes) {
  return std::make_shared<const mapdata::FileText>(std::move(bytes));
}

// A table's load as one number, for tables of expected results: -2 after a bad header, else the
// index of the last stored slot (-1 when none).
template <typename Table>
int LastIndex(const Table& table) {
  return table.state() == mapdata::TableState::kBadHeader ? -2 : table.size() - 1;
}

}  // namespace sheetwright::test_util

// Test helpers for code that reads map text: a FileText made straight from bytes, beside the
// helpers every test may use. Test code only; free of GoogleTest, so that the fuzz targets can use
// it too.
#pragma once

#include <memory>
#include <string>

#include "base/common_test_util.h"
#include "mapdata/record_lines.h"

namespace sheetwright::test_util {

inline std::shared_ptr<const mapdata::FileText> Text(std::string bytes) {
  return std::make_shared<const mapdata::FileText>(std::move(bytes));
}

}  // namespace sheetwright::test_util

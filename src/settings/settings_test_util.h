// The settings tests' own helper: where their stored files lie. The temporary folder and the file
// reads they use come from base/common_test_util.h. Test code only.
#pragma once

#include <string>

#include "base/common_test_util.h"

namespace sheetwright::settings::test_util {

using sheetwright::test_util::ReadFileBytes;
using sheetwright::test_util::TempFolder;

inline std::string TestDataPath(const std::string& name) {
  return std::string(SHEETWRIGHT_SOURCE_DIR) + "/src/settings/testdata/" + name;
}

}  // namespace sheetwright::settings::test_util

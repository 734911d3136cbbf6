// The time that reproducible files carry instead of the clock: SOURCE_DATE_EPOCH, in UTC.
#pragma once

#include <optional>

namespace sheetwright::base {

struct UtcTime {
  int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// The time SOURCE_DATE_EPOCH names; nullopt when it is unset, negative or not a whole number.
std::optional<UtcTime> SourceDateEpoch();

}  // namespace sheetwright::base

#include "base/source_date.h"

#include <chrono>
#include <cstdlib>

namespace sheetwright::base {

std::optional<UtcTime> SourceDateEpoch() {
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (!epoch || !*epoch) return std::nullopt;
  char* end = nullptr;
  long long seconds = std::strtoll(epoch, &end, 10);
  if (*end || seconds < 0) return std::nullopt;
  // The calendar by arithmetic: no system call, the same on every system.
  using namespace std::chrono;
  sys_seconds time{std::chrono::seconds(seconds)};
  sys_days day = floor<days>(time);
  year_month_day date(day);
  hh_mm_ss clock(time - day);
  return UtcTime{static_cast<int>(date.year()),
                 static_cast<int>(unsigned(date.month())),
                 static_cast<int>(unsigned(date.day())),
                 static_cast<int>(clock.hours().count()),
                 static_cast<int>(clock.minutes().count()),
                 static_cast<int>(clock.seconds().count())};
}

}  // namespace sheetwright::base

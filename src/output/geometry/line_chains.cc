#include "output/geometry/line_chains.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

namespace sheetwright::output {
namespace {

uint64_t Key(picture::Point p) {
  return uint64_t{static_cast<uint32_t>(p.x)} << 32 | static_cast<uint32_t>(p.y);
}

}  // namespace

void LineChainer::Add(std::span<const picture::Point> line) {
  points_.insert(points_.end(), line.begin(), line.end());
  ends_.push_back(static_cast<uint32_t>(points_.size()));
}

// The points of the line ends (end 2i is line i's first point, end 2i + 1 its last) numbered in
// the order they are first met, so that ends near each other in the drawing are near each other
// here too: the chaining then reads its lists in about the order they lie in memory, where a
// hash lookup per step would wait on memory every time.
std::vector<uint32_t> LineChainer::PointNumbers(uint32_t& numbers) const {
  const size_t ends = 2 * ends_.size();
  constexpr uint32_t kFree = UINT32_MAX;
  struct [[gnu::packed]] Slot {  // twelve bytes: the table is the chaining's largest part
    uint64_t key = 0;
    uint32_t number = kFree;
  };
  size_t slots = 16;
  // At most two thirds full, and far less where lines meet end to end.
  while (slots < ends + ends / 2) slots *= 2;
  std::vector<Slot> table(slots);
  std::vector<uint32_t> number_of(ends);
  numbers = 0;
  for (size_t end = 0; end < ends; ++end) {
    size_t line = end / 2;
    uint32_t first = line ? ends_[line - 1] : 0;
    uint64_t key = Key(points_[end % 2 ? ends_[line] - 1 : first]);
    size_t at = (key * 0x9E3779B97F4A7C15ull) >> 32 & (slots - 1);
    while (table[at].number != kFree && table[at].key != key) at = (at + 1) & (slots - 1);
    if (table[at].number == kFree) table[at] = {key, numbers++};
    number_of[end] = table[at].number;
  }
  return number_of;
}

void LineChainer::Chain(const std::function<void(std::span<const picture::Point>)>& take) {
  const uint32_t count = static_cast<uint32_t>(ends_.size());
  auto line = [&](uint32_t i) {
    uint32_t first = i ? ends_[i - 1] : 0;
    return std::span<const picture::Point>(points_).subspan(first, ends_[i] - first);
  };
  // Each point's ends, listed together in ascending order: point p's are ends_at[next[p], stop[p]).
  uint32_t numbers = 0;
  std::vector<uint32_t> point_of = PointNumbers(numbers);
  std::vector<uint32_t> next(numbers + 1, 0), ends_at(point_of.size());
  for (uint32_t p : point_of) ++next[p + 1];
  for (uint32_t p = 0; p < numbers; ++p) next[p + 1] += next[p];
  std::vector<uint32_t> stop(next.begin(), next.end() - 1);
  for (uint32_t end = 0; end < point_of.size(); ++end) ends_at[stop[point_of[end]]++] = end;

  std::vector<bool> used(count);
  // The lowest unused end at the point of end `end`; the used ones met are passed for good.
  auto unused_end_at = [&](uint32_t end) -> std::optional<uint32_t> {
    uint32_t p = point_of[end];
    while (next[p] < stop[p] && used[ends_at[next[p]] / 2]) ++next[p];
    if (next[p] == stop[p]) return std::nullopt;
    return ends_at[next[p]];
  };
  // Takes the line whose end `end` is, appending its other points in the order they lead away
  // from that end; returns the line's far end.
  auto follow = [&](uint32_t end, std::vector<picture::Point>& out) {
    used[end / 2] = true;
    auto points = line(end / 2);
    if (end % 2 == 0) {
      out.insert(out.end(), points.begin() + 1, points.end());
    } else {
      out.insert(out.end(), points.rbegin() + 1, points.rend());
    }
    return end ^ 1;
  };

  std::vector<picture::Point> chain, head;
  for (uint32_t i = 0; i < count; ++i) {
    if (used[i]) continue;
    used[i] = true;
    chain.assign(line(i).begin(), line(i).end());
    // On from the last point, then back from the first; `head` holds the points in the order
    // they lead away from it.
    for (uint32_t back = 2 * i + 1; std::optional<uint32_t> end = unused_end_at(back);) {
      back = follow(*end, chain);
    }
    head.clear();
    for (uint32_t front = 2 * i; std::optional<uint32_t> end = unused_end_at(front);) {
      front = follow(*end, head);
    }
    chain.insert(chain.begin(), head.rbegin(), head.rend());
    take(chain);
  }
  points_.clear();
  ends_.clear();
}

}  // namespace sheetwright::output

#include "output/line_chains.h"

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

void LineChainer::Chain(const std::function<void(std::span<const picture::Point>)>& take) {
  const uint32_t count = static_cast<uint32_t>(ends_.size());
  auto line = [&](uint32_t i) {
    uint32_t first = i ? ends_[i - 1] : 0;
    return std::span<const picture::Point>(points_).subspan(first, ends_[i] - first);
  };
  // The ends of every line by point (end 2i is line i's start, end 2i + 1 its last point): an
  // open-addressed table of points, each with the list of its ends in ascending order.
  constexpr uint32_t kNone = UINT32_MAX;
  size_t slots = 16;
  while (slots < 4 * size_t{count}) slots *= 2;
  std::vector<uint64_t> keys(slots);
  std::vector<uint32_t> heads(slots, kNone), next(2 * size_t{count}, kNone);
  auto slot_of = [&](uint64_t key) {
    size_t at = (key * 0x9E3779B97F4A7C15ull) >> 32 & (slots - 1);
    while (heads[at] != kNone && keys[at] != key) at = (at + 1) & (slots - 1);
    return at;
  };
  for (uint32_t end = 2 * count; end-- > 0;) {
    auto points = line(end / 2);
    uint64_t key = Key(end % 2 ? points.back() : points.front());
    size_t at = slot_of(key);
    keys[at] = key;
    next[end] = heads[at];
    heads[at] = end;
  }
  std::vector<bool> used(count);
  auto unused_end_at = [&](picture::Point p) -> std::optional<uint32_t> {
    for (uint32_t end = heads[slot_of(Key(p))]; end != kNone; end = next[end]) {
      if (!used[end / 2]) return end;
    }
    return std::nullopt;
  };

  // Takes the line whose end `end` is, appending its other points in the order they lead away
  // from that end.
  auto follow = [&](uint32_t end, std::vector<picture::Point>& out) {
    used[end / 2] = true;
    auto next = line(end / 2);
    if (end % 2 == 0) {
      out.insert(out.end(), next.begin() + 1, next.end());
    } else {
      out.insert(out.end(), next.rbegin() + 1, next.rend());
    }
  };

  std::vector<picture::Point> chain, head;
  for (uint32_t i = 0; i < count; ++i) {
    if (used[i]) continue;
    used[i] = true;
    chain.assign(line(i).begin(), line(i).end());
    // On from the last point, then back from the first; `head` holds the points in the order
    // they lead away from it.
    while (std::optional<uint32_t> end = unused_end_at(chain.back())) follow(*end, chain);
    head.clear();
    for (picture::Point at = chain.front(); std::optional<uint32_t> end = unused_end_at(at);
         at = head.back()) {
      follow(*end, head);
    }
    chain.insert(chain.begin(), head.rbegin(), head.rend());
    take(chain);
  }
  points_.clear();
  ends_.clear();
}

}  // namespace sheetwright::output

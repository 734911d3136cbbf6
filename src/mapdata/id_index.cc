#include "mapdata/id_index.h"

#include <algorithm>
#include <cstdint>

namespace sheetwright::mapdata {
namespace {

constexpr size_t kMinCapacity = 16;

// At most three quarters full: probes stay short (mostly within one cache line of eight entries)
// while the index stays small enough to sit in the cache for typical theme sizes.
bool Crowded(size_t count, size_t capacity) { return 4 * count > 3 * capacity; }

}  // namespace

void IdIndex::Clear() {
  dense_.clear();
  dense_.shrink_to_fit();
  entries_.clear();
  entries_.shrink_to_fit();
  mask_ = 0;
  size_ = 0;
  shift_ = 64;
}

size_t IdIndex::Home(int32_t id) const {
  // Fibonacci hashing after a mixing step: IDs in the data are often dense runs or multiples of a
  // stride, which the top bits of the product spread well.
  uint64_t x = static_cast<uint32_t>(id);
  x ^= x >> 16;
  x *= 0x9E3779B97F4A7C15ull;
  return static_cast<size_t>(x >> shift_);
}

void IdIndex::Reserve(size_t count) {
  size_t capacity = kMinCapacity;
  while (Crowded(count, capacity)) capacity *= 2;
  if (capacity > entries_.size()) Rehash(capacity);
}

void IdIndex::Rehash(size_t capacity) {
  std::vector<Entry> old;
  old.swap(entries_);
  entries_.assign(capacity, Entry{0, -1});
  mask_ = capacity - 1;
  shift_ = 64;
  for (size_t c = capacity; c > 1; c >>= 1) --shift_;
  for (const Entry& e : old) {
    if (e.slot < 0) continue;
    size_t i = Home(e.id);
    while (entries_[i].slot >= 0) i = (i + 1) & mask_;
    entries_[i] = e;
  }
}

void IdIndex::InsertFirst(int32_t id, int32_t slot) {
  dense_.clear();  // answers come from the hash alone until the next whole-table insert
  if (Crowded(size_ + 1, entries_.size())) {
    Rehash(entries_.empty() ? kMinCapacity : entries_.size() * 2);
  }
  size_t i = Home(id);
  while (entries_[i].slot >= 0) {
    if (entries_[i].id == id) return;
    i = (i + 1) & mask_;
  }
  entries_[i] = Entry{id, slot};
  ++size_;
}

void IdIndex::InsertAllFirst(std::span<const Entry> entries) {
  if (entries.empty()) return;
  Reserve(size_ + entries.size());
  constexpr size_t kAhead = 16;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i + kAhead < entries.size()) __builtin_prefetch(&entries_[Home(entries[i + kAhead].id)]);
    InsertFirst(entries[i].id, entries[i].slot);
  }
  BuildDense();
}

void IdIndex::BuildDense() {
  dense_.clear();
  if (size_ == 0) return;
  int64_t lo = INT32_MAX, hi = INT32_MIN;
  for (const Entry& e : entries_) {
    if (e.slot < 0) continue;
    lo = std::min<int64_t>(lo, e.id);
    hi = std::max<int64_t>(hi, e.id);
  }
  // Worth it only when the array is not much larger than the hash table itself.
  if (hi - lo >= 4 * static_cast<int64_t>(size_) + 16) return;
  dense_min_ = static_cast<int32_t>(lo);
  dense_.assign(static_cast<size_t>(hi - lo + 1), -1);
  for (const Entry& e : entries_) {
    if (e.slot >= 0) dense_[static_cast<size_t>(int64_t{e.id} - lo)] = e.slot;
  }
}

int32_t IdIndex::Find(int32_t id) const {
  if (size_ == 0) return -1;
  if (!dense_.empty()) {
    int64_t k = int64_t{id} - dense_min_;
    return k >= 0 && k < static_cast<int64_t>(dense_.size()) ? dense_[static_cast<size_t>(k)] : -1;
  }
  size_t i = Home(id);
  while (entries_[i].slot >= 0) {
    if (entries_[i].id == id) return entries_[i].slot;
    i = (i + 1) & mask_;
  }
  return -1;
}

}  // namespace sheetwright::mapdata

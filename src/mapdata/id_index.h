// A compact index from a 32-bit record ID to the first table slot that carries it. The table
// lookups answer "first match in slot order"; this gives that answer in constant time without a
// node allocation per entry (open addressing, linear probing, at most three quarters full). When a
// whole table's IDs form a dense range, as map data's running numbers do, lookups go through a
// plain array over that range instead: no hashing and far fewer cache misses on large tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sheetwright::mapdata {

class IdIndex {
 public:
  struct Entry {
    int32_t id;
    int32_t slot;  // -1 marks a free entry
  };

  void Clear();
  // Makes room for `count` IDs without rehashing. Only a hint: the index grows as needed.
  void Reserve(size_t count);
  // Records `slot` (>= 0) for `id` unless `id` already has a slot: the first one wins.
  void InsertFirst(int32_t id, int32_t slot);
  // InsertFirst for each entry in order (entry slots >= 0). Faster for a whole table's worth: the
  // index is sized once and the buckets are fetched ahead, so cache misses overlap.
  void InsertAllFirst(std::span<const Entry> entries);
  // The slot recorded for `id`, or -1.
  int32_t Find(int32_t id) const;
  size_t size() const { return size_; }

 private:
  size_t Home(int32_t id) const;
  void Rehash(size_t capacity);
  void BuildDense();

  std::vector<Entry> entries_;
  std::vector<int32_t> dense_;  // slot by id - dense_min_, -1 for none; empty when not dense
  int32_t dense_min_ = 0;
  size_t mask_ = 0;
  size_t size_ = 0;
  int shift_ = 64;
};

}  // namespace sheetwright::mapdata

#include "mapdata/id_index.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <vector>

namespace sheetwright::mapdata {
namespace {

// Single inserts (growing step by step) and batches (sized at once), over key sets that collide
// in different ways, always checked against an ordered map with first-wins inserts.
TEST(IdIndexTest, AgreesWithAMapAcrossGrowth) {
  std::mt19937 rng(3);
  const int32_t extremes[] = {INT32_MIN, INT32_MAX, 0, -1, 1, 65536, -65536};
  for (int round = 0; round < 40; ++round) {
    IdIndex index;
    std::map<int32_t, int32_t> reference;
    int count = 1 + static_cast<int>(rng() % 5000);
    uint32_t stride = round % 4 == 0 ? 1 : round % 4 == 1 ? 65536 : round % 4 == 2 ? 7 : 1 << 20;
    std::vector<IdIndex::Entry> batch;
    for (int32_t slot = 0; slot < count; ++slot) {
      int32_t id = rng() % 10 == 0 ? extremes[rng() % 7]
                                   : static_cast<int32_t>(rng() % (count / 2 + 1) * stride);
      reference.emplace(id, slot);  // keeps the first
      if (round % 2 == 0) {
        index.InsertFirst(id, slot);
      } else {
        batch.push_back({id, slot});
      }
    }
    index.InsertAllFirst(batch);
    ASSERT_EQ(index.size(), reference.size());
    for (const auto& [id, slot] : reference) ASSERT_EQ(index.Find(id), slot) << id;
    for (int probe = 0; probe < 2000; ++probe) {
      int32_t id = static_cast<int32_t>(rng());
      auto it = reference.find(id);
      ASSERT_EQ(index.Find(id), it == reference.end() ? -1 : it->second) << id;
    }
    index.Clear();
    EXPECT_EQ(index.Find(reference.begin()->first), -1);
    EXPECT_EQ(index.size(), 0u);
  }
}

// Running numbers (the usual case in map data) take the array path; it must answer exactly as the
// hash does, at and beyond both ends of the range, and a later single insert must still be seen.
TEST(IdIndexTest, DenseRangesAgreeWithAMap) {
  std::mt19937 rng(5);
  for (int32_t base : {0, -1000, 1, INT32_MAX - 3000, INT32_MIN}) {
    IdIndex index;
    std::map<int32_t, int32_t> reference;
    std::vector<IdIndex::Entry> batch;
    for (int32_t slot = 0; slot < 2500; ++slot) {
      int32_t id = static_cast<int32_t>(int64_t{base} + rng() % 3000);
      reference.emplace(id, slot);
      batch.push_back({id, slot});
    }
    index.InsertAllFirst(batch);
    for (int64_t id = int64_t{base} - 5; id < int64_t{base} + 3005; ++id) {
      if (id < INT32_MIN || id > INT32_MAX) continue;
      auto it = reference.find(static_cast<int32_t>(id));
      ASSERT_EQ(index.Find(static_cast<int32_t>(id)), it == reference.end() ? -1 : it->second);
    }
    int32_t outside = base > 0 ? base - 100000 : base + 100000;
    index.InsertFirst(outside, 9999);
    EXPECT_EQ(index.Find(outside), reference.count(outside) ? reference[outside] : 9999);
    EXPECT_EQ(index.Find(batch.front().id), reference[batch.front().id]);
  }
}

TEST(IdIndexTest, EmptyIndexFindsNothing) {
  IdIndex index;
  EXPECT_EQ(index.Find(0), -1);
  index.InsertAllFirst({});
  EXPECT_EQ(index.Find(0), -1);
  index.Reserve(100);
  EXPECT_EQ(index.Find(INT32_MIN), -1);
}

}  // namespace
}  // namespace sheetwright::mapdata

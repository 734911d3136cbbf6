// The generator's own pseudo-random numbers (SplitMix64). The standard distributions are not used
// because their output differs between library versions; a mesh must be the same everywhere.
#pragma once

#include <cstdint>

namespace sheetwright::meshgen {

class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  // A stream of its own for one part of the mesh, so that leaving a theme out does not change the
  // others.
  Random(uint64_t seed, uint64_t salt) : state_(seed ^ (salt * 0xD1B54A32D192ED03ull)) { Next(); }

  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  double Range(double low, double high) { return low + (high - low) * Unit(); }
  // Uniform integer in [0, n); n > 0.
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
  bool Chance(double p) { return Unit() < p; }

 private:
  uint64_t state_;
};

}  // namespace sheetwright::meshgen

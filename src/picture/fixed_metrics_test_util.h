// Text metrics for tests: every byte of a label has the same advance and every label the same
// cell height, so expected label positions can be worked out by hand.
#pragma once

#include <cstdint>
#include <string_view>

#include "picture/text_metrics.h"

namespace sheetwright::picture::test_util {

class FixedMetrics : public TextMetrics {
 public:
  FixedMetrics(int32_t width_per_byte, int32_t height)
      : width_per_byte_(width_per_byte), height_(height) {}
  TextExtent Measure(const LabelFont&, std::string_view text) override {
    return {static_cast<int32_t>(text.size()) * width_per_byte_, height_};
  }

 private:
  int32_t width_per_byte_;
  int32_t height_;
};

}  // namespace sheetwright::picture::test_util

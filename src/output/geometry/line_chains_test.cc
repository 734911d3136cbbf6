#include "output/geometry/line_chains.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace sheetwright::output {
namespace {

using Segment = std::pair<std::pair<int, int>, std::pair<int, int>>;

// The segments a set of polylines covers, each written from its smaller end.
std::vector<Segment> Segments(const std::vector<std::vector<picture::Point>>& lines) {
  std::vector<Segment> out;
  for (const auto& line : lines) {
    for (size_t i = 1; i < line.size(); ++i) {
      std::pair a{line[i - 1].x, line[i - 1].y}, b{line[i].x, line[i].y};
      out.push_back(std::minmax(a, b));
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::vector<picture::Point>> Chains(
    const std::vector<std::vector<picture::Point>>& lines) {
  LineChainer chainer;
  for (const auto& line : lines) chainer.Add(line);
  std::vector<std::vector<picture::Point>> chains;
  chainer.Chain(
      [&](std::span<const picture::Point> c) { chains.emplace_back(c.begin(), c.end()); });
  EXPECT_TRUE(chainer.empty());
  return chains;
}

TEST(LineChainerTest, JoinsLinesEndToEndInEitherDirectionAndKeepsEverySegment) {
  // A block's four sides drawn as separate lines in any direction, a street through one of its
  // corners, a closed loop, and a line that touches nothing.
  std::vector<std::vector<picture::Point>> lines = {{{0, 0}, {10, 0}},
                                                    {{10, 10}, {10, 0}},
                                                    {{10, 10}, {0, 10}},
                                                    {{0, 0}, {0, 5}, {0, 10}},
                                                    {{10, 10}, {20, 20}, {30, 20}},
                                                    {{50, 50}, {60, 50}, {60, 60}, {50, 50}},
                                                    {{-5, -5}, {-7, -7}},
                                                    {{-3, 0}, {0, 0}}};
  auto chains = Chains(lines);
  EXPECT_EQ(Segments(chains), Segments(lines));
  // The block with the street and the spur has four ends of odd degree, so two chains at
  // least; then the loop and the loose line. Every shared point is held once.
  EXPECT_EQ(chains.size(), 4u);
  size_t points = 0;
  for (const auto& c : chains) points += c.size();
  EXPECT_EQ(points, 10u + 4u + 2u);

  // A chain also grows backwards from its first line.
  EXPECT_EQ(Chains({{{5, 0}, {10, 0}}, {{0, 0}, {5, 0}}}),
            (std::vector<std::vector<picture::Point>>{{{0, 0}, {5, 0}, {10, 0}}}));
}

// Many lines on a small grid: points shared by many ends, loops, lines back and forth over the
// same segment. Every segment comes out once for each time it went in.
TEST(LineChainerTest, CrowdedPointsKeepEverySegmentOnce) {
  std::vector<std::vector<picture::Point>> lines;
  uint32_t state = 7;
  auto next = [&] { return static_cast<int>((state = state * 1103515245u + 12345u) >> 16) % 6; };
  for (int i = 0; i < 3000; ++i) {
    std::vector<picture::Point> line = {{next(), next()}};
    for (int n = 1 + next() % 3; n > 0; --n) {
      picture::Point p{next(), next()};
      if (p != line.back()) line.push_back(p);
    }
    if (line.size() >= 2) lines.push_back(line);
  }
  auto chains = Chains(lines);
  EXPECT_EQ(Segments(chains), Segments(lines));
  EXPECT_LT(chains.size(), lines.size() / 10) << "shared points are chained through";
}

TEST(LineChainerTest, AChainerIsEmptyAfterChainingAndStartsAgain) {
  LineChainer chainer;
  EXPECT_TRUE(chainer.empty());
  std::vector<picture::Point> a = {{1, 1}, {2, 2}};
  chainer.Add(a);
  EXPECT_EQ(Chains({a}).size(), 1u);
  int taken = 0;
  chainer.Chain([&](std::span<const picture::Point>) { ++taken; });
  chainer.Chain([&](std::span<const picture::Point>) { ++taken; });
  EXPECT_EQ(taken, 1);
}

}  // namespace
}  // namespace sheetwright::output

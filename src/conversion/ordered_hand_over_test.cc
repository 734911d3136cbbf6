#include "conversion/ordered_hand_over.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace sheetwright::conversion {
namespace {

TEST(OrderedHandOverTest, ResultsPutInAnyOrderAreReceivedInItemOrder) {
  OrderedHandOver<std::string> hand_over(3, 3);
  EXPECT_EQ(hand_over.Take(), 0);
  EXPECT_EQ(hand_over.Take(), 1);
  EXPECT_EQ(hand_over.Take(), 2);
  EXPECT_EQ(hand_over.Take(), std::nullopt);  // every item taken
  std::thread late([&] {
    hand_over.Put(2, "c");
    hand_over.Put(1, "b");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    hand_over.Put(0, "a");
  });
  EXPECT_EQ(hand_over.Receive(0), "a");  // waits for the slowest first item
  EXPECT_EQ(hand_over.Receive(1), "b");
  EXPECT_EQ(hand_over.Receive(2), "c");
  late.join();
}

TEST(OrderedHandOverTest, WorkersWaitAWindowAheadUntilTheReceiverGoesOnOrStops) {
  OrderedHandOver<int> hand_over(5, 2);
  EXPECT_EQ(hand_over.Take(), 0);
  EXPECT_EQ(hand_over.Take(), 1);
  std::atomic<int> taken = -1;
  std::thread worker([&] {
    taken = hand_over.Take().value_or(-2);
    taken = hand_over.Take().value_or(-2);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(taken, -1);  // two items out, none finished: the worker waits
  hand_over.Finished(0);
  while (taken == -1) std::this_thread::yield();
  EXPECT_EQ(taken, 2);
  hand_over.Stop();  // the worker's next Take waits for item 1 to finish; Stop ends it
  worker.join();
  EXPECT_EQ(taken, -2);
}

}  // namespace
}  // namespace sheetwright::conversion

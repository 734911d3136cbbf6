// The meeting point of parallel jobs and the one thread that reports and stores their results:
// workers take item numbers in order and put their results back in any order; the receiver
// gets them in item order. Workers stay at most `window` items ahead of what the receiver has
// finished with, which bounds the memory held by results that wait for an earlier one.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace sheetwright::conversion {

template <class T>
class OrderedHandOver {
 public:
  OrderedHandOver(int count, int window) : results_(count), window_(window) {}

  // Worker: the next item to make, waiting while the workers are a window ahead; nullopt once
  // every item is taken or the hand-over is stopped.
  std::optional<int> Take() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock,
                  [&] { return stopped_ || next_ >= Count() || next_ < finished_ + window_; });
    if (stopped_ || next_ >= Count()) return std::nullopt;
    return next_++;
  }

  // Worker: the result of item `index`.
  void Put(int index, T result) {
    {
      std::lock_guard lock(mutex_);
      results_[index] = std::move(result);
    }
    changed_.notify_all();
  }

  // Receiver: the result of item `index`, once it is there. Items are received in order.
  T Receive(int index) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return results_[index].has_value(); });
    T result = std::move(*results_[index]);
    results_[index].reset();
    return result;
  }

  // Receiver: done with every item up to `index`; the workers may go on.
  void Finished(int index) {
    {
      std::lock_guard lock(mutex_);
      finished_ = index + 1;
    }
    changed_.notify_all();
  }

  // No more items are handed out; waiting workers return.
  void Stop() {
    {
      std::lock_guard lock(mutex_);
      stopped_ = true;
    }
    changed_.notify_all();
  }

 private:
  int Count() const { return static_cast<int>(results_.size()); }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::optional<T>> results_;
  const int window_;
  int next_ = 0;      // the next item a worker takes
  int finished_ = 0;  // items the receiver is done with
  bool stopped_ = false;
};

}  // namespace sheetwright::conversion

// Scratch objects (buffers, a tessellator) reused by every call on any thread: a call takes one, or
// a new one when none is free, and gives it back when done. This serves where thread_local would,
// without destructors at a thread's end: mingw-w64 runs those after the thread's storage is gone,
// and the drawing threads of a picture's bands come and go (a tessellator freed there spun
// forever).
#pragma once

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace sheetwright::base {

template <typename T>
class ScratchPool {
 public:
  // One object, given back to the pool when the lease ends unless discarded.
  class Lease {
   public:
    Lease(ScratchPool& pool, std::unique_ptr<T> item) : pool_(pool), item_(std::move(item)) {}
    ~Lease() {
      if (item_) pool_.Give(std::move(item_));
    }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;

    T& operator*() { return *item_; }
    T* operator->() { return item_.get(); }
    // Drops the object (left in a state it must not be used in again).
    void Discard() { item_.reset(); }

   private:
    ScratchPool& pool_;
    std::unique_ptr<T> item_;
  };

  // The pool of a kind of scratch object, made once and never destroyed: nothing of it is freed
  // while the program ends.
  static ScratchPool& Shared() {
    static ScratchPool* pool = new ScratchPool;
    return *pool;
  }

  Lease Take() {
    {
      std::lock_guard lock(mutex_);
      if (!free_.empty()) {
        std::unique_ptr<T> item = std::move(free_.back());
        free_.pop_back();
        return Lease(*this, std::move(item));
      }
    }
    return Lease(*this, std::make_unique<T>());
  }

 private:
  void Give(std::unique_ptr<T> item) {
    std::lock_guard lock(mutex_);
    free_.push_back(std::move(item));
  }

  std::mutex mutex_;
  std::vector<std::unique_ptr<T>> free_;
};

}  // namespace sheetwright::base

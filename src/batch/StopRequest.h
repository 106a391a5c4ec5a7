#pragma once
// One request to stop the run in progress. The Stop button, the main window's
// close and the batch command's signals all raise the same request; the run
// tests it before each file and after each block's pump. Nothing in the run
// lowers it, so a request that arrives between files, or before the run has
// begun, is not lost; the front end lowers it before it starts a new run.

#include <atomic>

class StopRequest {
public:
    // Safe in a signal handler: one lock-free store.
    void raise() { raised_.store(true, std::memory_order_relaxed); }
    bool raised() const { return raised_.load(std::memory_order_relaxed); }
    void clear() { raised_.store(false, std::memory_order_relaxed); }

private:
    std::atomic<bool> raised_{false};
    static_assert(std::atomic<bool>::is_always_lock_free);
};

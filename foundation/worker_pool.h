// A bounded pool of worker threads for scans that read many files at once.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace oxl
{

/// Runs posted tasks, oldest first, on at most a fixed number of threads, started as work arrives; the
/// destructor runs every task still queued and joins the threads.
class WorkerPool
{
  public:
    /// A pool of at most maxThreads threads (at least one).
    explicit WorkerPool(std::size_t maxThreads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    /// Queues a task, which must not throw. When no thread can be started for it, the task is dropped
    /// and std::system_error raised.
    void post(std::function<void()> task);

  private:
    void run();

    const std::size_t maxThreads_;
    std::mutex mutex_; // guards everything below
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    std::size_t idle_ = 0;
    bool closing_ = false;
    std::vector<std::thread> threads_;
};

} // namespace oxl

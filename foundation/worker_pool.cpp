#include "foundation/worker_pool.h"

#include <algorithm>
#include <utility>

namespace oxl
{

WorkerPool::WorkerPool(std::size_t maxThreads) : maxThreads_(std::max<std::size_t>(maxThreads, 1))
{
}

WorkerPool::~WorkerPool()
{
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_)
    {
        thread.join();
    }
}

void WorkerPool::post(std::function<void()> task)
{
    {
        const std::lock_guard lock(mutex_);
        queue_.push_back(std::move(task));
        // Idle threads take the queued tasks; a new thread only for work that none of them will take.
        if (queue_.size() > idle_ && threads_.size() < maxThreads_)
        {
            try
            {
                threads_.emplace_back([this] { run(); });
            }
            catch (...)
            {
                queue_.pop_back();
                throw;
            }
        }
    }
    wake_.notify_one();
}

void WorkerPool::run()
{
    std::unique_lock lock(mutex_);
    for (;;)
    {
        ++idle_;
        wake_.wait(lock, [this] { return closing_ || !queue_.empty(); });
        --idle_;
        if (queue_.empty())
        {
            return;
        }
        std::function<void()> task = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        task();
        lock.lock();
    }
}

} // namespace oxl

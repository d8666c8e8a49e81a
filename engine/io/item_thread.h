// A worker thread fed in order through a bounded queue.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "io/threads.h"

namespace tolvarin {

// Works on items handed over in order, on a thread of its own, with at most `limit`
// waiting (the caller then waits); the items come back, emptied by the work, for
// reuse. `begin` runs first on that thread, and `end` after the last item. An error
// there stops the thread and is raised by finish(); destroying it unfinished abandons
// what waits. Where no thread can be had, making one raises std::system_error: the
// caller then does the work itself.
template <typename Item>
class ItemThread {
public:
    struct Steps {
        std::function<void()> begin = [] {};
        std::function<void(Item&)> work;
        std::function<void()> end = [] {};
    };

    ItemThread(std::size_t limit, Steps steps) : limit_(limit), steps_(std::move(steps)) {
        std::optional<std::thread> thread = startThread([this] { loop(); });
        if (!thread) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        thread_ = std::move(*thread);
    }
    ~ItemThread() {
        {
            std::lock_guard lock(mutex_);
            closed_ = cancelled_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable()) thread_.join();
    }
    ItemThread(const ItemThread&) = delete;
    ItemThread& operator=(const ItemThread&) = delete;

    // An empty item, one already worked on when there is one.
    Item take() {
        std::lock_guard lock(mutex_);
        if (spares_.empty()) return Item();
        Item item = std::move(spares_.back());
        spares_.pop_back();
        return item;
    }

    void put(Item&& item) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return queue_.size() < limit_ || stopped_; });
        if (stopped_) return;
        queue_.push_back(std::move(item));
        waiting_.fetch_add(1, std::memory_order_relaxed);
        const bool wake = idle_;
        lock.unlock();
        if (wake) changed_.notify_all();
    }

    // How many items are handed over and not yet worked on.
    std::size_t waiting() const { return waiting_.load(std::memory_order_relaxed); }

    // Waits until every item is worked on and `end` has run.
    void finish() {
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable()) thread_.join();
        if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
    }

private:
    void loop() {
        std::vector<Item> work;
        try {
            steps_.begin();
            bool finished = false;
            while (!finished) {
                {
                    std::unique_lock lock(mutex_);
                    for (Item& item : work) spares_.push_back(std::move(item));
                    work.clear();
                    idle_ = true;
                    changed_.wait(lock, [this] { return !queue_.empty() || closed_; });
                    idle_ = false;
                    if (cancelled_) break;
                    finished = queue_.empty();
                    for (; !queue_.empty(); queue_.pop_front()) work.push_back(std::move(queue_.front()));
                }
                changed_.notify_all();  // room in the queue
                for (Item& item : work) {
                    steps_.work(item);
                    waiting_.fetch_sub(1, std::memory_order_relaxed);
                }
            }
            if (finished) steps_.end();
        } catch (...) {
            error_ = std::current_exception();
        }
        std::lock_guard lock(mutex_);
        stopped_ = true;
        queue_.clear();
        changed_.notify_all();
    }

    const std::size_t limit_;
    const Steps steps_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Item> queue_;
    std::vector<Item> spares_;
    bool closed_ = false, cancelled_ = false, stopped_ = false, idle_ = false;
    std::atomic<std::size_t> waiting_{0};
    std::exception_ptr error_;
    std::thread thread_;
};

}  // namespace tolvarin

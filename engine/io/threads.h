// Threads for work done side by side, where they can be had. A host without threads (a
// browser page) turns them off; a system that refuses one is met the same way: the work
// runs on the calling thread, and comes out the same.
#pragma once

#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace tolvarin {

namespace threading {
bool wanted();
bool failing();
}  // namespace threading

// While one stands, work on this thread starts no thread of its own (with `allowed` false).
class ThreadUse {
public:
    explicit ThreadUse(bool allowed);
    ~ThreadUse();
    ThreadUse(const ThreadUse&) = delete;
    ThreadUse& operator=(const ThreadUse&) = delete;

private:
    bool before_;
};

// Every thread start fails from now on, as if the system refused it (tests), or no longer.
void failThreadStarts(bool fail);

// `work` on a thread of its own, or nothing where no thread can be had: the caller then
// does the work itself.
template <typename Work>
std::optional<std::thread> startThread(Work&& work) {
    if (!threading::wanted()) return std::nullopt;
    try {
        if (threading::failing()) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        return std::thread(std::forward<Work>(work));
    } catch (const std::system_error&) {
        return std::nullopt;
    }
}

}  // namespace tolvarin

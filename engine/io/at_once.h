// Two pieces of work at once: one on a thread of its own, one on the caller's.
#pragma once

#include <exception>

#include "io/threads.h"

namespace tolvarin {

// Runs `other` on a thread of its own while `here` runs on this one, and returns when
// both are done; what either raised is raised here (this thread's first). Where no
// thread can be had, both run here, one after the other.
template <typename Here, typename Other>
void atOnce(Here&& here, Other&& other) {
    std::exception_ptr failure;
    std::optional<std::thread> thread = startThread([&] {
        try {
            other();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    if (!thread) {
        here();
        other();
        return;
    }
    try {
        here();
    } catch (...) {
        thread->join();
        throw;
    }
    thread->join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace tolvarin

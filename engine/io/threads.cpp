#include "io/threads.h"

#include <atomic>

namespace tolvarin {
namespace {

thread_local bool gWanted = true;
std::atomic<bool> gFailing{false};

}  // namespace

bool threading::wanted() { return gWanted; }
bool threading::failing() { return gFailing.load(std::memory_order_relaxed); }

ThreadUse::ThreadUse(bool allowed) : before_(gWanted) { gWanted = allowed && before_; }
ThreadUse::~ThreadUse() { gWanted = before_; }

void failThreadStarts(bool fail) { gFailing.store(fail, std::memory_order_relaxed); }

}  // namespace tolvarin

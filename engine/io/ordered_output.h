// Bytes made from work items on a thread of their own, in the order the items are
// handed over, and written to a sink on a third thread in large pieces: the system's
// copying into a file overlaps the making of what comes next. Knows nothing of what
// the items are; `make` turns one into bytes.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <utility>

#include "io/byte_buffer.h"
#include "io/item_thread.h"

namespace tolvarin {

template <typename Item>
class OrderedOutput {
public:
    // Appends an item's bytes to `out` and leaves the item empty, for reuse.
    using Make = std::function<void(Item& item, ByteBuffer& out)>;

    // `begin` runs first, on the making thread, while the caller goes on.
    OrderedOutput(const std::function<void(std::string_view)>& sink, std::function<void()> begin, Make make)
        : make_(std::move(make)),
          writer_(kWritesWaiting, {.work = [&sink](ByteBuffer& b) {
                                       sink(b.view());
                                       b.clear();
                                   }}),
          items_(kItemsWaiting, {std::move(begin), [this](Item& item) { work(item); }, [this] { end(); }}) {}

    Item take() { return items_.take(); }
    void put(Item&& item) { items_.put(std::move(item)); }
    // Whether more items wait than the making thread can soon take: the caller may then
    // do some of that work itself, so that both share it.
    bool behind() const { return items_.waiting() > kBehind; }
    // Waits until everything is written; an error on either thread is raised here.
    void finish() { items_.finish(); }

private:
    // Items waiting hold their bytes: a short queue bounds the memory a conversion
    // takes when the making thread falls behind, at no cost in speed on two cores.
    static constexpr std::size_t kItemsWaiting = 48, kBehind = 16, kWritesWaiting = 4;
    static constexpr std::size_t kWrite = std::size_t(1) << 17;

    void work(Item& item) {
        make_(item, out_);
        if (out_.size() >= kWrite) {
            writer_.put(std::move(out_));
            out_ = writer_.take();
        }
    }
    void end() {
        if (!out_.empty()) writer_.put(std::move(out_));
        writer_.finish();
    }

    const Make make_;
    ByteBuffer out_;
    ItemThread<ByteBuffer> writer_;
    ItemThread<Item> items_;  // last: its thread stops first
};

}  // namespace tolvarin

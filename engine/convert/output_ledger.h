// The converted document as it is made: the input copied as it stands up to each
// change, what replaces the changed bytes, and (from a held place on) what waits for a
// character still to be decided. Knows nothing of fonts; the writers say what changes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace tolvarin::rewriting {

struct OutputLedger {
    explicit OutputLedger(std::string_view source) : input(source) {}

    std::string_view input;
    std::string out;          // made and not yet handed on
    std::size_t base = 0;     // output bytes already handed on
    std::size_t copied = 0;   // input bytes up to here are in the output

    // The output position after what is made so far.
    std::size_t written() const { return base + out.size(); }
    void copyUpTo(std::size_t pos) {
        if (pos > copied) out.append(input.data() + copied, pos - copied);
        copied = std::max(copied, pos);
    }
    void replace(std::size_t start, std::size_t end, std::string_view with) {
        copyUpTo(start);
        out.append(with);
        copied = end;
    }
    // Leaves out the input's bytes [start, end). A control word right before them
    // (ending at `bareWordEnd` with no space) must not run into what follows, nor a \*
    // (ending at `starEnd`) come to name the word after them: an empty group stands in.
    void drop(std::size_t start, std::size_t end, std::size_t starEnd, std::size_t bareWordEnd) {
        copyUpTo(start);
        if (start == starEnd) out += "{}";
        else if (start == bareWordEnd && end < input.size()) out.push_back(' ');
        copied = end;
    }
    // The first `n` bytes made have been handed on.
    void handedOn(std::size_t n) {
        out.erase(0, n);
        base += n;
    }
};

}  // namespace tolvarin::rewriting

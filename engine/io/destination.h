// Where made bytes go: a sink taking them in pieces as they are made, and a destination
// (a file, memory, standard output) handed a producer of a whole content.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tolvarin {

// Receives output in pieces of some tens of kilobytes, so that a large output is never
// held whole.
using PieceSink = std::function<void(std::string_view)>;

// Makes a content, calling `write` for each piece of it in order; returns an empty
// string, or why the content could not be made.
using ContentProducer = std::function<std::string(const PieceSink& write)>;

// Takes a content from its producer: returns an empty string, or what failed (the
// producer's reason as it is, or the destination's own). A destination keeps nothing of
// a content whose making failed.
using Destination = std::function<std::string(const ContentProducer& produce)>;

// The content, complete only when it was made whole, into `out`.
inline Destination intoString(std::string& out) {
    return [&out](const ContentProducer& produce) {
        out.clear();
        std::string error = produce([&out](std::string_view piece) { out.append(piece); });
        if (!error.empty()) out.clear();
        return error;
    };
}

}  // namespace tolvarin

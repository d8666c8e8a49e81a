// A part's bytes changed by splicing: never re-serialised, each change a byte range of
// the original and what stands there instead; and text escaped for XML.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "io/byte_sink.h"

namespace tolvarin {

// A part's bytes with pieces replaced: each change is a byte range of the original
// and what stands there instead. Changes may come in any order but must not overlap;
// insertions at one place keep the order they were made in.
class XmlSplice {
public:
    void replace(std::size_t begin, std::size_t end, std::string_view with);
    // As replace(), with `utf8` escaped for element content or an attribute value. Text
    // with nothing to escape is not copied: it must outlive apply().
    void replaceEscaped(std::size_t begin, std::size_t end, std::string_view utf8);
    void insert(std::size_t at, std::string_view what) { replace(at, at, what); }
    // As replace(), with bytes that are not copied: they must outlive apply().
    void replaceKept(std::size_t begin, std::size_t end, std::string_view bytes) {
        changes_.push_back({begin, end, bytes.empty() ? nullptr : bytes.data(), bytes.size()});
    }
    // A copy of `bytes` that lives as long as the splice, for changes that repeat it.
    std::string_view hold(std::string_view bytes) {
        char* at = bytes.empty() ? nullptr : room(bytes.size());
        if (at) std::memcpy(at, bytes.data(), bytes.size());
        return {at, bytes.size()};
    }
    // No changes, its room kept for the next.
    void clear();
    // Room for about this many changes: a long part's changes then grow no buffer.
    void reserve(std::size_t changes);
    bool empty() const { return changes_.empty(); }
    std::string apply(std::string_view original);
    // For a part spliced in pieces, each piece's changes in a splice of its own: whether
    // every change lies in [from, to); the length of that stretch once changed; and the
    // changed stretch written at `out` (returns its end).
    bool within(std::size_t from, std::size_t to) const;
    std::size_t outputSize(std::size_t from, std::size_t to);
    char* applyInto(std::string_view original, std::size_t from, std::size_t to, char* out);
    // The same stretch handed to `sink` as it is made: the original's bytes between
    // changes are handed over where they stand, not copied.
    void applyTo(std::string_view original, std::size_t from, std::size_t to, ByteSink& sink);

private:
    // What replaces a range is kept in large blocks, one piece after another: a long
    // part's many changes are neither as many strings nor copied as they grow.
    struct Change {
        std::size_t begin, end;
        const char* with;
        std::size_t size;
    };
    char* room(std::size_t n);
    void sort();
    std::vector<Change> changes_;
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* free_ = nullptr;
    std::size_t left_ = 0, firstBlock_ = 0;
};

// Text escaped for an XML element's content or an attribute value in double quotes.
void appendXmlEscaped(std::string& out, std::string_view utf8);

}  // namespace tolvarin

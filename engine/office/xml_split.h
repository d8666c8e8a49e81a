// Where a long XML part can be read in two halves at once. A quick scan of the tags
// (not a parser: it trusts the part to be well-formed) finds a start tag near the
// middle, as shallow as one nearby can be, and the start tags of the elements open
// there. A second parser reads from there on, after what precedes the root and those
// start tags, so that it sees the same namespaces and depths; the first parser, reading
// from the beginning, confirms the scan when it reaches the same start tag with the same
// elements open.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tolvarin {

struct XmlSplit {
    std::size_t at;  // where the second half begins: a start tag
    // The start tags open there, outermost first: where each begins and ends.
    std::vector<std::pair<std::size_t, std::size_t>> open;
    std::string prologue;  // what the second parser reads before the part from `at` on
};

// Nothing when the part has no such place, or one the halves could not be read apart
// from (a document type declaration, whose entities and defaults apply throughout; a
// part not in an encoding that keeps '<' a byte of its own).
std::optional<XmlSplit> findXmlSplit(std::string_view bytes);

// Just past the '>' that ends the tag beginning at `at` (the first outside its quoted
// values), or npos when the bytes end first.
std::size_t xmlTagEnd(std::string_view bytes, std::size_t at);

}  // namespace tolvarin

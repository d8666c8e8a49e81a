// Converts an RTF document where it stands: every character set in a legacy font that
// converts is replaced by what the core decided it becomes, the font table names the
// font it is now in, and every other byte (tables, pictures, headers, fields, line ends)
// is copied as it is. Rebuilding a document from its characters would lose whatever a
// model does not hold; rewriting the source keeps it all.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/conversion_options.h"
#include "core/legacy_text.h"
#include "io/destination.h"

namespace tolvarin {

struct RewriteResult {
    bool ok = true;
    std::size_t offset = 0;   // on failure: the byte where reading stopped
    std::string description;  // on failure: for a person
    LegacyCounts counts;
    // From check(), when nothing is to change: the fonts the document's text is set in,
    // by name, in the order first used.
    std::vector<std::string> textFonts;

    explicit operator bool() const { return ok; }
};

class RtfRewrite {
public:
    explicit RtfRewrite(std::string_view rtf, ConversionOptions options = {})
        : rtf_(rtf), options_(std::move(options)) {}

    // Reads the document far enough to know what is to change, and checks it as far
    // as it reads; call before write(). Without any text to convert the document is
    // read to its end, and write() then copies it unchanged.
    RewriteResult check();
    // Writes the converted document to `sink` in pieces. On failure what was written
    // is incomplete and is to be thrown away.
    RewriteResult write(const PieceSink& sink);

private:
    std::string_view rtf_;
    ConversionOptions options_;
    bool checked_ = false;
    RewriteResult checkResult_;
    // What check() learnt for write(): where the names of the font-table entries to
    // rename begin, and whether anything is to change at all.
    std::vector<std::size_t> renamedEntries_;
    bool unchanged_ = false;
    std::size_t checkedUpTo_ = std::string_view::npos;  // where the check stopped, having learnt enough
};

}  // namespace tolvarin

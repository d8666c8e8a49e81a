// The Unicode writer: the legacy characters of each paragraph of one encoding (a
// stretch) are converted together by the core into Unicode Malayalam, each syllable
// laid out where its base glyph stood, in a run of that glyph's formatting, in a font
// added to the font table.
// Unicode text is about five times the bytes it replaces: converting the stretches and
// laying them out runs on a second thread while the scanner reads on, and the writing
// on a third.
#pragma once

#include <algorithm>
#include <cstddef>
#include <future>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "convert/rewrite_base.h"
#include "convert/unicode_layout.h"
#include "io/ordered_output.h"

namespace tolvarin::rewriting {

// Work for the output thread, in output order: bytes as they are, then (when there is
// one) a stretch to convert and lay out over the output from its first place on.
struct OutputItem {
    ByteBuffer bytes;
    bool fontEntry = false;  // the added font's entry follows the bytes
    UnicodeStretch stretch;
    ByteBuffer tail;
    std::size_t origin = 0;  // the output position where `tail` begins
};

class UnicodeTarget : public RewriteBase<UnicodeTarget> {
public:
    static constexpr bool kUnicode = true;

    UnicodeTarget(std::string_view input, const PieceSink& sink, std::string unicodeFont)
        : RewriteBase(input, sink), unicodeFont_(std::move(unicodeFont)) {
        streams_.emplace_back();
    }

    RewriteResult run();

    // What the scanner and the shared writer hand on.
    void sourceCharacter(std::size_t start, std::size_t end, int code, Form form, bool keepable);
    void otherCharacter(std::size_t, std::size_t, char16_t) { endStretch(streams_.back()); }  // ends a stretch
    void sourceText(bool afterUnit);
    bool waiting() const { return !streams_.back().empty(); }
    std::size_t heldAt() const {
        for (const UnicodeStretch& s : streams_)
            if (!s.empty()) return s.holdAt();
        return kNothingHeld;
    }
    void handOn(std::string_view bytes);
    void streamOpened() { streams_.emplace_back(); }
    void streamClosed() {
        endStretch(streams_.back());
        streams_.pop_back();
    }
    void endStreams() {
        while (streams_.size() > 1) streamClosed();
        endStretch(streams_.back());
    }
    void finishOutput();
    void fontTableEnds(std::size_t offset);

    // The current stream's stretch, for text in the current font. A stretch is in one
    // encoding: text in another ends it.
    UnicodeStretch& stretchFor() {
        UnicodeStretch& s = streams_.back();
        if (!s.legacy.takes(*font().legacy)) endStretch(s);
        return s;
    }
    void endStretch(UnicodeStretch& s);

private:
    bool anyHolds(const UnicodeStretch* except = nullptr) const {
        return std::any_of(streams_.begin(), streams_.end(),
                           [except](const UnicodeStretch& s) { return &s != except && !s.empty(); });
    }
    int unicodeFontNumber() const { return fontNumber_.get(); }

    const std::string unicodeFont_;
    // The added font's number, above every number the document names. Found on the
    // output thread, as it reads the whole document, while the conversion begins.
    std::promise<int> fontNumberFound_;
    std::shared_future<int> fontNumber_ = fontNumberFound_.get_future().share();
    bool unicodeFontWritten_ = false;
    std::vector<UnicodeStretch> streams_;  // the open text streams' stretches, innermost last
    TextBatch batch_;                      // source-font text being read
    ConvertedStretch stretchText_;
    ByteBuffer laidOut_;
    // The output thread's own: its converted stretch, and what it counted.
    ConvertedStretch outputStretch_;
    LegacyCounts outputCounts_;
    // While there is one, all output goes through it. Last: its threads, which use the
    // members above, stop before any of them goes.
    std::unique_ptr<OrderedOutput<OutputItem>> output_;
};

}  // namespace tolvarin::rewriting

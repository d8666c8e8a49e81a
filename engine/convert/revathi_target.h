// The ML-TTRevathi writer: each character of a font with glyph rules into ML-TTRevathi
// (PANCHARI's encoding) becomes the codes the core gives it, in the form the source
// wrote it, and each such font-table entry the check found in use names ML-TTRevathi.
// A character waits for the one after it, which may complete a pair with it when it is
// typed in a font of the same encoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "convert/rewrite_base.h"

namespace tolvarin::rewriting {

// A source-font character waiting for the character after it, in one text stream.
struct PendingGlyph {
    bool active = false;
    const LegacyFont* font = nullptr;
    std::uint8_t code = 0;
    Form form = Form::Text;
    bool afterBareWord = false;  // a control word ends right before it, with no space
    bool keepable = true;        // when it maps to itself its own bytes can stay
    int unicodeSkip = 1;
    std::size_t start = 0, end = 0;  // its bytes in the input
    std::size_t holdAt = 0;          // where its replacement goes in the output
    int previous = -1;  // the code before it in its encoding, not taken into a pair, or -1
    int last = -1;      // the same for the stream's next character
};

class RevathiTarget : public RewriteBase<RevathiTarget> {
public:
    static constexpr bool kUnicode = false;

    // `renamed`: where the names of the entries to rename begin; `checkedUpTo`: where
    // the check stopped, past which a source font's entry is decided where it stands.
    RevathiTarget(std::string_view input, const PieceSink& sink, const std::vector<std::size_t>& renamed,
                  std::size_t checkedUpTo)
        : RewriteBase(input, sink), renamed_(renamed), checkedUpTo_(checkedUpTo) {
        streams_.emplace_back();
    }

    // What the scanner and the shared writer hand on.
    void sourceCharacter(std::size_t start, std::size_t end, int code, Form form, bool keepable);
    void otherCharacter(std::size_t start, std::size_t end, char16_t value);
    void sourceText(bool afterUnit);
    bool waiting() const { return streams_.back().active; }
    std::size_t heldAt() const {
        for (const PendingGlyph& p : streams_)
            if (p.active) return p.holdAt;
        return kNothingHeld;
    }
    void handOn(std::string_view bytes) { sink_(bytes); }
    void streamOpened() { streams_.emplace_back(); }
    void streamClosed() {
        endStream();
        streams_.pop_back();
    }
    void endStreams() {
        while (streams_.size() > 1) streamClosed();
        endStream();
    }
    void finishOutput() {}
    void fontNameStarts(std::size_t start, std::size_t end);
    void fontNameGoesOn(std::size_t start, std::size_t end) {
        if (renaming_) drop(start, end);
    }

private:
    bool resolve(PendingGlyph& p, int following);
    // What a source character typed in the current font is to the pending one: itself,
    // or the end of its text when the two are in different encodings.
    int following(const PendingGlyph& p, int code) { return mayPair(*p.font, font().legacy) ? code : kEnd; }
    const Replacements& tablesFor(const LegacyEncoding& encoding) {
        if (&encoding != tablesEncoding_) {
            tables_ = &replacementsFor(encoding);
            tablesEncoding_ = &encoding;
        }
        return *tables_;
    }
    void endStream() {
        if (streams_.back().active) resolve(streams_.back(), kEnd);
    }
    void hold(PendingGlyph& p, std::size_t start, std::size_t end, std::uint8_t code, Form form, bool keepable);

    const std::vector<std::size_t>& renamed_;
    const std::size_t checkedUpTo_;
    bool renaming_ = false;             // the font-table entry being read is renamed
    std::vector<PendingGlyph> streams_;  // the open text streams, innermost last
    TextBatch batch_;                    // source-font text being read
    const Replacements* tables_ = nullptr;  // the last encoding's
    const LegacyEncoding* tablesEncoding_ = nullptr;
};

}  // namespace tolvarin::rewriting

// The converter's writer, shared by the files that implement it: rtf_rewriter.cpp
// (the run, the output and the font table), rewriter_text.cpp (source-font text and
// what replaces it). Internal to them.
#pragma once

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <future>
#include <limits>
#include <memory>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "convert/conversion.h"
#include "convert/replacements.h"
#include "convert/rtf_rewriter.h"
#include "convert/unicode_layout.h"
#include "fonts/glyph_map.h"
#include "fonts/unicode_malayalam.h"
#include "io/ordered_output.h"
#include "model/rtf_reader.h"
#include "rtf/rtf_scanner.h"
#include "text/codepage.h"
#include "text/dbcs.h"
#include "text/utf8.h"

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

// What waits in a text stream: a source-font character whose replacement depends on
// the character after it, or (Unicode) the stretch of them since the last break.
struct Pending {
    bool active = false;
    std::uint8_t code = 0;
    Form form = Form::Text;
    bool afterBareWord = false;  // a control word ends right before it, with no space
    bool keepable = true;        // when it maps to itself its own bytes can stay
    int unicodeSkip = 1;
    std::size_t start = 0, end = 0;  // its bytes in the input
    std::size_t holdAt = 0;          // where its replacement goes in the output
    UnicodeStretch stretch;

    // Whether output from here on waits for it.
    bool holds() const { return active || !stretch.empty(); }
};

// Writes the converted document: the input copied as it is up to each change, the
// source-font text replaced, and the entries of source fonts renamed. Told what to
// rename by the PreCheck that ran first.
class Rewriter : public RtfScanHandler {
public:
    Rewriter(std::string_view input, const RtfSink& sink, const std::vector<std::size_t>& renamed,
             const RewriteOptions& options, std::size_t checkedUpTo)
        : input_(input), scanner_(input, *this), sink_(sink), renamed_(renamed), unicode_(options.unicode),
          unicodeFont_(options.unicodeFont), checkedUpTo_(checkedUpTo) {
        streams_.emplace_back();
    }

    RewriteResult run();

    // What the scanner hands on.
    bool isSource(const LegacyFont* font) const { return unicode_ ? font != nullptr : font == &panchariFont(); }
    void afterToken();
    void text(std::size_t offset, std::string_view bytes);
    void hexByte(std::size_t offset, std::uint8_t byte);
    void character(std::size_t start, std::size_t end, char16_t value) {
        characterIn(start, end, value, encodeCp1252(value));
    }
    void literal(std::size_t start, std::size_t end, char c) { character(start, end, char16_t(c)); }
    // The mark's digits are the same in both fonts; it stays as it is.
    void footnoteMark(std::size_t start, std::size_t end) { characterIn(start, end, u'1', -1); }
    void unicode(std::size_t start, std::size_t end, char16_t value, bool readOn);
    void streamOpened() { streams_.emplace_back(); }
    void streamClosed() {
        endStream();
        streams_.pop_back();
    }
    void fontNameStarts(std::size_t start, std::size_t end);
    void fontNameGoesOn(std::size_t start, std::size_t end) {
        if (renaming_) drop(start, end);
    }
    void fontTableEnds(std::size_t offset);

private:
    const ScannedFont& font() { return scanner_.font(); }

    void characterIn(std::size_t start, std::size_t end, char16_t value, int code) {
        if (font().source) sourceCharacter(start, end, code, Form::Text);
        else otherCharacter(start, end, value);
    }
    void sourceText(bool afterUnit = false);
    void sourceCharacter(std::size_t start, std::size_t end, int code, Form form, bool keepable = true);
    void otherCharacter(std::size_t start, std::size_t end, char16_t value);
    bool resolve(Pending& p, int following);
    void endStream();
    bool waiting() const { return streams_.back().holds(); }
    bool anyHolds(const Pending* except = nullptr) const {
        return std::any_of(streams_.begin(), streams_.end(),
                           [except](const Pending& q) { return &q != except && q.holds(); });
    }
    void unicodeCharacter(std::size_t start, std::size_t end, int code);
    void endStretch(Pending& p);

    // Output: the input is copied from copied_ up to each change.
    std::size_t written() const { return base_ + out_.size(); }
    void copyUpTo(std::size_t pos) {
        if (pos > copied_) out_.append(input_.data() + copied_, pos - copied_);
        copied_ = std::max(copied_, pos);
    }
    void replace(std::size_t start, std::size_t end, std::string_view with) {
        copyUpTo(start);
        out_.append(with);
        copied_ = end;
    }
    void drop(std::size_t start, std::size_t end) {
        copyUpTo(start);
        // A control word right before the dropped bytes must not run into what follows,
        // nor a \* come to name the word after them: an empty group stands in for them.
        if (start == scanner_.starEnd()) out_ += "{}";
        else if (start == scanner_.bareWordEnd() && end < input_.size()) out_.push_back(' ');
        copied_ = end;
    }
    void flush(bool all);

    std::string_view input_;
    RtfScanner<Rewriter> scanner_;
    const RtfSink& sink_;
    const std::vector<std::size_t>& renamed_;
    const bool unicode_;
    const std::string unicodeFont_;
    // The added font's number, above every number the document names. Found on the
    // output thread, as it reads the whole document, while the conversion begins.
    std::promise<int> fontNumberFound_;
    std::shared_future<int> fontNumber_ = fontNumberFound_.get_future().share();
    int unicodeFontNumber() const { return fontNumber_.get(); }
    bool unicodeFontWritten_ = false;
    std::size_t unknown_ = 0;
    ConvertedStretch stretchText_;
    ByteBuffer laidOut_;
    // The output thread's own: its converted stretch, and the codes it kept as typed.
    ConvertedStretch outputStretch_;

    std::vector<Pending> streams_;  // the open text streams, innermost last
    TextBatch batch_;               // source-font text being read
    bool renaming_ = false;         // the font-table entry being read is renamed
    std::size_t checkedUpTo_ = std::string_view::npos;  // where the check stopped early

    std::size_t converted_ = 0;
    // The same by legacy font, and the codes of each kept as typed, on this thread
    // and on the output thread.
    std::array<std::size_t, 2> convertedBy_{}, keptBy_{}, outputKeptBy_{};
    // A stretch is in one legacy font: text in another ends it.
    void stretchIn(Pending& p) {
        const LegacyFont* f = font().legacy;
        if (p.stretch.font == f) return;
        endStretch(p);
        p.stretch.font = f;
    }
    void count(std::size_t n) {
        converted_ += n;
        convertedBy_[unicode_ ? font().legacyIndex : 0] += n;
    }
    // A paragraph this long is converted in parts, each ending after a space or other
    // character that ends every syllable, so that memory stays bounded.
    static constexpr std::size_t kLongStretch = std::size_t(1) << 16;
    // The output is handed on about a chunk at a time; its buffer has room for more, so
    // that a paragraph laid out again seldom has to move it.
    static constexpr std::size_t kChunk = std::size_t(1) << 16;
    static constexpr std::size_t kOutputRoom = std::size_t(1) << 18;
    std::string out_;
    std::size_t base_ = 0;    // output bytes already handed to the sink
    std::size_t copied_ = 0;  // input bytes up to here are in the output

    // Unicode text is about five times the bytes it replaces: converting the stretches
    // and laying them out runs on a second thread while this one reads on, and the
    // writing on a third. While there is one, all output goes through it. Last: its
    // threads, which use the members above, stop before any of them goes.
    std::unique_ptr<OrderedOutput<OutputItem>> output_;
};

}  // namespace tolvarin::rewriting

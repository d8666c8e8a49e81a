// The converter's reading of a document, shared by the files that implement it:
// rtf_rewriter.cpp (the tokens, groups and the run), rewriter_text.cpp (source-font
// text and what replaces it) and rewriter_fonts.cpp (the font table). Internal to them.
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
#include "rtf/rtf_tokenizer.h"
#include "rtf/rtf_vocabulary.h"
#include "text/codepage.h"
#include "text/dbcs.h"
#include "text/utf8.h"

namespace tolvarin::rewriting {

// What a group holds, as far as the conversion cares.
enum class Kind : std::uint8_t {
    Text,       // characters of a text stream
    NonText,    // tables, pictures, field instructions, document data: never touched
    FontTable,  // entries of the font table
    Container,  // a shape or drawing: no text of its own, but streams inside it
    Object,     // an embedded object: no text of its own but its result
};

struct FontInfo {
    // Text to convert: in ML-TTRevathi mode a PANCHARI font's, in Unicode mode any
    // legacy font's.
    bool source = false;
    const LegacyFont* legacy = nullptr;
    std::uint8_t legacyIndex = 0;  // where `legacy` stands among the legacy fonts
    const char16_t* upperHalf = nullptr;
    bool doubleByte = false;
    bool symbol = false;
};

struct State {
    Kind kind = Kind::Text;
    bool starred = false;
    int font = -1;  // -1: \deff
    Format format;
    int unicodeSkip = 1;
    std::uint32_t stream = 0;
    // Inside a group that a reader of the body passes over: a header, a shape, an
    // unknown destination, \ud (which repeats the text or font table before it). Font
    // entries there are renamed like their twins but define nothing: the body's fonts
    // come from the font table a reader takes, and so must the conversion's.
    bool offBody = false;
};

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

inline constexpr int kNoCharset = -1;


class Rewriter {
public:
    Rewriter(std::string_view input, const RtfSink* sink, const std::vector<std::size_t>* renamed,
             const RewriteOptions& options, std::size_t checkedUpTo = std::string_view::npos)
        : input_(input), tokens_(input), sink_(sink), renamed_(renamed), unicode_(options.unicode),
          unicodeFont_(options.unicodeFont), checkedUpTo_(checkedUpTo) {
        streams_.emplace_back();
    }

    RewriteResult run();

    // After a check: the font-table entries to rename, and whether any text is in a
    // source font.
    std::vector<std::size_t> renamedEntries() const;
    std::size_t checkedUpTo() const { return checkedUpTo_; }
    // Every font that is a source font now has had text (a later entry may have given
    // an earlier one's number to another font).
    bool everySourceFontUsed() const {
        bool any = false;
        for (const auto& [number, info] : fonts_) {
            if (!info.source) continue;
            if (!usedSourceFonts_.count(number)) return false;
            any = true;
        }
        return any;
    }
    bool anySourceText() const { return !usedSourceFonts_.empty(); }
    // The names of the fonts that text is set in, in the order first used.
    std::vector<std::string> textFonts() const;

private:
    bool checking() const { return sink_ == nullptr; }
    RewriteResult fail(std::size_t offset, const std::string& what) const {
        RewriteResult r;
        r.ok = false;
        r.offset = offset;
        r.description = "damaged RTF at byte " + std::to_string(offset) + ": " + what;
        return r;
    }

    const FontInfo& font();
    int fontNumber() const { return state_.font >= 0 && fonts_.count(state_.font) ? state_.font : defaultFont_; }
    int codePageOfCharset(int charset) const { return fontCodePage(charset, ansiCodePage_); }

    void controlWord(const RtfToken& t);
    void controlSymbol(const RtfToken& t);
    void textBytes(std::size_t offset, std::string_view bytes);
    void sourceText(bool afterUnit = false);
    void character(std::size_t start, std::size_t end, char16_t value, int code, Form form);
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
    void openStream() {
        // One stream a group; outside every group the text stays in the body's.
        if (stack_.empty() || stack_.back().stream != state_.stream) return;
        state_.stream = std::uint32_t(streams_.size());
        streams_.emplace_back();
    }
    void finishUnicode(std::size_t end);
    void consumeFallback(std::size_t end);

    void fontTableWord(const RtfToken& t, RtfWord w);
    void nameCharacter(std::size_t start, std::size_t end, char16_t value);
    void commitFontEntry();
    std::string nameAhead(std::size_t at) const;

    // Output: the input is copied from copied_ up to each change.
    std::size_t written() const { return base_ + out_.size(); }
    void copyUpTo(std::size_t pos) {
        if (pos > copied_) out_.append(input_.data() + copied_, pos - copied_);
        copied_ = std::max(copied_, pos);
    }
    void replace(std::size_t start, std::size_t end, std::string_view with) {
        if (checking()) return;
        copyUpTo(start);
        out_.append(with);
        copied_ = end;
    }
    void drop(std::size_t start, std::size_t end) {
        if (checking()) return;
        copyUpTo(start);
        // A control word right before the dropped bytes must not run into what follows,
        // nor a \* come to name the word after them: an empty group stands in for them.
        if (start == starEnd_) out_ += "{}";
        else if (start == bareWordEnd_ && end < input_.size()) out_.push_back(' ');
        copied_ = end;
    }
    void flush(bool all);

    std::string_view input_;
    RtfTokenizer tokens_;
    const RtfSink* sink_;
    const std::vector<std::size_t>* renamed_;
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

    std::vector<State> stack_;
    State state_;
    std::vector<Pending> streams_;  // the open text streams, innermost last
    bool groupStart_ = false;
    std::size_t bareWordEnd_ = std::size_t(-1);
    std::size_t starEnd_ = std::size_t(-1);  // where a \* that begins a group ends

    std::unordered_map<int, FontInfo> fonts_;
    int defaultFont_ = 0;
    int ansiCodePage_ = 1252;
    bool fontDirty_ = true;
    FontInfo current_;
    FontInfo none_;

    // \uN waiting for its fallback characters to be skipped.
    int skip_ = 0;
    bool unicodeOpen_ = false;
    std::size_t unicodeStart_ = 0;
    char16_t unicodeValue_ = 0;
    int unicodeSkipAtStart_ = 1;

    // The font-table entry being read.
    bool entryOpen_ = false;
    bool entryNumbered_ = false;  // the entry's \fN has been read
    int entryNumber_ = 0;
    int entryCharset_ = kNoCharset;
    std::size_t nameAt_ = 0;
    std::string entryName_;
    bool renaming_ = false;

    // Check: the fonts other text is set in, by number in the order first used, and
    // the names of the body's fonts.
    void noteTextFont() {
        const int number = fontNumber();
        if (number == lastTextFont_) return;
        lastTextFont_ = number;
        if (std::find(textFonts_.begin(), textFonts_.end(), number) == textFonts_.end()) textFonts_.push_back(number);
    }
    std::vector<int> textFonts_;
    int lastTextFont_ = std::numeric_limits<int>::min();
    std::unordered_map<int, std::string> fontNames_;
    std::string entryDisplayName_;  // the entry's name in UTF-8, for messages
    // Check: source fonts by number, those with text, and where their entries stand.
    std::unordered_set<int> usedSourceFonts_;
    std::vector<std::pair<int, std::size_t>> sourceEntries_;
    bool done_ = false;
    std::size_t checkedUpTo_ = std::string_view::npos;  // where a check stopped early

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

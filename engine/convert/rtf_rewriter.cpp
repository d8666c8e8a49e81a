#include "convert/rtf_rewriter.h"

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

namespace tolvarin {
namespace {

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

constexpr int kNoCharset = -1;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

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

const FontInfo& Rewriter::font() {
    if (fontDirty_) {
        auto it = fonts_.find(fontNumber());
        if (it != fonts_.end()) {
            current_ = it->second;
        } else {
            current_ = FontInfo{};
            const int cp = ansiCodePage_;
            current_.doubleByte = isDoubleByteCodePage(cp);
            current_.upperHalf = codePageUpperHalf(current_.doubleByte ? 1252 : cp);
            if (!current_.upperHalf) current_.upperHalf = codePageUpperHalf(1252);
        }
        fontDirty_ = false;
    }
    return current_;
}

std::vector<std::size_t> Rewriter::renamedEntries() const {
    std::vector<std::size_t> v;
    for (auto [number, at] : sourceEntries_)
        if (usedSourceFonts_.count(number)) v.push_back(at);
    std::sort(v.begin(), v.end());
    return v;
}

std::vector<std::string> Rewriter::textFonts() const {
    std::vector<std::string> names;
    for (int number : textFonts_) {
        auto it = fontNames_.find(number);
        if (it != fontNames_.end() && !it->second.empty() &&
            std::find(names.begin(), names.end(), it->second) == names.end())
            names.push_back(it->second);
    }
    return names;
}

// Decides the pending character now that what follows it is known, and puts its
// replacement where it stood. True when it took the following character in.
bool Rewriter::resolve(Pending& p, int following) {
    p.active = false;
    const std::size_t at = p.holdAt - base_;
    auto put = [&](const char* bytes, std::size_t n) {
        if (at == out_.size()) out_.append(bytes, n);
        else out_.insert(at, bytes, n);
    };
    if (p.form == Form::Text) {
        const TextReplacement& r = textReplacement(p.afterBareWord, p.code, following);
        if (r.same && p.keepable) put(input_.data() + p.start, p.end - p.start);  // unchanged: its own bytes
        else put(r.bytes, r.length);
        return r.pair;
    }
    GlyphCodes g = MapGlyphCode(p.code, following);
    if (g.length == 0) g = GlyphCodes{{p.code}, 1, false};  // no rule: the code itself
    if (p.keepable && g.length == 1 && g.codes[0] == p.code && !g.pair) {
        put(input_.data() + p.start, p.end - p.start);
        return false;
    }
    std::string piece;
    appendCodes(piece, g.codes, g.length, p.form, p.afterBareWord, p.unicodeSkip);
    put(piece.data(), piece.size());
    return g.pair;
}

void Rewriter::sourceCharacter(std::size_t start, std::size_t end, int code, Form form, bool keepable) {
    if (checking()) {
        usedSourceFonts_.insert(fontNumber());
        if (everySourceFontUsed()) {
            // Every source font has text: the rest need not be read.
            done_ = true;
            checkedUpTo_ = end;
        }
        return;
    }
    if (unicode_) {
        unicodeCharacter(start, end, code);
        return;
    }
    count(1);
    Pending& p = streams_.back();
    if (p.active && resolve(p, code)) {
        drop(start, end);
        return;
    }
    if (code < 0) return;  // a character the font has no code for stays as it is
    copyUpTo(start);
    p.active = true;
    p.code = std::uint8_t(code);
    p.form = form;
    p.afterBareWord = start == bareWordEnd_;
    p.keepable = keepable;
    p.unicodeSkip = state_.unicodeSkip;
    p.start = start;
    p.end = end;
    p.holdAt = written();
    copied_ = end;
}

void Rewriter::otherCharacter(std::size_t start, std::size_t end, char16_t value) {
    Pending& p = streams_.back();
    if (unicode_) {
        endStretch(p);  // another font ends a stretch
        return;
    }
    if (!p.active) return;
    if (resolve(p, value)) {
        count(1);
        drop(start, end);
    }
}

void Rewriter::character(std::size_t start, std::size_t end, char16_t value, int code, Form form) {
    if (state_.kind != Kind::Text) return;
    if (font().source) sourceCharacter(start, end, code, form);
    else if (!checking()) otherCharacter(start, end, value);
    else if (value >= 0x20) noteTextFont();
}

void Rewriter::endStream() {
    if (checking()) return;
    if (unicode_) endStretch(streams_.back());
    else if (streams_.back().active) resolve(streams_.back(), kEnd);
}

void Rewriter::unicodeCharacter(std::size_t start, std::size_t end, int code) {
    Pending& p = streams_.back();
    count(1);
    // Breaks and tabs end a syllable anyway; they stay as they are, and so does a
    // character the font has no code for.
    if (code < 0x20) {
        endStretch(p);
        return;
    }
    stretchIn(p);
    copyUpTo(start);
    const auto c = std::uint8_t(code);
    if (start == starEnd_) p.stretch.afterStar.push_back(p.stretch.codes.size());
    p.stretch.add(&c, 1, state_.format, &start, &end, written());
    copied_ = end;
    if (p.stretch.codes.size() >= kLongStretch && p.stretch.font->endsSyllables(c)) endStretch(p);
}

// Converts the stretch and puts what stands at each character where it stood: a
// syllable at its base glyph, with that glyph's formatting; codes with no value as they
// were. The output from the stretch's first place on is laid out again.
void Rewriter::endStretch(Pending& p) {
    UnicodeStretch& s = p.stretch;
    if (s.empty()) return;
    const std::size_t first = s.holdAt() - base_;
    const std::string_view tail = std::string_view(out_).substr(first);
    if (output_ && !anyHolds(&p)) {
        // Nothing before the stretch waits: the output so far goes on, with the stretch
        // for the output thread to lay out, or laid out here when that thread is behind.
        OutputItem item = output_->take();
        item.bytes.append(std::string_view(out_).substr(0, first));
        if (output_->behind()) {
            const std::size_t kept = layOutStretch(s, input_, tail, base_ + first, item.bytes, stretchText_, unicodeFontNumber());
            unknown_ += kept;
            converted_ -= kept;
            keptBy_[legacyFontIndex(*s.font)] += kept;
            s.clear();
        } else {
            item.tail.append(tail);
            item.origin = base_ + first;
            std::swap(item.stretch, s);
        }
        base_ += out_.size();
        out_.clear();
        output_->put(std::move(item));
        return;
    }
    // A footnote's stretch inside a paragraph: laid out here, it goes out with the
    // paragraph's tail.
    laidOut_.clear();
    const std::size_t kept = layOutStretch(s, input_, tail, base_ + first, laidOut_, stretchText_, unicodeFontNumber());
    unknown_ += kept;
    converted_ -= kept;
    keptBy_[legacyFontIndex(*s.font)] += kept;
    s.clear();
    out_.resize(first);
    out_.append(laidOut_.view());
}

void Rewriter::finishUnicode(std::size_t end) {
    if (!unicodeOpen_) return;
    unicodeOpen_ = false;
    const char16_t v = unicodeValue_;
    const int savedSkip = state_.unicodeSkip;
    state_.unicodeSkip = unicodeSkipAtStart_;
    if (state_.kind == Kind::FontTable) {
        nameCharacter(unicodeStart_, end, v);
    } else if (state_.kind == Kind::Text) {
        // Producers write a symbol font's code c as U+F000 + c.
        const bool privateCode = v >= 0xF020 && v <= 0xF0FF;
        if (font().source) {
            // U+F0xx reads as code xx only in a symbol font, which the target font is not.
            sourceCharacter(unicodeStart_, end, privateCode ? v - 0xF000 : encodeCp1252(v), Form::Unicode,
                            !privateCode);
        } else if (checking()) {
            if (v >= 0x20) noteTextFont();
        } else {
            otherCharacter(unicodeStart_, end,
                           privateCode && font().symbol ? decodeCp1252(std::uint8_t(v - 0xF000)) : v);
        }
    }
    state_.unicodeSkip = savedSkip;
}

// One fallback character of a \uN has been skipped; it ends at `end`.
void Rewriter::consumeFallback(std::size_t end) {
    if (--skip_ == 0) finishUnicode(end);
}

void Rewriter::nameCharacter(std::size_t start, std::size_t end, char16_t value) {
    if (value == ';') {
        commitFontEntry();
        return;
    }
    entryOpen_ = true;
    if (entryName_.empty() && value == ' ') return;
    if (entryName_.empty()) {
        // The name's first character: where a source font's entry is renamed.
        nameAt_ = start;
        // Past where the check stopped, a later font table's source-font entry is renamed
        // too: text after it may use it.
        renaming_ = !checking() && !unicode_ &&
                    (std::binary_search(renamed_->begin(), renamed_->end(), start) ||
                                    (start > checkedUpTo_ && isSourceFont(nameAhead(start))));
        if (renaming_) {
            // The target font's codes are Windows-1252, whatever charset the entry had.
            std::string name = entryCharset_ != kAnsiCharset ? "\\fcharset0 " : start == bareWordEnd_ ? " " : "";
            name += kTargetFontName;
            replace(start, end, name);
        }
    } else if (renaming_) {
        drop(start, end);
    }
    entryName_.push_back(value < 0x80 ? char(value) : '?');  // only ASCII tells a source font
    if (checking()) appendUtf8(entryDisplayName_, value);
}

// The first letters of a font name that starts at `at`, read ahead in plain bytes,
// \'hh and \uN, for deciding at its first letter what becomes of it.
std::string Rewriter::nameAhead(std::size_t at) const {
    std::string name;
    while (at < input_.size() && name.size() < kSourceFontPrefix.size()) {
        const char c = input_[at];
        if (c == ';' || c == '{' || c == '}') break;
        if (c != '\\') {
            if (c != '\r' && c != '\n') name += c;
            ++at;
            continue;
        }
        if (at + 3 < input_.size() && input_[at + 1] == '\'') {
            const int hi = RtfTokenizer::hexDigit(input_[at + 2]), lo = RtfTokenizer::hexDigit(input_[at + 3]);
            if (hi < 0 || lo < 0) break;
            name += char(hi * 16 + lo);
            at += 4;
            continue;
        }
        std::size_t digits = at + 2;
        while (digits < input_.size() && isDigit(input_[digits])) ++digits;
        if (at + 1 >= input_.size() || input_[at + 1] != 'u' || digits == at + 2) break;
        const int value = std::atoi(std::string(input_.substr(at + 2, std::min<std::size_t>(digits - at - 2, 6))).c_str());
        name += value > 0 && value < 0x80 ? char(value) : '?';
        at = digits + (digits < input_.size() && input_[digits] == ' ') + state_.unicodeSkip;
    }
    return name;
}

void Rewriter::commitFontEntry() {
    if (!entryOpen_ || !entryNumbered_) {
        // An entry with no name, or with no font number to give it, defines nothing,
        // and what it said is not handed on to the next one.
        entryOpen_ = entryNumbered_ = false;
        entryDisplayName_.clear();
        entryCharset_ = kNoCharset;
        entryName_.clear();
        return;
    }
    while (!entryName_.empty() && entryName_.back() == ' ') entryName_.pop_back();
    FontInfo info;
    info.legacy = legacyFontNamed(entryName_);
    info.legacyIndex = info.legacy ? std::uint8_t(legacyFontIndex(*info.legacy)) : 0;
    info.source = unicode_ ? info.legacy != nullptr : info.legacy == &panchariFont();
    // The source font's text is its own 8-bit codes, whatever charset its entry names.
    const int cp = info.source ? 1252 : codePageOfCharset(entryCharset_);
    info.doubleByte = isDoubleByteCodePage(cp);
    info.upperHalf = codePageUpperHalf(info.doubleByte ? 1252 : cp);
    if (!info.upperHalf) info.upperHalf = codePageUpperHalf(1252);
    info.symbol = entryCharset_ == kSymbolCharset;
    if (!state_.offBody) fonts_[entryNumber_] = info;  // a later entry of the same number wins
    if (checking() && info.source) sourceEntries_.emplace_back(entryNumber_, nameAt_);
    if (checking() && !state_.offBody) {
        while (!entryDisplayName_.empty() && entryDisplayName_.back() == ' ') entryDisplayName_.pop_back();
        fontNames_[entryNumber_] = entryDisplayName_;
    }
    entryDisplayName_.clear();
    entryOpen_ = entryNumbered_ = false;
    entryName_.clear();
    entryCharset_ = kNoCharset;
    renaming_ = false;
    fontDirty_ = true;
}

void Rewriter::fontTableWord(const RtfToken& t, RtfWord w) {
    if (w == RtfWord::Font) {
        commitFontEntry();
        entryOpen_ = entryNumbered_ = true;
        entryNumber_ = t.parameter;
    } else if (w == RtfWord::FontCharset) {
        entryCharset_ = t.parameter;
    }
}

void Rewriter::controlWord(const RtfToken& t) {
    const std::size_t end = tokens_.offset();
    const bool starred = state_.starred;
    state_.starred = false;
    RtfWordMeaning meaning = lookUpRtfWord(t.word);
    // \u without its number names no character; \rtf and \ansi say nothing here.
    if ((meaning.word == RtfWord::Unicode && !t.hasParameter) || meaning.word == RtfWord::Rtf ||
        meaning.word == RtfWord::Ansi)
        meaning = {};
    if (skip_ > 0 && meaning.word != RtfWord::Unicode) {
        consumeFallback(end);  // a control word standing as a \u fallback character
        return;
    }
    if (meaning.word == RtfWord::Unknown) {
        // An ignorable destination nobody here knows: its text is converted too (some
        // producers keep headers and footers in such groups), each as a stream of its own.
        if (starred) {
            state_.offBody = true;
            if (state_.kind == Kind::Text) {
                openStream();
            } else if (state_.kind == Kind::FontTable) {
                state_.kind = Kind::NonText;
            }
        }
        return;
    }
    const RtfWord w = meaning.word;
    const int param = t.parameter;
    switch (w) {
    case RtfWord::Char:
        character(t.offset, end, meaning.value, encodeCp1252(meaning.value), Form::Text);
        break;
    case RtfWord::FootnoteNumber:
        // The mark's digits are the same in both fonts; it stays as it is.
        character(t.offset, end, meaning.value, -1, Form::Text);
        break;
    case RtfWord::Unicode:
        finishUnicode(t.offset);
        unicodeOpen_ = state_.kind == Kind::Text || state_.kind == Kind::FontTable;
        unicodeStart_ = t.offset;
        unicodeValue_ = char16_t(param < 0 ? param + 65536 : param);
        unicodeSkipAtStart_ = state_.unicodeSkip;
        skip_ = state_.unicodeSkip;
        if (skip_ == 0) finishUnicode(end);
        break;
    case RtfWord::UnicodeSkip:
        state_.unicodeSkip = param < 0 ? 0 : param > 16 ? 16 : param;
        break;
    case RtfWord::Font:
        if (state_.kind == Kind::FontTable) {
            fontTableWord(t, w);
        } else {
            state_.font = param < 0 ? 0 : param;
            fontDirty_ = true;
        }
        break;
    case RtfWord::FontCharset:
        if (state_.kind == Kind::FontTable) fontTableWord(t, w);
        break;
    case RtfWord::DefaultFont:
        defaultFont_ = param;
        fontDirty_ = true;
        break;
    case RtfWord::Plain:
        state_.font = -1;
        state_.format = Format{};
        fontDirty_ = true;
        break;
    case RtfWord::AnsiCodePage:
        if (param == 10001) ansiCodePage_ = 932;
        else if (codePageUpperHalf(param) || isDoubleByteCodePage(param)) ansiCodePage_ = param;
        fontDirty_ = true;
        break;
    case RtfWord::Mac:
        ansiCodePage_ = 10000;
        fontDirty_ = true;
        break;
    case RtfWord::Pc:
        ansiCodePage_ = 437;
        fontDirty_ = true;
        break;
    case RtfWord::Pca:
        ansiCodePage_ = 850;
        fontDirty_ = true;
        break;
    case RtfWord::Unknown:
    case RtfWord::Rtf:
    case RtfWord::Ansi:
        break;  // taken as unknown above
    // Destinations change what a group holds as the reader takes them, so that both
    // see the same text; the font table's entries are no place for a stream.
    case RtfWord::FontTable:
        if (state_.kind == Kind::Text || state_.kind == Kind::Object) state_.kind = Kind::FontTable;
        else if (state_.kind == Kind::Container) state_.kind = Kind::NonText;
        break;
    case RtfWord::Data:
        state_.kind = Kind::NonText;
        break;
    case RtfWord::Container:
        state_.offBody = true;
        if (state_.kind == Kind::Text || state_.kind == Kind::Object) state_.kind = Kind::Container;
        else if (state_.kind == Kind::FontTable) state_.kind = Kind::NonText;
        break;
    case RtfWord::Object:
        if (state_.kind == Kind::Text || state_.kind == Kind::FontTable) state_.kind = Kind::Object;
        break;
    case RtfWord::NewStream:
        state_.offBody = true;
        if (state_.kind == Kind::Text || state_.kind == Kind::Container || state_.kind == Kind::Object) {
            state_.kind = Kind::Text;
            openStream();
        } else if (state_.kind == Kind::FontTable) {
            state_.kind = Kind::NonText;
        }
        break;
    case RtfWord::SameStream:
        if (state_.kind == Kind::Object || state_.kind == Kind::FontTable) state_.kind = Kind::Text;
        break;
    case RtfWord::ObjectResult:
        if (state_.kind == Kind::Object) state_.kind = Kind::Text;
        break;
    case RtfWord::Bold:
        state_.format.bold = !t.hasParameter || param != 0;
        break;
    case RtfWord::Italic:
        state_.format.italic = !t.hasParameter || param != 0;
        break;
    case RtfWord::UnderlineOn:
        state_.format.underline = !t.hasParameter || param != 0;
        break;
    case RtfWord::UnderlineOff:
        state_.format.underline = false;
        break;
    case RtfWord::FontSize:
        state_.format.size = t.hasParameter && param > 0 ? param : 24;
        break;
    }
}

void Rewriter::controlSymbol(const RtfToken& t) {
    const std::size_t end = tokens_.offset();
    if (t.symbol == '*') {
        // \* marks an ignorable destination only where a group begins.
        state_.starred = groupStart_;
        if (state_.starred) starEnd_ = end;
        return;
    }
    if (skip_ > 0) {
        consumeFallback(end);
        return;
    }
    char16_t value = 0;
    switch (t.symbol) {
    case '\\':
    case '{':
    case '}':
        value = char16_t(t.symbol);
        if (state_.kind == Kind::FontTable) {
            nameCharacter(t.offset, end, value);
            return;
        }
        break;
    case '~': value = u'\u00A0'; break;
    case '-': value = u'\u00AD'; break;
    case '_': value = u'\u2011'; break;
    case '\r':
    case '\n': value = kParagraphBreak; break;
    case '\t': value = kTab; break;
    default: return;
    }
    character(t.offset, end, value, encodeCp1252(value), Form::Text);
}

void Rewriter::textBytes(std::size_t offset, std::string_view bytes) {
    if (skip_ > 0) {
        const std::size_t n = std::min<std::size_t>(bytes.size(), std::size_t(skip_));
        skip_ -= int(n) - 1;
        consumeFallback(offset + n);
        offset += n;
        bytes.remove_prefix(n);
    }
    if (bytes.empty()) return;
    switch (state_.kind) {
    case Kind::Text:
        if (font().source) {
            tokens_.seek(offset);
            sourceText();
        } else if (checking()) {
            if (std::any_of(bytes.begin(), bytes.end(), [](char b) { return std::uint8_t(b) >= 0x20; }))
                noteTextFont();
        } else if (waiting()) {
            // Only the first character can complete a pair with the pending one.
            for (std::size_t i = 0; i < bytes.size(); ++i) {
                const auto b = std::uint8_t(bytes[i]);
                if (b < 0x20 && b != '\t') continue;  // stray control bytes are not text
                const FontInfo& f = font();
                otherCharacter(offset + i, offset + i + 1,
                               f.doubleByte && b >= 0x80 ? u'\uFFFD' : decodeByte(f.upperHalf, b));
                break;
            }
        }
        break;
    case Kind::FontTable:
        for (std::size_t i = 0; i < bytes.size(); ++i)
            nameCharacter(offset + i, offset + i + 1, char16_t(std::uint8_t(bytes[i])));
        break;
    default:
        break;
    }
}

// Source-font text: plain bytes, \'hh and \uN with its fallback, read on without a
// token for each, since they are most of a document typed in the font. Characters are
// taken in batches so that each one's replacement is looked up with the next one
// already known. `afterUnit`: reading goes on right after a \uN and its fallback.
//
// A replacement that equals its character keeps the character's own bytes where the
// character waited for the one after it: at the end of the text, before a \uN, at
// every 1024th character of plain text, and right after a \uN for a \'hh (which is
// then left to the general reading). Elsewhere its bytes are written anew.
void Rewriter::sourceText(bool afterUnit) {
    constexpr std::size_t kBatch = 1024;
    // Hex digit values, 0xFF for anything else.
    static const auto kHex = [] {
        std::array<std::uint8_t, 256> t{};
        t.fill(0xFF);
        for (int c = 0; c < 256; ++c) {
            const int v = RtfTokenizer::hexDigit(char(c));
            if (v >= 0) t[std::size_t(c)] = std::uint8_t(v);
        }
        return t;
    }();
    std::uint8_t codes[kBatch];
    std::size_t starts[kBatch], ends[kBatch];
    // How each character was written: as text or \'hh, or as \uN (its own bytes kept
    // where it maps to itself, or not, for a symbol font's U+F0xx).
    enum Written : std::uint8_t { AsText, AsUnicode, AsPrivateUnicode, AsSymbol };
    Written form[kBatch];
    std::size_t textCount = 0;  // characters of text since the start or the last \uN
    bool keep[kBatch];          // text whose own bytes stay where it maps to itself
    std::size_t lastUnit = 0;   // the batch's last \uN, where anyUnit
    bool anyUnit = false;       // the batch has a \uN
    bool keepLast = false;      // the last batch's last character's keep
    const bool units = state_.unicodeSkip == 1;  // \uN takes one fallback character
    const char* const begin = input_.data();
    const char* p = begin + tokens_.offset();
    const char* const end = begin + input_.size();
    bool more = true, continued = false;
    while (more && !done_) {
        std::size_t n = 0;
        more = false;
        // Plain text that began a batch where reading began or 1024 characters after
        // it, and has no \uN: each character but the last is written anew.
        const std::size_t startCount = textCount;
        const bool plainBatch = startCount % kBatch == 0;
        anyUnit = false;
        while (p < end) {
            const char c = *p;
            // Plain bytes and \'hh mix at random in typed text: take both without a
            // branch on which it is; anything else leaves the loop.
            if (end - p >= 4 && !afterUnit) {
                const bool escaped = c == '\\';
                const std::uint8_t hi = kHex[std::uint8_t(p[2])], lo = kHex[std::uint8_t(p[3])];
                const bool hexOk = p[1] == '\'' && (hi | lo) < 16;
                const bool plainOk = std::uint8_t(c) >= 0x20 && c != '{' && c != '}';
                if (escaped ? hexOk : plainOk) {
                    codes[n] = escaped ? std::uint8_t(hi << 4 | lo) : std::uint8_t(c);
                    form[n] = AsText;
                    starts[n] = std::size_t(p - begin);
                    p += escaped ? 4 : 1;
                    ends[n++] = std::size_t(p - begin);
                    if (n == kBatch) {
                        more = true;
                        break;
                    }
                    continue;
                }
            }
            if (c == '\\' && unicode_ && !checking() && p + 1 < end && (p[1] == '\\' || p[1] == '{' || p[1] == '}')) {
                // \\, \{ and \} are characters too; to Unicode they go one by one, as
                // the general reading takes them.
                codes[n] = std::uint8_t(p[1]);
                form[n] = AsSymbol;
                starts[n] = std::size_t(p - begin);
                p += 2;
                afterUnit = false;
            } else if (c == '\\' && p + 1 < end && p[1] == 'u') {
                char16_t v;
                const char* after;
                if (!units || !unicodeUnit(p, end, v, after)) break;
                // Producers write a symbol font's code c as U+F000 + c; it reads as code
                // c only in a symbol font, which the target font is not.
                const bool privateCode = v >= 0xF020 && v <= 0xF0FF;
                const int code = privateCode ? v - 0xF000 : encodeCp1252(v);
                if (code < 0x20) break;
                codes[n] = std::uint8_t(code);
                form[n] = privateCode ? AsPrivateUnicode : AsUnicode;
                starts[n] = std::size_t(p - begin);
                p = after;
                lastUnit = n;
                afterUnit = anyUnit = true;
            } else if (c == '\\') {
                if (afterUnit || end - p < 4 || p[1] != '\'') break;
                const int hi = RtfTokenizer::hexDigit(p[2]), lo = RtfTokenizer::hexDigit(p[3]);
                if (hi < 0 || lo < 0) break;
                codes[n] = std::uint8_t(hi * 16 + lo);
                form[n] = AsText;
                starts[n] = std::size_t(p - begin);
                p += 4;
            } else if (c == '{' || c == '}') {
                break;
            } else {
                const auto b = std::uint8_t(c);
                ++p;
                if (b < 0x20 && b != '\t') {  // line ends and stray control bytes are not text
                    if (b != '\r' && b != '\n') afterUnit = false;
                    continue;
                }
                codes[n] = b;
                form[n] = AsText;
                starts[n] = std::size_t(p - 1 - begin);
                afterUnit = false;
            }
            ends[n++] = std::size_t(p - begin);
            if (n == kBatch) {
                more = true;
                break;
            }
        }
        if (n == 0) break;
        textCount = anyUnit ? n - lastUnit - 1 : startCount + n;
        const bool wasContinued = continued;
        continued = more;
        if (checking()) {
            sourceCharacter(starts[0], ends[0], codes[0], Form::Text);
            continue;
        }
        if (unicode_) {
            // Text and \'hh alone, with nothing between: straight into the stretch.
            Pending& stream = streams_.back();
            for (std::size_t k = 0; k < n;) {
                if (codes[k] < 0x20 || starts[k] != copied_ || form[k] != AsText) {
                    unicodeCharacter(starts[k], ends[k], codes[k]);
                    ++k;
                    continue;
                }
                // Characters with nothing between them share one place and format.
                std::size_t m = k + 1;
                while (m < n && codes[m] >= 0x20 && starts[m] == ends[m - 1] && form[m] == AsText) ++m;
                if (starts[k] == starEnd_) stream.stretch.afterStar.push_back(stream.stretch.codes.size());
                stretchIn(stream);
                stream.stretch.add(codes + k, m - k, state_.format, starts + k, ends + k, written());
                count(m - k);
                copied_ = ends[m - 1];
                k = m;
                if (stream.stretch.codes.size() >= kLongStretch && stream.stretch.font->endsSyllables(codes[m - 1]))
                    endStretch(stream);
            }
            continue;
        }
        count(n);
        std::size_t i = 0;
        Pending& pending = streams_.back();
        // The last batch's last character, in the middle of plain text, is written anew,
        // and line ends between it and a character it takes in go with that character.
        const bool midText = wasContinued && pending.active && pending.form == Form::Text && form[0] == AsText;
        if (midText) pending.keepable = keepLast;
        if (pending.active && resolve(pending, codes[0])) {
            if (midText && !keepLast) copied_ = ends[0];
            else drop(starts[0], ends[0]);
            i = 1;
        }
        const std::size_t at = out_.size();
        char* w;
        if (plainBatch && !anyUnit) {
            // Room for every gap and every replacement (at most 12 bytes) before it is written.
            out_.resize(at + (ends[n - 1] - std::min(copied_, ends[n - 1])) + 12 * n + 16);
            w = out_.data() + at;
            const auto& table = textReplacements().table;
            for (; i + 1 < n; ++i) {
                if (starts[i] != copied_) {  // line ends between characters
                    std::memcpy(w, begin + copied_, starts[i] - copied_);
                    w += starts[i] - copied_;
                }
                const TextReplacement& r = table[starts[i] == bareWordEnd_][codes[i]][followingColumn(codes[i + 1])];
                std::memcpy(w, r.bytes, sizeof r.bytes);
                w += r.length;
                copied_ = ends[i];
                if (r.pair) copied_ = ends[++i];  // the following character is taken in
            }
        } else {
            // The same with \uN among the characters; at most 32 bytes each. Text waited
            // for the next character at every 1024th since the start or the last \uN.
            for (std::size_t k = 0, count = startCount; k < n; ++k) {
                keep[k] = form[k] == AsText && count % kBatch == kBatch - 1;
                count = form[k] == AsText ? count + 1 : 0;
            }
            out_.resize(at + (ends[n - 1] - std::min(copied_, ends[n - 1])) + 32 * n + 16);
            w = out_.data() + at;
        }
        for (; i + 1 < n; ++i) {
            if (starts[i] != copied_) {  // line ends between characters
                std::memcpy(w, begin + copied_, starts[i] - copied_);
                w += starts[i] - copied_;
            }
            const bool text = form[i] == AsText;
            const char* bytes;
            std::size_t length;
            bool same, pair;
            if (text) {
                const TextReplacement& r = textReplacement(starts[i] == bareWordEnd_, codes[i], codes[i + 1]);
                bytes = r.bytes, length = r.length, same = r.same, pair = r.pair;
            } else {
                const UnicodeReplacement& r = unicodeReplacement(codes[i], codes[i + 1]);
                bytes = r.bytes, length = r.length, same = r.same, pair = r.pair;
            }
            // A character that waited for the next one (see above) keeps its own bytes
            // where it maps to itself, and the line ends before a character it takes in.
            const bool waited = !text || form[i + 1] != AsText || keep[i];
            if (same && waited && form[i] != AsPrivateUnicode) {  // unchanged: its own bytes
                std::memcpy(w, begin + starts[i], ends[i] - starts[i]);
                w += ends[i] - starts[i];
            } else {
                std::memcpy(w, bytes, text ? sizeof(TextReplacement::bytes) : sizeof(UnicodeReplacement::bytes));
                w += length;
            }
            copied_ = ends[i];
            if (pair) {  // the following character is taken in
                if (waited && starts[i + 1] != copied_) {
                    std::memcpy(w, begin + copied_, starts[i + 1] - copied_);
                    w += starts[i + 1] - copied_;
                }
                copied_ = ends[++i];
            }
        }
        out_.resize(std::size_t(w - out_.data()));
        if (i < n) {
            // The batch's last character waits for the one after it.
            copyUpTo(starts[i]);
            pending.active = true;
            pending.code = codes[i];
            pending.form = form[i] == AsText ? Form::Text : Form::Unicode;
            pending.afterBareWord = starts[i] == bareWordEnd_;
            pending.keepable = form[i] != AsPrivateUnicode;
            pending.unicodeSkip = state_.unicodeSkip;
            pending.start = starts[i];
            pending.end = ends[i];
            pending.holdAt = written();
            copied_ = pending.end;
            keepLast = plainBatch && !anyUnit ? (startCount + i) % kBatch == kBatch - 1 : keep[i];
        }
    }
    tokens_.seek(std::size_t(p - begin));
}

void Rewriter::flush(bool all) {
    if (checking()) return;
    std::size_t limit = out_.size();
    for (const Pending& p : streams_) {
        if (p.holds()) {
            limit = (p.active ? p.holdAt : p.stretch.holdAt()) - base_;
            break;
        }
    }
    if (!all && limit < (std::size_t(1) << 15)) return;
    if (limit == 0) return;
    if (output_) {
        OutputItem item = output_->take();
        item.bytes.append(std::string_view(out_).substr(0, limit));
        output_->put(std::move(item));
    } else {
        (*sink_)(std::string_view(out_).substr(0, limit));
    }
    out_.erase(0, limit);
    base_ += limit;
}

RewriteResult Rewriter::run() {
    if (!startsAsRtf(input_)) {
        RewriteResult r;
        r.ok = false;
        r.description = "not an RTF document";
        return r;
    }
    out_.reserve(kOutputRoom);
    if (unicode_ && !checking()) {
        auto findFontNumber = [this] {
            try {
                const int highest = highestNamedFont(input_);
                fontNumberFound_.set_value(highest < std::numeric_limits<int>::max() ? highest + 1 : highest);
            } catch (...) {
                fontNumberFound_.set_exception(std::current_exception());
                throw;
            }
        };
        std::shared_future<int> number = fontNumber_;
        try {
            output_ = std::make_unique<OrderedOutput<OutputItem>>(
                *sink_, findFontNumber, [this, number](OutputItem& item, ByteBuffer& out) {
                    out.append(item.bytes.view());
                    if (item.fontEntry) out.append(unicodeFontEntry(unicodeFont_, number.get()));
                    if (!item.stretch.empty())
                        outputKeptBy_[legacyFontIndex(*item.stretch.font)] +=
                            layOutStretch(item.stretch, input_, item.tail.view(), item.origin, out, outputStretch_,
                                              number.get());
                    item.bytes.clear();
                    item.fontEntry = false;
                    item.stretch.clear();
                    item.tail.clear();
                });
        } catch (const std::system_error&) {
            // No threads to be had: all of it is done here, as a footnote's stretch is.
            findFontNumber();
        }
    }
    while (!done_) {
        const RtfToken t = tokens_.next();
        const bool afterBrace = t.kind == RtfToken::Kind::GroupStart;
        // \* names the control word right after it; anything else in between, a group
        // included, leaves it without meaning.
        if (t.kind != RtfToken::Kind::ControlWord && !(t.kind == RtfToken::Kind::ControlSymbol && t.symbol == '*'))
            state_.starred = false;
        switch (t.kind) {
        case RtfToken::Kind::End:
            done_ = true;
            break;
        case RtfToken::Kind::Error:
            if (stack_.empty()) {
                // Damage after the document has closed: copied as it stands.
                done_ = true;
                break;
            }
            return fail(t.offset, t.error);
        case RtfToken::Kind::GroupStart:
            if (skip_ > 0) {
                skip_ = 0;
                finishUnicode(t.offset);
            }
            if (stack_.size() >= kMaxGroupDepth)
                return fail(t.offset, "groups are nested more than " + std::to_string(kMaxGroupDepth) + " deep");
            stack_.push_back(state_);
            state_.starred = false;
            break;
        case RtfToken::Kind::GroupEnd:
            if (skip_ > 0) {
                skip_ = 0;
                finishUnicode(t.offset);
            }
            if (stack_.empty()) break;  // one '}' too many: copied, and reading goes on
            if (state_.kind == Kind::FontTable) {
                commitFontEntry();
                if (unicode_ && !checking() && !unicodeFontWritten_ && !state_.offBody && stack_.size() >= 2 &&
                    stack_.back().kind != Kind::FontTable) {
                    // The Unicode font joins the end of the font table (a group of its
                    // own, not a document that is its own font table).
                    copyUpTo(t.offset);
                    if (output_ && !anyHolds()) {
                        // The output thread writes it, once it knows the number.
                        OutputItem item = output_->take();
                        item.bytes.append(out_);
                        item.fontEntry = true;
                        base_ += out_.size();
                        out_.clear();
                        output_->put(std::move(item));
                    } else {
                        out_ += unicodeFontEntry(unicodeFont_, unicodeFontNumber());
                    }
                    unicodeFontWritten_ = true;
                }
            }
            if (stack_.back().stream != state_.stream) {
                endStream();
                streams_.pop_back();
            }
            state_ = stack_.back();
            stack_.pop_back();
            fontDirty_ = true;
            // Text after the last brace reads on in the body, for readers and so here too.
            break;
        case RtfToken::Kind::ControlWord:
            controlWord(t);
            break;
        case RtfToken::Kind::ControlSymbol:
            controlSymbol(t);
            break;
        case RtfToken::Kind::HexByte:
            if (skip_ > 0) {
                consumeFallback(t.offset + 4);
                // A \uN whose fallback this was: the source-font text after it reads on
                // without a token per character.
                if (skip_ == 0 && state_.kind == Kind::Text && !done_ && font().source) sourceText(true);
            } else if (state_.kind == Kind::FontTable) {
                nameCharacter(t.offset, t.offset + 4, decodeCp1252(t.byte));
            } else if (state_.kind == Kind::Text) {
                if (font().source) {
                    sourceCharacter(t.offset, t.offset + 4, t.byte, Form::Text);
                    sourceText();
                } else if (checking()) {
                    noteTextFont();
                } else if (waiting()) {
                    const FontInfo& f = font();
                    otherCharacter(t.offset, t.offset + 4,
                                   f.doubleByte && t.byte >= 0x80 ? u'\uFFFD' : decodeByte(f.upperHalf, t.byte));
                }
            }
            break;
        case RtfToken::Kind::Text:
            state_.starred = false;
            textBytes(std::size_t(t.data.data() - input_.data()), t.data);
            break;
        case RtfToken::Kind::Binary:
            if (skip_ > 0) consumeFallback(tokens_.offset());
            break;
        }
        groupStart_ = afterBrace;
        // A control word that ends without a space runs into a letter or digit after it.
        if (t.kind == RtfToken::Kind::ControlWord && tokens_.offset() > 0 && input_[tokens_.offset() - 1] != ' ')
            bareWordEnd_ = tokens_.offset();
        if (!checking() && (out_.size() >= kChunk || tokens_.offset() - copied_ >= kChunk)) {
            if (!unicodeOpen_) copyUpTo(tokens_.offset());
            flush(false);
        }
    }
    if (checking()) return {};
    finishUnicode(input_.size());
    while (streams_.size() > 1) {
        endStream();
        streams_.pop_back();
    }
    endStream();
    copyUpTo(input_.size());
    flush(true);
    if (output_) {
        output_->finish();
        output_.reset();
        for (std::size_t kept : outputKeptBy_) {
            unknown_ += kept;
            converted_ -= kept;
        }
    }
    RewriteResult r;
    r.converted = converted_;
    r.unknown = unknown_;
    for (std::size_t f = 0; f < convertedBy_.size(); ++f)
        r.convertedByFont.push_back(convertedBy_[f] - keptBy_[f] - outputKeptBy_[f]);
    return r;
}

}  // namespace

RewriteResult RtfRewrite::check() {
    Rewriter checker(rtf_, nullptr, nullptr, options_);
    checkResult_ = checker.run();
    checked_ = true;
    if (checkResult_) {
        // Unicode text leaves the source font's entry as it is: codes with no Unicode
        // value stay in it.
        if (!options_.unicode) renamedEntries_ = checker.renamedEntries();
        unchanged_ = !checker.anySourceText();
        checkedUpTo_ = checker.checkedUpTo();
        if (unchanged_) checkResult_.textFonts = checker.textFonts();
    }
    return checkResult_;
}

RewriteResult RtfRewrite::write(const RtfSink& sink) {
    if (!checked_) check();
    if (!checkResult_) return checkResult_;
    if (unchanged_) {
        // Nothing in the source font: the output is the input, byte for byte.
        for (std::size_t at = 0; at < rtf_.size(); at += std::size_t(1) << 20)
            sink(rtf_.substr(at, std::size_t(1) << 20));
        return {};
    }
    Rewriter writer(rtf_, &sink, &renamedEntries_, options_, checkedUpTo_);
    return writer.run();
}

}  // namespace tolvarin

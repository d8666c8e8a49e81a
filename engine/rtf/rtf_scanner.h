// The one reading of RTF's structure: groups and what each destination holds, the \*
// rule, \ucN and the fallbacks of \uN, code pages, the font table and its charsets, the
// character formatting, and the limits on damaged input. Its consumers (the window's
// reader, the converter's check and its writer) are handed characters with the bytes
// they stand in, and never read the RTF themselves.
//
// A consumer derives from RtfScanHandler and hides the calls it cares about; they are
// resolved at compile time, so that the reading of a large document stays one tight
// loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "text/characters.h"
#include "rtf/rtf_font_table.h"
#include "rtf/rtf_state.h"
#include "rtf/rtf_text_batch.h"
#include "rtf/rtf_tokenizer.h"
#include "rtf/rtf_vocabulary.h"

namespace tolvarin {

struct ScanResult {
    bool ok = true;
    std::size_t offset = 0;   // on failure: where reading stopped
    std::string description;  // on failure: for a person

    explicit operator bool() const { return ok; }
};

// What the scanner tells a consumer; each does nothing unless the consumer hides it.
// Characters come only where the group is a text stream; [start, end) are the bytes
// they stand in.
struct RtfScanHandler {
    // Whether text in `font` (nullptr: not a legacy font) is what the consumer converts.
    bool isSource(const LegacyFont* /*font*/) const { return false; }
    void token(const RtfToken&) {}  // before each token is taken
    void afterToken() {}
    void text(std::size_t /*offset*/, std::string_view /*bytes*/) {}  // plain bytes, line ends removed
    void hexByte(std::size_t /*offset*/, std::uint8_t) {}              // \'hh, four bytes at offset
    void character(std::size_t, std::size_t, char16_t) {}              // \par, \tab, \~ and the like
    void literal(std::size_t, std::size_t, char) {}                    // \\, \{ and \}: text bytes
    void footnoteMark(std::size_t, std::size_t) {}                     // \chftn
    // \uN, once its fallback is passed; `readOn`: the fallback was a \'hh and plain text
    // may go on right after it.
    void unicode(std::size_t, std::size_t, char16_t, bool /*readOn*/) {}
    void streamOpened() {}  // a header, a note, shape text ...: a text stream of its own
    void streamClosed() {}  // the innermost one ends
    // A font-table entry's name: its first character, and each one after it.
    void fontNameStarts(std::size_t, std::size_t) {}
    void fontNameGoesOn(std::size_t, std::size_t) {}
    // An entry read whole; off the body it defines nothing. `nameAt`: its name's start.
    void fontEntry(int /*number*/, const ScannedFont&, bool /*offBody*/, std::size_t /*nameAt*/) {}
    void fontTableEnds(std::size_t /*offset*/) {}  // at the closing brace of the body's font table
};

template <class Handler>
class RtfScanner {
public:
    RtfScanner(std::string_view input, Handler& handler) : input_(input), tokens_(input), handler_(handler) {}

    // Reads to the end of the document, to damage, or until stop().
    ScanResult run();
    // Reading stopped at the end or on damage with a \uN's fallback still open: its
    // character is taken as it stands.
    void finish() { finishUnicode(input_.size(), false); }
    void stop() { done_ = true; }

    std::size_t offset() const { return tokens_.offset(); }
    // Goes on from `pos`, for a consumer that has read a stretch of text in batches.
    void seek(std::size_t pos) { tokens_.seek(pos); }
    RtfTokenizer& tokens() { return tokens_; }

    const RtfGroupState& state() const { return state_; }
    // Where the last control word ended, if it ended with no space: a letter or digit
    // right there would run into it.
    std::size_t bareWordEnd() const { return bareWordEnd_; }
    // Where a \* that began a group ended.
    std::size_t starEnd() const { return starEnd_; }
    bool unicodePending() const { return unicodeOpen_; }
    bool inFallback() const { return skip_ > 0; }
    // While a \uN with one fallback character is handed on: whether the characters after
    // it may be read without tokens, where they are written so too (most of a Unicode
    // document's text is), and one such character at `at`, its value and end.
    bool plainUnits() const { return plainUnits_ && state_.destination == RtfDestination::Text; }
    bool plainUnitAt(std::size_t at, char16_t& value, std::size_t& end) const {
        const char* after = nullptr;
        if (at >= input_.size() || !unicodeUnit(input_.data() + at, input_.data() + input_.size(), value, after))
            return false;
        end = std::size_t(after - input_.data());
        return true;
    }

    // The font the text is set in now, and its number.
    const ScannedFont& font() { return fonts_.font(state_.font); }
    int fontNumber() const { return fonts_.fontNumber(state_.font); }
    const std::unordered_map<int, ScannedFont>& fonts() const { return fonts_.fonts(); }
    // Changes whenever the font or formatting of the text may have changed.
    std::uint32_t formatGeneration() const { return generation_; }

    // The font-table entry being read: its charset (RtfFontTable::kNoCharset where it
    // names none) and the ASCII letters of its name so far ('?' for others).
    int entryCharset() const { return fonts_.entryCharset(); }
    const std::string& entryName() const { return fonts_.entryName(); }

    // Source-font text from the current position, read in batches (see rtf_text_batch.h).
    std::size_t readBatch(TextBatch& batch, bool& afterUnit, bool symbols) {
        const std::size_t pos = readTextBatch(input_, tokens_.offset(), batch, afterUnit, symbols,
                                              state_.unicodeSkip == 1);
        tokens_.seek(pos);
        return batch.n;
    }

    // The first `letters` letters of a font name that begins at `at`, read ahead by a
    // scanner of its own: a name is decided at its first letter, before the entry ends.
    std::string peekFontName(std::size_t at, std::size_t letters) const;

private:
    ScanResult fail(std::size_t offset, const std::string& what) const {
        return {false, offset, "damaged RTF at byte " + std::to_string(offset) + ": " + what};
    }
    void controlWord(const RtfToken& t);
    void controlSymbol(const RtfToken& t);
    void textToken(std::size_t offset, std::string_view bytes);
    void groupEnd(const RtfToken& t);
    void openStream() {
        // One stream a group; outside every group the text stays in the body's.
        if (stack_.empty() || stack_.back().stream != state_.stream) return;
        state_.stream = ++streams_;
        handler_.streamOpened();
    }
    void consumeFallback(std::size_t end, bool readOn = false) {
        if (--skip_ == 0) finishUnicode(end, readOn);
    }
    void finishUnicode(std::size_t end, bool readOn);
    void nameCharacter(std::size_t start, std::size_t end, char16_t value);
    void nameByte(std::size_t start, std::size_t end, std::uint8_t byte) {
        nameCharacter(start, end, fonts_.nameByte(byte));
    }
    void commitFontEntry();

    template <class>
    friend class RtfScanner;
    // Look-ahead starts inside a font table, partway through the document.
    RtfScanner(std::string_view input, Handler& handler, std::size_t from, const RtfGroupState& state)
        : input_(input), tokens_(input), handler_(handler), state_(state), lookAhead_(true) {
        tokens_.seek(from);
    }

    std::string_view input_;
    RtfTokenizer tokens_;
    Handler& handler_;

    std::vector<RtfGroupState> stack_;
    RtfGroupState state_;
    std::uint32_t streams_ = 0;
    bool done_ = false;
    bool lookAhead_ = false;
    bool groupStart_ = false;  // nothing but '{' read yet in this group
    std::size_t bareWordEnd_ = std::size_t(-1);
    std::size_t starEnd_ = std::size_t(-1);

    RtfFontTable fonts_;
    std::uint32_t generation_ = 0;

    // A \uN waiting for its fallback characters to be passed.
    int skip_ = 0;
    bool unicodeOpen_ = false;
    std::size_t unicodeStart_ = 0;
    char16_t unicodeValue_ = 0;
    int unicodeSkipAtStart_ = 1;
    bool plainUnits_ = false;  // readPlainUnit() may read on
};

template <class Handler>
ScanResult RtfScanner<Handler>::run() {
    if (!lookAhead_ && !startsAsRtf(input_)) return {false, 0, "not an RTF document"};
    while (!done_) {
        const RtfToken t = tokens_.next();
        handler_.token(t);
        if (done_) break;
        const bool afterBrace = t.kind == RtfToken::Kind::GroupStart;
        // \* names the control word right after it; anything else in between, a group
        // included, leaves it without meaning.
        if (t.kind != RtfToken::Kind::ControlWord && !(t.kind == RtfToken::Kind::ControlSymbol && t.symbol == '*'))
            state_.starred = false;
        switch (t.kind) {
        case RtfToken::Kind::End:
            // Groups left open at the end are closed, as word processors do.
            done_ = true;
            break;
        case RtfToken::Kind::Error:
            // Damage after the document has closed cannot spoil what was read.
            if (stack_.empty()) {
                done_ = true;
                break;
            }
            return fail(t.offset, t.error);
        case RtfToken::Kind::GroupStart:
            if (skip_ > 0) {  // a brace ends a \uN's fallback, also one too short
                skip_ = 0;
                finishUnicode(t.offset, false);
            }
            if (stack_.size() >= kMaxGroupDepth)
                return fail(t.offset, "groups are nested more than " + std::to_string(kMaxGroupDepth) + " deep");
            stack_.push_back(state_);
            state_.starred = false;
            break;
        case RtfToken::Kind::GroupEnd:
            groupEnd(t);
            break;
        case RtfToken::Kind::ControlWord:
            controlWord(t);
            break;
        case RtfToken::Kind::ControlSymbol:
            controlSymbol(t);
            break;
        case RtfToken::Kind::HexByte:
            if (skip_ > 0) consumeFallback(t.offset + 4, true);
            else if (state_.destination == RtfDestination::FontTable) nameByte(t.offset, t.offset + 4, t.byte);
            else if (state_.destination == RtfDestination::Text) handler_.hexByte(t.offset, t.byte);
            break;
        case RtfToken::Kind::Text:
            textToken(std::size_t(t.data.data() - input_.data()), t.data);
            break;
        case RtfToken::Kind::Binary:
            if (skip_ > 0) consumeFallback(tokens_.offset());
            break;
        }
        groupStart_ = afterBrace;
        if (t.kind == RtfToken::Kind::ControlWord && tokens_.offset() > 0 && input_[tokens_.offset() - 1] != ' ')
            bareWordEnd_ = tokens_.offset();
        handler_.afterToken();
    }
    return {};
}

template <class Handler>
void RtfScanner<Handler>::groupEnd(const RtfToken& t) {
    if (skip_ > 0) {
        skip_ = 0;
        finishUnicode(t.offset, false);
    }
    if (stack_.empty()) return;  // one '}' too many: word processors read on, and so does this
    if (state_.destination == RtfDestination::FontTable) {
        commitFontEntry();
        // The font table's own group (not a document that is its own font table).
        if (!state_.offBody && stack_.size() >= 2 && stack_.back().destination != RtfDestination::FontTable)
            handler_.fontTableEnds(t.offset);
    }
    if (stack_.back().stream != state_.stream) handler_.streamClosed();
    state_ = stack_.back();
    stack_.pop_back();
    ++generation_;
}

template <class Handler>
void RtfScanner<Handler>::textToken(std::size_t offset, std::string_view bytes) {
    if (skip_ > 0) {
        const std::size_t n = std::min<std::size_t>(bytes.size(), std::size_t(skip_));
        skip_ -= int(n) - 1;
        consumeFallback(offset + n);
        offset += n;
        bytes.remove_prefix(n);
    }
    if (bytes.empty()) return;
    if (state_.destination == RtfDestination::Text) {
        handler_.text(offset, bytes);
    } else if (state_.destination == RtfDestination::FontTable) {
        for (std::size_t i = 0; i < bytes.size() && !done_; ++i)
            nameByte(offset + i, offset + i + 1, std::uint8_t(bytes[i]));
    }
}

template <class Handler>
void RtfScanner<Handler>::finishUnicode(std::size_t end, bool readOn) {
    if (!unicodeOpen_) return;
    unicodeOpen_ = false;
    const int savedSkip = state_.unicodeSkip;
    state_.unicodeSkip = unicodeSkipAtStart_;
    if (state_.destination == RtfDestination::FontTable) nameCharacter(unicodeStart_, end, unicodeValue_);
    else if (state_.destination == RtfDestination::Text) {
        plainUnits_ = savedSkip == 1 && unicodeSkipAtStart_ == 1;
        handler_.unicode(unicodeStart_, end, unicodeValue_, readOn);
        plainUnits_ = false;
    }
    state_.unicodeSkip = savedSkip;
}

template <class Handler>
void RtfScanner<Handler>::controlWord(const RtfToken& t) {
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
    const RtfDestination dest = state_.destination;
    const int param = t.parameter;
    switch (meaning.word) {
    case RtfWord::Char:
        if (dest == RtfDestination::Text) handler_.character(t.offset, end, meaning.value);
        break;
    case RtfWord::FootnoteNumber:
        if (dest == RtfDestination::Text) handler_.footnoteMark(t.offset, end);
        break;
    case RtfWord::Unicode:
        finishUnicode(t.offset, false);
        unicodeOpen_ = dest == RtfDestination::Text || dest == RtfDestination::FontTable;
        unicodeStart_ = t.offset;
        unicodeValue_ = char16_t(param < 0 ? param + 65536 : param);
        unicodeSkipAtStart_ = state_.unicodeSkip;
        skip_ = state_.unicodeSkip;
        if (skip_ == 0) finishUnicode(end, false);
        break;
    case RtfWord::Font:
        if (dest == RtfDestination::FontTable) {
            commitFontEntry();
            fonts_.startEntry(param);
        } else {
            state_.font = param < 0 ? 0 : param;
            ++generation_;
        }
        break;
    case RtfWord::FontCharset:
        if (dest == RtfDestination::FontTable) fonts_.setEntryCharset(param);
        break;
    case RtfWord::DefaultFont:
        fonts_.setDefaultFont(param);
        ++generation_;
        break;
    case RtfWord::AnsiCodePage:
    case RtfWord::Mac:
    case RtfWord::Pc:
    case RtfWord::Pca:
        fonts_.setAnsiCodePage(documentCodePage(meaning.word, param, fonts_.ansiCodePage()));
        ++generation_;
        break;
    default:
        // What the group holds and how its text is formatted.
        switch (applyToGroup(state_, meaning.word, starred, t)) {
        case GroupChange::None: break;
        case GroupChange::Format: ++generation_; break;
        case GroupChange::OwnStream: openStream(); break;
        }
        break;
    }
}

template <class Handler>
void RtfScanner<Handler>::controlSymbol(const RtfToken& t) {
    const std::size_t end = tokens_.offset();
    if (t.symbol == '*') {
        // \* marks an ignorable destination only where a group begins; elsewhere
        // producers leave it stray, and it means nothing.
        state_.starred = groupStart_;
        if (state_.starred) starEnd_ = end;
        return;
    }
    if (skip_ > 0) {
        consumeFallback(end);
        return;
    }
    const RtfDestination dest = state_.destination;
    char16_t value = 0;
    switch (t.symbol) {
    case '\\':
    case '{':
    case '}':
        if (dest == RtfDestination::FontTable) nameCharacter(t.offset, end, char16_t(t.symbol));
        else if (dest == RtfDestination::Text) handler_.literal(t.offset, end, t.symbol);
        return;
    case '~': value = u'\u00A0'; break;
    case '-': value = u'\u00AD'; break;
    case '_': value = u'\u2011'; break;
    case '\r':
    case '\n': value = kParagraphBreak; break;
    case '\t': value = kTab; break;
    default: return;
    }
    if (dest == RtfDestination::Text) handler_.character(t.offset, end, value);
}

template <class Handler>
void RtfScanner<Handler>::nameCharacter(std::size_t start, std::size_t end, char16_t value) {
    switch (fonts_.nameCharacter(start, value)) {
    case RtfFontTable::NameStep::Ends: commitFontEntry(); break;
    case RtfFontTable::NameStep::Starts: handler_.fontNameStarts(start, end); break;
    case RtfFontTable::NameStep::GoesOn: handler_.fontNameGoesOn(start, end); break;
    case RtfFontTable::NameStep::Skipped: break;
    }
}

template <class Handler>
void RtfScanner<Handler>::commitFontEntry() {
    const ScannedFont* font =
        fonts_.commit(state_.offBody, [this](const LegacyFont* legacy) { return handler_.isSource(legacy); });
    if (font) {
        handler_.fontEntry(fonts_.entryNumber(), *font, state_.offBody, fonts_.nameAt());
        ++generation_;
    }
    fonts_.resetEntry();
}

namespace scanning {
// Reads a font name ahead: stops at the entry's end, at anything but its characters,
// or once it has enough letters.
struct NamePeek : RtfScanHandler {
    RtfScanner<NamePeek>* scanner = nullptr;
    std::size_t letters = 0;
    std::string name;

    void token(const RtfToken& t) {
        const bool unicode = t.kind == RtfToken::Kind::ControlWord && t.word == "u" && t.hasParameter;
        const bool character = t.kind == RtfToken::Kind::Text || t.kind == RtfToken::Kind::HexByte || unicode;
        if (!character && !scanner->inFallback()) scanner->stop();
    }
    void fontNameStarts(std::size_t, std::size_t) { took(); }
    void fontNameGoesOn(std::size_t, std::size_t) { took(); }
    void fontEntry(int, const ScannedFont&, bool, std::size_t) { scanner->stop(); }
    void took() {
        name = scanner->entryName();
        if (name.size() >= letters) scanner->stop();
    }
};
}  // namespace scanning

template <class Handler>
std::string RtfScanner<Handler>::peekFontName(std::size_t at, std::size_t letters) const {
    scanning::NamePeek peek;
    RtfGroupState inTable;
    inTable.destination = RtfDestination::FontTable;
    inTable.unicodeSkip = state_.unicodeSkip;
    RtfScanner<scanning::NamePeek> ahead(input_, peek, at, inTable);
    ahead.fonts_.setAnsiCodePage(fonts_.ansiCodePage());
    ahead.fonts_.startEntry(0);  // so that the entry's end is seen as one
    peek.scanner = &ahead;
    peek.letters = letters;
    ahead.run();
    if (ahead.entryName().size() > peek.name.size()) peek.name = ahead.entryName();
    return peek.name;
}

}  // namespace tolvarin

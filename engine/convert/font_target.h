// The writer into a legacy font (FONT): the text of every other legacy encoding, and
// Unicode Malayalam in any font, become FONT's codes in runs set in FONT, each syllable
// where its first character stood; text already in FONT's encoding keeps its codes,
// and its font-table entry takes FONT's name. FONT and the Unicode font join the font
// table. What FONT cannot draw stays in Unicode: a character the document had as
// Unicode in its own font and formatting, one read from a legacy font in the Unicode
// font.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/rewrite_base.h"
#include "fonts/legacy_encoder.h"

namespace tolvarin::rewriting {

// Unicode Malayalam read from the document, waiting for its word to end: each
// character with its bytes in the input, in segments that share a place in the output
// and the complex-script formatting the text shows.
struct UnicodeSegment {
    std::size_t first, holdAt;
    ComplexFormat format;
};
struct UnicodeWord {
    std::u32string text;
    std::vector<std::size_t> starts, ends;
    std::vector<UnicodeSegment> segments;
    std::vector<std::size_t> afterStar;  // as UnicodeStretch's

    bool empty() const { return text.empty(); }
    std::size_t holdAt() const { return segments.front().holdAt; }
    void clear() {
        text.clear();
        starts.clear();
        ends.clear();
        segments.clear();
        afterStar.clear();
    }
};

// What waits in one text stream: legacy text of another encoding, or Unicode, never both.
struct FontStream {
    UnicodeStretch legacy;
    UnicodeWord unicode;
};

class FontTarget : public RewriteBase<FontTarget> {
public:
    // `renamed` and `checkedUpTo` as for RevathiTarget; of the entries, those of fonts in
    // FONT's encoding are renamed.
    FontTarget(std::string_view input, const PieceSink& sink, const ConversionOptions& options,
               const std::vector<std::size_t>& renamed, std::size_t checkedUpTo)
        : RewriteBase(input, sink), options_(options), to_(*options.toEncoding), renamed_(renamed),
          checkedUpTo_(checkedUpTo) {
        streams_.emplace_back();
    }

    RewriteResult run();

    // What the scanner and the shared writer hand on.
    bool isSource(const LegacyFont* font) const { return font && options_.converts(font->encoding()); }
    void sourceCharacter(std::size_t start, std::size_t end, int code, Form form, bool keepable);
    void otherCharacter(std::size_t, std::size_t, char16_t) { endStretches(); }
    void sourceText(bool afterUnit);
    void text(std::size_t offset, std::string_view bytes) {
        // Spaces and neutral characters after Unicode words go on with them: the spaces
        // between the words are set in FONT with them, and so are the punctuation and
        // digits FONT draws as themselves (spaces at the end stay as they were).
        if (!font().source && !streams_.back().unicode.empty()) {
            std::size_t i = 0;
            for (; i < bytes.size(); ++i) {
                const auto b = std::uint8_t(bytes[i]);
                const char16_t v = b < 0x20 ? 0 : decoded(b);
                if (v != u' ' && !(v && followsWord(v))) break;
                unicodeCharacter(offset + i, offset + i + 1, v);
            }
            if (i == bytes.size()) return;
            offset += i;
            bytes.remove_prefix(i);
        }
        RewriteBase::text(offset, bytes);
    }
    void hexByte(std::size_t offset, std::uint8_t byte) {
        if (!font().source && followsWord(decoded(byte))) unicodeCharacter(offset, offset + 4, decoded(byte));
        else RewriteBase::hexByte(offset, byte);
    }
    void character(std::size_t start, std::size_t end, char16_t value) {
        if (!font().source && takesUnicode(value)) unicodeCharacter(start, end, value);
        else RewriteBase::character(start, end, value);
    }
    void unicode(std::size_t start, std::size_t end, char16_t value, bool readOn) {
        if (!font().source && takesUnicode(value)) {
            unicodeCharacter(start, end, value);
            readUnicodeWords(end);
        } else {
            RewriteBase::unicode(start, end, value, readOn);
        }
    }
    bool waiting() const { return !streams_.back().legacy.empty() || !streams_.back().unicode.empty(); }
    std::size_t heldAt() const {
        for (const FontStream& s : streams_) {
            if (!s.legacy.empty()) return s.legacy.holdAt();
            if (!s.unicode.empty()) return s.unicode.holdAt();
        }
        return kNothingHeld;
    }
    void handOn(std::string_view bytes) { sink_(bytes); }
    void streamOpened() { streams_.emplace_back(); }
    void streamClosed() {
        endStretches();
        streams_.pop_back();
    }
    void endStreams() {
        while (streams_.size() > 1) streamClosed();
        endStretches();
    }
    void finishOutput() {}
    void fontNameStarts(std::size_t start, std::size_t end);
    void fontNameGoesOn(std::size_t start, std::size_t end) {
        if (renaming_) drop(start, end);
    }
    void fontTableEnds(std::size_t offset);

    // The current stream's stretch of legacy text, for text in the current font.
    UnicodeStretch& stretchFor();
    void endStretch(UnicodeStretch& s);

private:
    // What a run of codes, Unicode text or the input's own bytes stands for at one
    // character: codes in FONT, Unicode text in the Unicode font, or bytes kept as they were.
    struct Piece {
        enum class Kind : std::uint8_t { Codes, Unicode, Input } kind;
        std::size_t from, to;
    };

    // Unicode Malayalam converts; a joiner only inside a word, and a neutral character
    // only after one.
    bool takesUnicode(char16_t v) const {
        if (!options_.fromUnicode) return false;
        if (v >= 0x0D00 && v <= 0x0D7F) return true;
        if (streams_.back().unicode.empty()) return false;
        return v == 0x200C || v == 0x200D || followsWord(v);
    }
    // A neutral character FONT draws as itself, after a Unicode word: it goes on with it.
    bool followsWord(char16_t v) const { return !streams_.back().unicode.empty() && joinsMalayalam(to_, v); }
    bool ownEncoding() { return &font().legacy->encoding() == &to_; }
    void unicodeCharacter(std::size_t start, std::size_t end, char16_t value);
    // The Unicode words right after `at`, written \uN? by \uN? with spaces and line ends
    // between them, read here rather than token by token; what they are followed by is
    // left to the scanner.
    void readUnicodeWords(std::size_t at);
    // A character right after the word's last one, with nothing read between: it goes
    // in the same segment, so only its text and place are noted.
    void nextUnicodeCharacter(std::size_t start, std::size_t end, char16_t value) {
        UnicodeWord& w = streams_.back().unicode;
        if (w.empty() || ledger_.copied != start || w.text.size() + 1 >= kLongStretch) {
            unicodeCharacter(start, end, value);
            return;
        }
        w.text.push_back(value);
        w.starts.push_back(start);
        w.ends.push_back(end);
        ledger_.copied = end;
    }
    void endWord(UnicodeWord& w);
    void endStretches() {
        FontStream& s = streams_.back();
        endStretch(s.legacy);
        endWord(s.unicode);
    }
    // Lays the pieces out over the output from `firstHold` on, a segment at a time, each
    // segment's codes in a run that `openRun` begins.
    template <class Segment, class OpenRun, class FormatOf>
    void layOut(std::size_t firstHold, const std::vector<Segment>& segments, std::size_t n,
                const std::vector<std::size_t>& afterStar, std::string_view codes, std::u16string_view unicode,
                const OpenRun& openRun, const FormatOf& formatOf);
    void appendCodes(std::string_view codes);
    void openWordRun(const ComplexFormat& format);

    const ConversionOptions& options_;
    const LegacyEncoding& to_;
    const std::vector<std::size_t>& renamed_;
    const std::size_t checkedUpTo_;
    bool renaming_ = false;
    bool entriesWritten_ = false;
    int fontNumber_ = 0, unicodeFontNumber_ = 0;
    std::vector<FontStream> streams_;  // the open text streams, innermost last
    TextBatch batch_;
    // Room reused from stretch to stretch.
    ConvertedStretch converted_;
    EncodedStretch encoded_;
    std::u32string unicodeText_;
    std::string ruleCodes_;
    std::vector<Piece> pieces_;
    std::vector<std::size_t> pieceEnds_;  // by character, where its pieces end
    ByteBuffer laidOut_;
};

}  // namespace tolvarin::rewriting

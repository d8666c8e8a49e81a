// What the converter's two writers share: the scanner they read with, the ledger of
// the output, the characters handed to the target (text to convert or not), the
// handing on of output in pieces, and the counts. A target (RevathiTarget or
// UnicodeTarget) derives from RewriteBase<itself> and writes what the core decided.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "convert/output_ledger.h"
#include "convert/replacements.h"
#include "convert/rtf_rewriter.h"
#include "convert/unicode_layout.h"
#include "rtf/rtf_scanner.h"
#include "text/codepage.h"

namespace tolvarin::rewriting {

// Enough of a font-table entry's name to tell which legacy font it is.
inline constexpr std::size_t kLongestFontName = 256;

template <class Target>
class RewriteBase : public RtfScanHandler {
public:
    RewriteResult run();

    // What the scanner hands on.
    bool isSource(const LegacyFont* font) const { return convertsFont(font, Target::kUnicode); }
    void afterToken() {
        const std::size_t at = scanner_.offset();
        if (ledger_.out.size() >= kChunk || at - ledger_.copied >= kChunk) {
            if (!scanner_.unicodePending()) ledger_.copyUpTo(at);
            flush(false);
        }
    }
    void text(std::size_t offset, std::string_view bytes) {
        if (font().source) {
            scanner_.seek(offset);
            target().sourceText(false);
        } else if (target().waiting()) {
            // Only the first character can complete a pair with the pending one.
            for (std::size_t i = 0; i < bytes.size(); ++i) {
                const auto b = std::uint8_t(bytes[i]);
                if (b < 0x20 && b != '\t') continue;  // stray control bytes are not text
                target().otherCharacter(offset + i, offset + i + 1, decoded(b));
                break;
            }
        }
    }
    void hexByte(std::size_t offset, std::uint8_t byte) {
        if (font().source) {
            target().sourceCharacter(offset, offset + 4, byte, Form::Text, true);
            target().sourceText(false);
        } else if (target().waiting()) {
            target().otherCharacter(offset, offset + 4, decoded(byte));
        }
    }
    void character(std::size_t start, std::size_t end, char16_t value) {
        characterIn(start, end, value, encodeCp1252(value));
    }
    void literal(std::size_t start, std::size_t end, char c) { character(start, end, char16_t(c)); }
    // The mark's digits are the same in both fonts; it stays as it is.
    void footnoteMark(std::size_t start, std::size_t end) { characterIn(start, end, u'1', -1); }
    void unicode(std::size_t start, std::size_t end, char16_t v, bool readOn) {
        // Producers write a symbol font's code c as U+F000 + c.
        const bool privateCode = v >= 0xF020 && v <= 0xF0FF;
        if (font().source) {
            // U+F0xx reads as code xx only in a symbol font, which the target font is not.
            target().sourceCharacter(start, end, privateCode ? v - 0xF000 : encodeCp1252(v), Form::Unicode,
                                     !privateCode);
            // The source-font text after a \uN whose fallback was a \'hh reads on
            // without a token per character.
            if (readOn) target().sourceText(true);
        } else {
            target().otherCharacter(start, end,
                                    privateCode && font().symbol ? decodeCp1252(std::uint8_t(v - 0xF000)) : v);
        }
    }

protected:
    RewriteBase(std::string_view input, const PieceSink& sink)
        : scanner_(input, static_cast<Target&>(*this)), ledger_(input), sink_(sink) {}

    Target& target() { return static_cast<Target&>(*this); }
    const ScannedFont& font() { return scanner_.font(); }
    char16_t decoded(std::uint8_t b) {
        const ScannedFont& f = font();
        return f.doubleByte && b >= 0x80 ? u'\uFFFD' : decodeByte(f.upperHalf, b);
    }
    void characterIn(std::size_t start, std::size_t end, char16_t value, int code) {
        if (font().source) target().sourceCharacter(start, end, code, Form::Text, true);
        else target().otherCharacter(start, end, value);
    }
    // `n` characters of the current font converted (those that count: see countsAsCharacter()).
    void count(std::size_t n) { counts_.converted[font().legacy->index()] += n; }
    void drop(std::size_t start, std::size_t end) {
        ledger_.drop(start, end, scanner_.starEnd(), scanner_.bareWordEnd());
    }
    // Hands on the output made, up to what is held; with `all` false, only a large piece.
    void flush(bool all) {
        const std::size_t held = target().heldAt();
        const std::size_t limit = held == kNothingHeld ? ledger_.out.size() : held - ledger_.base;
        if ((!all && limit < (std::size_t(1) << 15)) || limit == 0) return;
        target().handOn(std::string_view(ledger_.out).substr(0, limit));
        ledger_.handedOn(limit);
    }

    // Source-font text read on in batches into the current stream's stretch (which the
    // target gives, and ends as it must): characters with nothing between them go in
    // together. For the targets that convert whole stretches.
    void collectSourceText(bool afterUnit, TextBatch& batch);
    // Names the font-table entry whose name begins at [start, end) `name`: its codes are
    // Windows-1252, whatever charset the entry had.
    void renameEntry(std::size_t start, std::size_t end, std::string_view name) {
        std::string with = scanner_.entryCharset() != kAnsiCharset ? "\\fcharset0 "
                           : start == scanner_.bareWordEnd()       ? " "
                                                                   : "";
        with += name;
        ledger_.replace(start, end, with);
    }

    static constexpr std::size_t kNothingHeld = std::size_t(-1);
    // The output is handed on about a chunk at a time; its buffer has room for more, so
    // that a paragraph laid out again seldom has to move it.
    static constexpr std::size_t kChunk = std::size_t(1) << 16;
    static constexpr std::size_t kOutputRoom = std::size_t(1) << 18;
    // A paragraph this long is converted in parts, each ending after a space or other
    // character that ends every syllable, so that memory stays bounded.
    static constexpr std::size_t kLongStretch = std::size_t(1) << 16;

    RtfScanner<Target> scanner_;
    OutputLedger ledger_;
    const PieceSink& sink_;
    LegacyCounts counts_;
};

template <class Target>
void RewriteBase<Target>::collectSourceText(bool afterUnit, TextBatch& batch) {
    using W = TextBatch::Written;
    const TextBatch& b = batch;
    for (bool more = true; more;) {
        // \\, \{ and \} are characters too; here they go one by one, as the scanner
        // takes them.
        const std::size_t n = scanner_.readBatch(batch, afterUnit, true);
        more = b.more;
        for (std::size_t k = 0; k < n;) {
            if (b.codes[k] < 0x20 || b.starts[k] != ledger_.copied || b.form[k] != W::AsText) {
                target().sourceCharacter(b.starts[k], b.ends[k], b.codes[k], Form::Text, true);
                ++k;
                continue;
            }
            // Characters with nothing between them share one place and format.
            std::size_t m = k + 1;
            while (m < n && b.codes[m] >= 0x20 && b.starts[m] == b.ends[m - 1] && b.form[m] == W::AsText) ++m;
            UnicodeStretch& stream = target().stretchFor();
            if (b.starts[k] == scanner_.starEnd()) stream.afterStar.push_back(stream.size());
            stream.add(b.codes + k, m - k, *font().legacy, scanner_.state().format, b.starts + k, b.ends + k,
                       ledger_.written());
            ledger_.copied = b.ends[m - 1];
            k = m;
            if (stream.size() >= kLongStretch && stream.legacy.encoding()->endsSyllables(b.codes[m - 1]))
                target().endStretch(stream);
        }
    }
}

template <class Target>
RewriteResult RewriteBase<Target>::run() {
    ledger_.out.reserve(kOutputRoom);
    const ScanResult scanned = scanner_.run();
    RewriteResult r;
    if (!scanned) {
        r.ok = false;
        r.offset = scanned.offset;
        r.description = scanned.description;
        return r;
    }
    scanner_.finish();
    target().endStreams();
    ledger_.copyUpTo(ledger_.input.size());
    flush(true);
    target().finishOutput();
    r.counts = counts_;
    return r;
}

}  // namespace tolvarin::rewriting

#include "convert/revathi_target.h"

#include <cstring>

#include "fonts/glyph_map.h"

namespace tolvarin::rewriting {
// Decides the pending character now that what follows it is known, and puts its
// replacement where it stood. True when it took the following character in.
bool RevathiTarget::resolve(PendingGlyph& p, int following) {
    p.active = false;
    std::string& out = ledger_.out;
    const std::size_t at = p.holdAt - ledger_.base;
    auto put = [&](const char* bytes, std::size_t n) {
        if (at == out.size()) out.append(bytes, n);
        else out.insert(at, bytes, n);
    };
    const std::string_view input = ledger_.input;
    const LegacyEncoding& encoding = p.font->encoding();
    const Replacements& tables = tablesFor(encoding);
    const GlyphCodes* decided = tables.afterPrevious(p.previous, p.code, following);
    if (p.form == Form::Text && !decided) {
        const TextReplacement& r = tables.text(p.afterBareWord, p.code, following);
        if (r.same && p.keepable) put(input.data() + p.start, p.end - p.start);  // unchanged: its own bytes
        else put(r.bytes, r.length);
        p.last = r.pair ? -1 : p.code;
        return r.pair;
    }
    const GlyphCodes g = decided ? *decided : revathiCodes(encoding, -1, p.code, following);
    p.last = g.pair ? -1 : p.code;
    if (p.keepable && g.length == 1 && g.codes[0] == p.code && !g.pair) {
        put(input.data() + p.start, p.end - p.start);
        return false;
    }
    std::string piece;
    appendCodes(piece, g.codes, g.length, p.form, p.afterBareWord, p.unicodeSkip);
    put(piece.data(), piece.size());
    return g.pair;
}

// The character at [start, end) waits for the one after it; its place in the output
// is held.
void RevathiTarget::hold(PendingGlyph& p, std::size_t start, std::size_t end, std::uint8_t code, Form form,
                         bool keepable) {
    ledger_.copyUpTo(start);
    p.active = true;
    // The code before it counts where it is typed in the same encoding.
    p.previous = p.font && p.last >= 0 && mayPair(*p.font, font().legacy) ? p.last : -1;
    p.font = font().legacy;
    p.code = code;
    p.form = form;
    p.afterBareWord = start == scanner_.bareWordEnd();
    p.keepable = keepable;
    p.unicodeSkip = scanner_.state().unicodeSkip;
    p.start = start;
    p.end = end;
    p.holdAt = ledger_.written();
    ledger_.copied = end;
}

void RevathiTarget::sourceCharacter(std::size_t start, std::size_t end, int code, Form form, bool keepable) {
    if (countsAsCharacter(code)) count(1);
    PendingGlyph& p = streams_.back();
    if (p.active && resolve(p, following(p, code))) {
        drop(start, end);
        return;
    }
    if (code < 0) {  // a character the font has no code for stays as it is
        p.last = -1;
        return;
    }
    hold(p, start, end, std::uint8_t(code), form, keepable);
}

// Another font's character ends the pending one's text: it never completes a pair.
void RevathiTarget::otherCharacter(std::size_t, std::size_t, char16_t) {
    PendingGlyph& p = streams_.back();
    if (p.active) resolve(p, kEnd);
    p.last = -1;
}

void RevathiTarget::fontNameStarts(std::size_t start, std::size_t end) {
    // The name's first character: where a source font's entry is renamed. Past where
    // the check stopped, a later font table's source-font entry is renamed too: text
    // after it may use it.
    renaming_ = std::binary_search(renamed_.begin(), renamed_.end(), start) ||
                (start > checkedUpTo_ && convertsFont(legacyFontNamed(scanner_.peekFontName(start, kLongestFontName)), false));
    if (renaming_) renameEntry(start, end, kTargetFontName);
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
void RevathiTarget::sourceText(bool afterUnit) {
    constexpr std::size_t kBatch = TextBatch::kSize;
    using W = TextBatch::Written;
    TextBatch& batch = batch_;
    const std::uint8_t* const codes = batch.codes;
    const std::size_t* const starts = batch.starts;
    const std::size_t* const ends = batch.ends;
    const W* const form = batch.form;
    std::size_t textCount = 0;  // characters of text since the start or the last \uN
    bool keep[kBatch];          // text whose own bytes stay where it maps to itself
    bool keepLast = false;      // the last batch's last character's keep
    const char* const begin = ledger_.input.data();
    bool more = true, continued = false;
    while (more) {
        // Plain text that began a batch where reading began or 1024 characters after
        // it, and has no \uN: each character but the last is written anew.
        const std::size_t startCount = textCount;
        const bool plainBatch = startCount % kBatch == 0;
        const std::size_t n = scanner_.readBatch(batch, afterUnit, false);
        more = batch.more;
        const bool anyUnit = batch.anyUnit;
        const std::size_t lastUnit = batch.lastUnit;
        if (n == 0) break;
        textCount = anyUnit ? n - lastUnit - 1 : startCount + n;
        const bool wasContinued = continued;
        continued = more;
        count(countCharacters(codes, n));
        const LegacyEncoding& encoding = font().legacy->encoding();
        const Replacements& tables = tablesFor(encoding);
        std::size_t i = 0;
        PendingGlyph& pending = streams_.back();
        // The last batch's last character, in the middle of plain text, is written anew,
        // and line ends between it and a character it takes in go with that character.
        const bool midText = wasContinued && pending.active && pending.form == Form::Text && form[0] == W::AsText;
        if (midText) pending.keepable = keepLast;
        if (pending.active && resolve(pending, following(pending, codes[0]))) {
            if (midText && !keepLast) ledger_.copied = ends[0];
            else drop(starts[0], ends[0]);
            i = 1;
        }
        // The code before each, where it decides what a code becomes (see resolve()): the
        // one before in the batch unless a pair took it in; worked out only for the few
        // codes it may change.
        const std::size_t first = i;
        const int previousOfFirst = pending.font && mayPair(*pending.font, font().legacy) ? pending.last : -1;
        std::size_t takenIn = n;  // the last code a pair took in
        const auto previousOf = [&](std::size_t k) {
            return k == first ? previousOfFirst : k - 1 == takenIn ? -1 : int(codes[k - 1]);
        };
        // Such a code, where the code before changes what it becomes, is written anew from
        // what the core decided: returns whether it took the next one in.
        const GlyphCodes* decided = nullptr;
        const auto decides = [&](bool contextual, std::size_t k) {
            return contextual && (decided = tables.afterPrevious(previousOf(k), codes[k], codes[k + 1]));
        };
        const auto contextual = [&](char*& w, std::size_t k, Form form) {
            const GlyphCodes& g = *decided;
            std::string piece;
            appendCodes(piece, g.codes, g.length, form, starts[k] == scanner_.bareWordEnd(), scanner_.state().unicodeSkip);
            std::memcpy(w, piece.data(), piece.size());
            w += piece.size();
            return g.pair;
        };
        const std::size_t at = ledger_.out.size();
        char* w;
        if (plainBatch && !anyUnit) {
            // Room for every gap and every replacement (at most 12 bytes) before it is written.
            ledger_.out.resize(at + (ends[n - 1] - std::min(ledger_.copied, ends[n - 1])) + 12 * n + 16);
            w = ledger_.out.data() + at;
            const auto& table = tables.text().table;
            for (; i + 1 < n; ++i) {
                if (starts[i] != ledger_.copied) {  // line ends between characters
                    std::memcpy(w, begin + ledger_.copied, starts[i] - ledger_.copied);
                    w += starts[i] - ledger_.copied;
                }
                const TextReplacement& r = table[starts[i] == scanner_.bareWordEnd()][codes[i]][tables.column(codes[i + 1])];
                std::memcpy(w, r.bytes, sizeof r.bytes);
                w += r.length;
                ledger_.copied = ends[i];
                if (r.pair | r.contextual) {  // seldom: most characters end here
                    bool pair = r.pair;
                    if (decides(r.contextual, i)) {
                        w -= r.length;
                        pair = contextual(w, i, Form::Text);
                    }
                    if (pair) ledger_.copied = ends[takenIn = ++i];  // the following character is taken in
                }
            }
        } else {
            // The same with \uN among the characters; at most 32 bytes each. Text waited
            // for the next character at every 1024th since the start or the last \uN.
            for (std::size_t k = 0, count = startCount; k < n; ++k) {
                keep[k] = form[k] == W::AsText && count % kBatch == kBatch - 1;
                count = form[k] == W::AsText ? count + 1 : 0;
            }
            ledger_.out.resize(at + (ends[n - 1] - std::min(ledger_.copied, ends[n - 1])) + 32 * n + 16);
            w = ledger_.out.data() + at;
        }
        for (; i + 1 < n; ++i) {
            if (starts[i] != ledger_.copied) {  // line ends between characters
                std::memcpy(w, begin + ledger_.copied, starts[i] - ledger_.copied);
                w += starts[i] - ledger_.copied;
            }
            const bool text = form[i] == W::AsText;
            const char* bytes;
            std::size_t length;
            bool same, pair, context;
            if (text) {
                const TextReplacement& r = tables.text(starts[i] == scanner_.bareWordEnd(), codes[i], codes[i + 1]);
                bytes = r.bytes, length = r.length, same = r.same, pair = r.pair, context = r.contextual;
            } else {
                const UnicodeReplacement& r = tables.unicode(codes[i], codes[i + 1]);
                bytes = r.bytes, length = r.length, same = r.same, pair = r.pair, context = r.contextual;
            }
            // A character that waited for the next one (see above) keeps its own bytes
            // where it maps to itself, and the line ends before a character it takes in.
            const bool waited = !text || form[i + 1] != W::AsText || keep[i];
            const bool anew = decides(context, i);
            if (anew) {
                pair = contextual(w, i, text ? Form::Text : Form::Unicode);
            } else if (same && waited && form[i] != W::AsPrivateUnicode) {  // unchanged: its own bytes
                std::memcpy(w, begin + starts[i], ends[i] - starts[i]);
                w += ends[i] - starts[i];
            } else {
                std::memcpy(w, bytes, text ? sizeof(TextReplacement::bytes) : sizeof(UnicodeReplacement::bytes));
                w += length;
            }
            ledger_.copied = ends[i];
            if (pair) {  // the following character is taken in
                if (waited && starts[i + 1] != ledger_.copied) {
                    std::memcpy(w, begin + ledger_.copied, starts[i + 1] - ledger_.copied);
                    w += starts[i + 1] - ledger_.copied;
                }
                ledger_.copied = ends[takenIn = ++i];
            }
        }
        ledger_.out.resize(std::size_t(w - ledger_.out.data()));
        pending.last = i < n ? previousOf(i) : -1;
        if (i < n) {
            // The batch's last character waits for the one after it.
            hold(pending, starts[i], ends[i], codes[i], form[i] == W::AsText ? Form::Text : Form::Unicode,
                 form[i] != W::AsPrivateUnicode);
            // The code before it was read in this batch, in this font (or, first in the
            // batch, checked above): hold() knows only the font of the last character held.
            pending.previous = pending.last;
            keepLast = plainBatch && !anyUnit ? (startCount + i) % kBatch == kBatch - 1 : keep[i];
        }
    }
}

}  // namespace tolvarin::rewriting

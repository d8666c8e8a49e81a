#include "convert/rewriter.h"

namespace tolvarin::rewriting {

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
    p.afterBareWord = start == scanner_.bareWordEnd();
    p.keepable = keepable;
    p.unicodeSkip = scanner_.state().unicodeSkip;
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

void Rewriter::endStream() {
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
    if (start == scanner_.starEnd()) p.stretch.afterStar.push_back(p.stretch.codes.size());
    p.stretch.add(&c, 1, scanner_.state().format, &start, &end, written());
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

void Rewriter::text(std::size_t offset, std::string_view bytes) {
    if (font().source) {
        scanner_.seek(offset);
        sourceText();
    } else if (waiting()) {
        // Only the first character can complete a pair with the pending one.
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const auto b = std::uint8_t(bytes[i]);
            if (b < 0x20 && b != '\t') continue;  // stray control bytes are not text
            const ScannedFont& f = font();
            otherCharacter(offset + i, offset + i + 1, f.doubleByte && b >= 0x80 ? u'\uFFFD' : decodeByte(f.upperHalf, b));
            break;
        }
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
    const char* const begin = input_.data();
    bool more = true, continued = false;
    while (more) {
        // Plain text that began a batch where reading began or 1024 characters after
        // it, and has no \uN: each character but the last is written anew.
        const std::size_t startCount = textCount;
        const bool plainBatch = startCount % kBatch == 0;
        // \\, \{ and \} are characters too; to Unicode they go one by one, as the
        // scanner takes them.
        const std::size_t n = scanner_.readBatch(batch, afterUnit, unicode_);
        more = batch.more;
        const bool anyUnit = batch.anyUnit;
        const std::size_t lastUnit = batch.lastUnit;
        if (n == 0) break;
        textCount = anyUnit ? n - lastUnit - 1 : startCount + n;
        const bool wasContinued = continued;
        continued = more;
        if (unicode_) {
            // Text and \'hh alone, with nothing between: straight into the stretch.
            Pending& stream = streams_.back();
            for (std::size_t k = 0; k < n;) {
                if (codes[k] < 0x20 || starts[k] != copied_ || form[k] != W::AsText) {
                    unicodeCharacter(starts[k], ends[k], codes[k]);
                    ++k;
                    continue;
                }
                // Characters with nothing between them share one place and format.
                std::size_t m = k + 1;
                while (m < n && codes[m] >= 0x20 && starts[m] == ends[m - 1] && form[m] == W::AsText) ++m;
                if (starts[k] == scanner_.starEnd()) stream.stretch.afterStar.push_back(stream.stretch.codes.size());
                stretchIn(stream);
                stream.stretch.add(codes + k, m - k, scanner_.state().format, starts + k, ends + k, written());
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
        const bool midText = wasContinued && pending.active && pending.form == Form::Text && form[0] == W::AsText;
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
                const TextReplacement& r = table[starts[i] == scanner_.bareWordEnd()][codes[i]][followingColumn(codes[i + 1])];
                std::memcpy(w, r.bytes, sizeof r.bytes);
                w += r.length;
                copied_ = ends[i];
                if (r.pair) copied_ = ends[++i];  // the following character is taken in
            }
        } else {
            // The same with \uN among the characters; at most 32 bytes each. Text waited
            // for the next character at every 1024th since the start or the last \uN.
            for (std::size_t k = 0, count = startCount; k < n; ++k) {
                keep[k] = form[k] == W::AsText && count % kBatch == kBatch - 1;
                count = form[k] == W::AsText ? count + 1 : 0;
            }
            out_.resize(at + (ends[n - 1] - std::min(copied_, ends[n - 1])) + 32 * n + 16);
            w = out_.data() + at;
        }
        for (; i + 1 < n; ++i) {
            if (starts[i] != copied_) {  // line ends between characters
                std::memcpy(w, begin + copied_, starts[i] - copied_);
                w += starts[i] - copied_;
            }
            const bool text = form[i] == W::AsText;
            const char* bytes;
            std::size_t length;
            bool same, pair;
            if (text) {
                const TextReplacement& r = textReplacement(starts[i] == scanner_.bareWordEnd(), codes[i], codes[i + 1]);
                bytes = r.bytes, length = r.length, same = r.same, pair = r.pair;
            } else {
                const UnicodeReplacement& r = unicodeReplacement(codes[i], codes[i + 1]);
                bytes = r.bytes, length = r.length, same = r.same, pair = r.pair;
            }
            // A character that waited for the next one (see above) keeps its own bytes
            // where it maps to itself, and the line ends before a character it takes in.
            const bool waited = !text || form[i + 1] != W::AsText || keep[i];
            if (same && waited && form[i] != W::AsPrivateUnicode) {  // unchanged: its own bytes
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
            pending.form = form[i] == W::AsText ? Form::Text : Form::Unicode;
            pending.afterBareWord = starts[i] == scanner_.bareWordEnd();
            pending.keepable = form[i] != W::AsPrivateUnicode;
            pending.unicodeSkip = scanner_.state().unicodeSkip;
            pending.start = starts[i];
            pending.end = ends[i];
            pending.holdAt = written();
            copied_ = pending.end;
            keepLast = plainBatch && !anyUnit ? (startCount + i) % kBatch == kBatch - 1 : keep[i];
        }
    }
}

}  // namespace tolvarin::rewriting

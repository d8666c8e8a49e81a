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

}  // namespace tolvarin::rewriting

#include "convert/font_target.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

namespace tolvarin::rewriting {
namespace {

// A code as RTF text in an 8-bit font: printable ASCII as it is (\, { and } escaped),
// every other byte as \'hh. Made once.
struct CodeWords {
    std::array<std::array<char, 4>, 256> bytes;
    std::array<std::uint8_t, 256> length;
};
const CodeWords& codeWords() {
    static const CodeWords words = [] {
        CodeWords w{};
        constexpr char kHex[] = "0123456789abcdef";
        for (int c = 0; c < 256; ++c) {
            auto& b = w.bytes[std::size_t(c)];
            std::uint8_t n = 0;
            if (c >= 0x20 && c < 0x7F) {
                if (c == '\\' || c == '{' || c == '}') b[n++] = '\\';
                b[n++] = char(c);
            } else {
                b = {'\\', '\'', kHex[c >> 4], kHex[c & 15]};
                n = 4;
            }
            w.length[std::size_t(c)] = n;
        }
        return w;
    }();
    return words;
}

void appendNumber(ByteBuffer& out, int n) {
    char* w = out.room(12);
    out.commit(std::to_chars(w, w + 12, n).ptr);
}

// The run of a font's codes: its font for both halves of the 8-bit range, before the
// formatting, which then applies to text in that font (a reader takes \b after \hich for
// complex-script text).
void openFontRun(ByteBuffer& out, int fontNumber) {
    out.append("{\\hich\\af");
    appendNumber(out, fontNumber);
    out.append("\\loch\\f");
    appendNumber(out, fontNumber);
}

}  // namespace

RewriteResult FontTarget::run() {
    const int highest = highestNamedFont(ledger_.input);
    constexpr int kMost = std::numeric_limits<int>::max();
    fontNumber_ = highest < kMost ? highest + 1 : highest;
    unicodeFontNumber_ = fontNumber_ < kMost ? fontNumber_ + 1 : fontNumber_;
    ledger_.out.reserve(kOutputRoom);
    return RewriteBase::run();
}

void FontTarget::fontTableEnds(std::size_t offset) {
    if (entriesWritten_) return;
    ledger_.copyUpTo(offset);
    ledger_.out += unicodeFontEntry(options_.toFont, fontNumber_);
    ledger_.out += unicodeFontEntry(options_.unicodeFont, unicodeFontNumber_);
    entriesWritten_ = true;
}

void FontTarget::fontNameStarts(std::size_t start, std::size_t end) {
    // Only a font in FONT's encoding is renamed: another's text goes into runs of FONT,
    // and what of it stays as typed keeps its font. Past where the check stopped, a later
    // font table's entry is renamed too: text after it may use it.
    renaming_ = false;
    const bool used = std::binary_search(renamed_.begin(), renamed_.end(), start);
    if (!used && start <= checkedUpTo_) return;
    const LegacyFont* f = legacyFontNamed(scanner_.peekFontName(start, kLongestFontName));
    renaming_ = f && &f->encoding() == &to_ && isSource(f);
    if (renaming_) renameEntry(start, end, options_.toFont);
}

UnicodeStretch& FontTarget::stretchFor() {
    FontStream& s = streams_.back();
    endWord(s.unicode);
    if (!s.legacy.legacy.takes(*font().legacy)) endStretch(s.legacy);
    return s.legacy;
}

void FontTarget::sourceCharacter(std::size_t start, std::size_t end, int code, Form, bool) {
    // Breaks and tabs end a syllable anyway; they stay as they are, and so does a
    // character the font has no code for.
    if (code < 0x20) {
        endStretches();
        return;
    }
    if (ownEncoding()) {
        // Its codes stay, in its renamed font.
        endStretches();
        count(1);
        return;
    }
    UnicodeStretch& s = stretchFor();
    ledger_.copyUpTo(start);
    const auto c = std::uint8_t(code);
    if (start == scanner_.starEnd()) s.afterStar.push_back(s.size());
    s.add(&c, 1, *font().legacy, scanner_.state().format, &start, &end, ledger_.written());
    ledger_.copied = end;
    if (s.size() >= kLongStretch && s.legacy.encoding()->endsSyllables(c)) endStretch(s);
}

void FontTarget::sourceText(bool afterUnit) {
    if (!ownEncoding()) {
        collectSourceText(afterUnit, batch_);
        return;
    }
    endStretches();
    for (bool more = true; more;) {
        const std::size_t n = scanner_.readBatch(batch_, afterUnit, true);
        more = batch_.more;
        count(countCharacters(batch_.codes, n));
    }
}

void FontTarget::unicodeCharacter(std::size_t start, std::size_t end, char16_t value) {
    FontStream& s = streams_.back();
    if (!s.legacy.empty()) endStretch(s.legacy);
    UnicodeWord& w = s.unicode;
    ledger_.copyUpTo(start);
    const std::size_t at = ledger_.written();
    const ComplexFormat& f = scanner_.state().complex;
    if (w.segments.empty() || w.segments.back().holdAt != at || !(w.segments.back().format == f))
        w.segments.push_back({w.text.size(), at, f});
    if (start == scanner_.starEnd()) w.afterStar.push_back(w.text.size());
    w.text.push_back(value);
    w.starts.push_back(start);
    w.ends.push_back(end);
    ledger_.copied = end;
    // A word this long (no real one is) is written in parts.
    if (w.text.size() >= kLongStretch && value != 0x0D4D && value != 0x200C && value != 0x200D) endWord(w);
}

void FontTarget::readUnicodeWords(std::size_t at) {
    if (!scanner_.plainUnits() || scanner_.offset() != at) return;
    const std::string_view input = ledger_.input;
    // Now and then the scanner takes over, so that the output is handed on as it grows.
    constexpr std::size_t kAtOnce = 4096;
    for (std::size_t n = 0; n < kAtOnce; ++n) {
        // Most units are \uNNNN? right after the last: those are taken without a call.
        if (const int unit = plainFourDigitUnit(input.data() + at, input.data() + input.size()); unit >= 0) {
            const auto value = char16_t(unit);
            if (value < 0x0D00 || (value > 0x0D7F && value != 0x200C && value != 0x200D)) break;
            nextUnicodeCharacter(at, at + 7, value);
            at += 7;
            continue;
        }
        std::size_t p = at;
        while (p < input.size() && (input[p] == ' ' || input[p] == '\r' || input[p] == '\n')) ++p;
        char16_t value;
        std::size_t end;
        if (!scanner_.plainUnitAt(p, value, end)) break;
        const bool spaced = input.substr(at, p - at).find(' ') != std::string_view::npos;
        if (!(value >= 0x0D00 && value <= 0x0D7F) && !((value == 0x200C || value == 0x200D) && !spaced)) break;
        // Spaces between the words go with them, as the scanner's text would give them.
        for (std::size_t i = at; i < p; ++i)
            if (input[i] == ' ') nextUnicodeCharacter(i, i + 1, u' ');
        nextUnicodeCharacter(p, end, value);
        at = end;
    }
    scanner_.seek(at);
}

void FontTarget::endWord(UnicodeWord& w) {
    if (w.empty()) return;
    const std::size_t n = w.text.size();
    // Spaces after the last word stay as they were.
    std::size_t words = n;
    while (w.text[words - 1] == ' ') --words;
    encodeStretch(to_, w.text.data(), words, encoded_);
    counts_.approximated += encoded_.approximated;
    if (words == n && w.segments.size() == 1 && encoded_.kept.empty() && !encoded_.codes.empty()) {
        // Most words: all drawn, in one look, one run in place of the first character.
        for (std::size_t k = 0; k < n; ++k) counts_.unicode += w.text[k] >= 0x0D00 && w.text[k] <= 0x0D7F;
        laidOut_.clear();
        openWordRun(w.segments.front().format);
        laidOut_.append(" ");
        appendCodes(encoded_.codes);
        laidOut_.append("}");
        ledger_.out.insert(w.holdAt() - ledger_.base, laidOut_.view());
        w.clear();
        return;
    }
    pieces_.clear();
    pieceEnds_.clear();
    auto kept = encoded_.kept.begin();
    for (std::size_t k = 0; k < n; ++k) {
        const bool malayalam = w.text[k] >= 0x0D00 && w.text[k] <= 0x0D7F;
        if (k >= words || (kept != encoded_.kept.end() && *kept == k)) {
            // Not drawn: it stays as it was, in its own font.
            kept += k < words;
            pieces_.push_back({Piece::Kind::Input, w.starts[k], w.ends[k]});
            if (malayalam) {
                ++counts_.notDrawn;
                if (counts_.notDrawnCharacters.find(w.text[k]) == std::u32string::npos)
                    counts_.notDrawnCharacters += w.text[k];
            }
        } else {
            if (encoded_.ends[k] > encoded_.begin(k))
                pieces_.push_back({Piece::Kind::Codes, encoded_.begin(k), encoded_.ends[k]});
            counts_.unicode += malayalam;
        }
        pieceEnds_.push_back(pieces_.size());
    }
    const auto open = [this](const UnicodeSegment& s) { openWordRun(s.format); };
    layOut(w.holdAt(), w.segments, n, w.afterStar, encoded_.codes, {}, open,
           [](const UnicodeSegment&) { return Format{}; });
    w.clear();
}

void FontTarget::openWordRun(const ComplexFormat& format) {
    // FONT's text is Western text to a word processor: the bold, italic and size Unicode
    // Malayalam showed (its complex-script ones) become the Western ones, where said.
    openFontRun(laidOut_, fontNumber_);
    if (format.size > 0) {
        laidOut_.append("\\fs");
        appendNumber(laidOut_, format.size);
    }
    if (format.bold >= 0) laidOut_.append(format.bold ? "\\b" : "\\b0");
    if (format.italic >= 0) laidOut_.append(format.italic ? "\\i" : "\\i0");
}

void FontTarget::endStretch(UnicodeStretch& s) {
    if (s.empty()) return;
    const LegacyEncoding& from = *s.legacy.encoding();
    // PANCHARI's text into ML-TT's encoding follows the glyph rules; any other goes
    // through Unicode.
    const bool rules = from.hasRevathiRules() && &to_ == &mlttEncoding();
    convertLegacyStretch(s.legacy, !rules, converted_, counts_);
    const std::u16string_view text = converted_.text();
    std::string_view codes;
    if (rules) {
        ruleCodes_.assign(text.begin(), text.end());
        codes = ruleCodes_;
    } else {
        unicodeText_.assign(text.begin(), text.end());
        encodeStretch(to_, unicodeText_.data(), unicodeText_.size(), encoded_);
        codes = encoded_.codes;
        counts_.approximated += encoded_.approximated;
    }
    pieces_.clear();
    pieceEnds_.clear();
    auto kept = converted_.kept.begin();
    auto typed = s.typed.begin();
    auto notDrawn = encoded_.kept.begin();
    for (std::size_t k = 0; k < s.size(); ++k) {
        if (kept != converted_.kept.end() && *kept == k) {
            // Kept as typed: its own bytes, in its own font.
            ++kept;
            while (typed->index != k) ++typed;
            pieces_.push_back({Piece::Kind::Input, typed->start, typed->end});
        } else if (rules) {
            if (converted_.ends[k] > converted_.textBefore(k))
                pieces_.push_back({Piece::Kind::Codes, converted_.textBefore(k), converted_.ends[k]});
        } else {
            for (std::size_t u = converted_.textBefore(k); u < converted_.ends[k]; ++u) {
                while (notDrawn != encoded_.kept.end() && *notDrawn < u) ++notDrawn;
                if (notDrawn != encoded_.kept.end() && *notDrawn == u) {
                    pieces_.push_back({Piece::Kind::Unicode, u, u + 1});
                    ++counts_.notDrawn;
                    if (counts_.notDrawnCharacters.find(text[u]) == std::u32string::npos)
                        counts_.notDrawnCharacters += text[u];
                } else if (encoded_.ends[u] > encoded_.begin(u)) {
                    pieces_.push_back({Piece::Kind::Codes, encoded_.begin(u), encoded_.ends[u]});
                }
            }
        }
        pieceEnds_.push_back(pieces_.size());
    }
    // Legacy text's formatting is Western already: the run takes it from the group.
    layOut(s.holdAt(), s.segments, s.size(), s.afterStar, codes, text,
           [this](const StretchSegment&) { openFontRun(laidOut_, fontNumber_); },
           [](const StretchSegment& g) { return g.format; });
    s.clear();
}

void FontTarget::appendCodes(std::string_view codes) {
    const CodeWords& words = codeWords();
    char* w = laidOut_.room(4 * codes.size());
    for (const char c : codes) {
        const auto b = std::uint8_t(c);
        std::copy_n(words.bytes[b].data(), 4, w);
        w += words.length[b];
    }
    laidOut_.commit(w);
}

template <class Segment, class OpenRun, class FormatOf>
void FontTarget::layOut(std::size_t firstHold, const std::vector<Segment>& segments, std::size_t n,
                        const std::vector<std::size_t>& afterStar, std::string_view codes,
                        std::u16string_view unicode, const OpenRun& openRun, const FormatOf& formatOf) {
    std::string& out = ledger_.out;
    const std::size_t first = firstHold - ledger_.base;
    const std::string_view tail = std::string_view(out).substr(first);
    laidOut_.clear();
    std::size_t taken = 0;
    auto star = afterStar.begin();
    for (std::size_t g = 0; g < segments.size(); ++g) {
        const Segment& segment = segments[g];
        const std::size_t end = g + 1 < segments.size() ? segments[g + 1].first : n;
        const std::size_t at = segment.holdAt - firstHold;
        laidOut_.append(tail.substr(taken, at - taken));
        taken = at;
        const std::size_t before = laidOut_.size();
        bool inRun = false;
        const std::size_t from = segment.first == 0 ? 0 : pieceEnds_[segment.first - 1];
        for (std::size_t p = from; p < pieceEnds_[end - 1]; ++p) {
            const Piece& piece = pieces_[p];
            if (piece.kind == Piece::Kind::Codes) {
                if (!inRun) {
                    openRun(segment);
                    laidOut_.append(" ");
                    inRun = true;
                }
                appendCodes(codes.substr(piece.from, piece.to - piece.from));
                continue;
            }
            if (inRun) laidOut_.append("}");
            inRun = false;
            if (piece.kind == Piece::Kind::Input)
                laidOut_.append(ledger_.input.substr(piece.from, piece.to - piece.from));
            else
                writeUnicodeRun(laidOut_, unicode.substr(piece.from, piece.to - piece.from), formatOf(segment),
                                unicodeFontNumber_);
        }
        if (inRun) laidOut_.append("}");
        if (laidOut_.size() > before) continue;
        // Its characters all moved into a syllable elsewhere. Whatever they stood after
        // must not run into what follows: a \* must not come to name the word after
        // them, nor a control word take the text after them into it.
        while (star != afterStar.end() && *star < segment.first) ++star;
        const bool afterStarWord = star != afterStar.end() && *star == segment.first;
        const char previous = before > 0 ? laidOut_.view()[before - 1] : first > 0 ? out[first - 1] : 'a';
        const std::size_t nextAt = first + taken;
        const char next = nextAt < out.size()                          ? out[nextAt]
                          : ledger_.copied < ledger_.input.size() ? ledger_.input[ledger_.copied]
                                                                       : '}';
        const bool wordBefore = (previous >= 'a' && previous <= 'z') || (previous >= 'A' && previous <= 'Z') ||
                                (previous >= '0' && previous <= '9') || previous == '-';
        if (afterStarWord || (wordBefore && next != '\\' && next != '{' && next != '}')) laidOut_.append("{}");
    }
    laidOut_.append(tail.substr(taken));
    out.resize(first);
    out.append(laidOut_.view());
}

}  // namespace tolvarin::rewriting
